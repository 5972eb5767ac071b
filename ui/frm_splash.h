#pragma once
// frmSplash: the information window shown during start-up. It closes itself
// on a click on OK or on its frame, and on any character key, which it sees
// before the control that has the focus.
#include "shared/gdi.h"
#include "ui/form.h"
#include "ui/message_loop.h"

namespace marsitel::ui {

class frmSplash final : public Form, private MessageFilter {
public:
    // Creates the window hidden and runs its load step.
    void Create();
    void Show();
    bool IsVisible() const noexcept;

    const ControlSet& controls() const noexcept { return controls_; }

private:
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    bool PreTranslate(MSG& message) override;

    void Form_Load();
    void Form_KeyPress(wchar_t key);
    void OkButton_Click();
    void Frame_Click();
    void DrawPicture(const DRAWITEMSTRUCT& item) const;

    UniqueBitmap picture_;
};

}  // namespace marsitel::ui
