#pragma once
// The busy notice: the window on screen while the host keeps refusing calls
// as busy, or does not answer a call it has taken. It tells the user what the program
// waits for and offers one button, "Abbrechen", which ends the wait. The
// automation layer shows and hides it from inside a host call, where no
// message loop runs: the notice serves its own input when asked to.
//
// A busy host usually has a dialog of its own open, and the user is about to
// answer it: the notice never takes the foreground or the keyboard, and
// stands below the progress window rather than over the screen's centre,
// where the host shows its dialogs. It has a taskbar button, so that the
// user can reach it from the keyboard (Alt+Tab) as well.
#include "core/host/busy_notice.h"
#include "ui/form.h"

namespace marsitel::ui {

class BusyNoticeWindow final : public Form, public host::BusyNotice {
public:
    void Show(host::BusyReason reason, Owner& owner) noexcept override;
    void Hide() noexcept override;
    void ServeInput() noexcept override;
    void EndWithWarning(const std::wstring& warning) noexcept override;

private:
    void Create();
    POINT Place() const noexcept;
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    void CancelButton_Click();

    Owner* owner_ = nullptr;
};

// The outer rectangle of a notice of the given outer size: directly below the
// anchor, left edges aligned, or above it where the work area has no room
// below; moved into the work area where it would stick out.
RECT NoticeRectBeside(const RECT& anchor, SIZE size, const RECT& work) noexcept;

}  // namespace marsitel::ui
