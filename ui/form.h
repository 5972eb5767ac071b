#pragma once
// A form: one of the program's four windows, made from a table of controls
// laid out in twips, which draws its owner-drawn labels and lines itself.
#include <span>

#include "ui/controls.h"
#include "ui/layout.h"
#include "ui/window.h"

namespace marsitel::ui {

struct FormDef {
    TopLevelDef window;
    TwipsRect client;  // the client area's size; where it stands, `centred` says
    bool centred;      // on the primary monitor's work area, or at the screen's origin
    std::span<const ControlDef> controls;
};

class Form : public Window {
public:
    using Window::Window;
    // The window goes here, while the form's own parts still stand. A form's
    // derived part is gone by then, so the messages that destroying the
    // window sends (WM_ACTIVATE, WM_DESTROY) reach the form's handling
    // alone; Window's destructor would come too late for the controls.
    ~Form() override;

protected:
    // Creates the window hidden, with its controls.
    void CreateForm(const FormDef& def);
    // What a form does with a message it does not handle itself.
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

    Layout layout_ = Layout::ForScreen();
    ControlSet controls_;
};

}  // namespace marsitel::ui
