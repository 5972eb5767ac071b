#include "ui/form.h"

namespace marsitel::ui {

Form::~Form() {
    Destroy();
}

void Form::CreateForm(const FormDef& def) {
    const SIZE client{layout_.Pixels(def.client.width), layout_.Pixels(def.client.height)};
    const DWORD style = def.window.style;
    const DWORD exStyle = def.window.exStyle;
    CreateTopLevel(def.window, def.centred ? CentredOuterRect(client, style, exStyle)
                                           : OuterRectAt(POINT{0, 0}, client, style, exStyle));
    controls_.Create(hwnd(), def.controls, layout_);
}

LRESULT Form::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_DRAWITEM && controls_.DrawItem(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam))) return TRUE;
    return DefaultHandling(message, wParam, lParam);
}

}  // namespace marsitel::ui
