#pragma once
// The busy notice: "Abbrechen" and what the program waits for. The waits show
// and hide it from inside a host call, where no message loop runs: it serves
// its own input when asked to. The user is most likely about to answer a
// dialog of the busy host's: the notice takes neither the foreground nor the
// keyboard and stands below the progress window, away from the screen's
// centre. Its taskbar button lets the user reach it with Alt+Tab as well.
#include "core/host/busy_host.h"
#include "ui/form.h"

namespace marsitel::ui {

class BusyNoticeWindow final : public Form, public host::BusyNotice {
public:
    using Form::Form;

    void Show(host::BusyReason reason, Owner& owner) noexcept override;
    void Prepare() noexcept override;
    void Hide() noexcept override;
    void ServeInput() noexcept override;
    void EndWithWarning(const std::wstring& warning) noexcept override;

private:
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
