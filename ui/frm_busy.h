#pragma once
// frmBusy: the notice on screen while the host keeps refusing calls as busy.
// It tells the user what the program waits for and offers one button,
// "Abbrechen", which ends the wait. The automation layer shows and hides it
// from inside a host call, where no message loop runs: the notice serves its
// own input when asked to.
#include "core/host/busy_notice.h"
#include "ui/controls.h"
#include "ui/window.h"

namespace marsitel::ui {

class frmBusy final : public Window, public host::BusyNotice {
public:
    ~frmBusy() override { Destroy(); }

    void Show() noexcept override;
    void Hide() noexcept override;
    void ServeInput() noexcept override;
    bool StopRequested() const noexcept override { return stopRequested_; }

    const ControlSet& controls() const noexcept { return controls_; }

private:
    void Create();
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    void cmdCancel_Click();
    void Route(MSG& message) noexcept;

    Layout layout_ = Layout::ForScreen();
    ControlSet controls_;
    // The window that was active when the notice came, which gets the
    // activation back when it goes.
    HWND before_ = nullptr;
    bool stopRequested_ = false;
};

}  // namespace marsitel::ui
