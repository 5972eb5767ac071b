#pragma once
// frmSplash: the information window shown during start-up. It is done on a
// click on OK or on its frame, and on any character key, which it sees
// before the control that has the focus; or when start-up's time is up.
#include "shared/gdi.h"
#include "ui/form.h"

namespace marsitel::ui {

class frmSplash final : public Form {
public:
    using Form::Form;

    // Creates the window hidden and runs its load step.
    void Create();
    void Show() noexcept { ShowWindow(hwnd(), SW_SHOW); }
    // False once it is done, though it may still stand on the screen.
    bool IsVisible() const noexcept;
    // Done with: it goes at once, unless it holds the foreground. Destroyed
    // then, it would hand the foreground to another program's window, most
    // likely the host's, and Windows lets no program take it back: it goes
    // as soon as another window is activated (the dialog, a box of the
    // dialog's load step, or a window the user clicks).
    void Close() noexcept;

    const ControlSet& controls() const noexcept { return controls_; }

private:
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    bool PreTranslate(MSG& message) override;

    void Form_Load();
    void Form_KeyPress(wchar_t) noexcept { Close(); }
    void OkButton_Click() noexcept { Close(); }
    void Frame_Click() noexcept { Close(); }
    void DrawPicture(const DRAWITEMSTRUCT& item) const;

    UniqueBitmap picture_;
    bool done_ = false;
};

}  // namespace marsitel::ui
