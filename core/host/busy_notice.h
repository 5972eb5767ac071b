#pragma once
// What the user sees while the host keeps refusing calls as busy, or does
// not answer a call it has taken: a notice that says so, with one button
// that ends the wait and the program. The waiting itself is the automation
// layer's (busy_host.h); the window is the user interface's. Both run on
// the user-interface thread, inside a host call.
#include <string>

#include "core/host/busy_policy.h"

namespace marsitel::host {

class BusyNotice {
public:
    // Brings the notice on screen, above every window, from an empty input
    // queue, and forgets an earlier request to stop waiting; shown already,
    // it only says the reason. With BusyReason::Ending it says that the
    // program ends and its button is disabled: it stays so until the
    // program has ended.
    virtual void Show(BusyReason reason) noexcept = 0;
    virtual void Hide() noexcept = 0;
    // Serves the input meant for the notice, so that its button works by
    // mouse and keyboard; any other input stays queued.
    virtual void ServeInput() noexcept = 0;
    // True once the user has asked, since Show, to stop waiting; the notice
    // then says that the program ends.
    virtual bool StopRequested() const noexcept = 0;
    // Shows the warning and ends the program from where the thread waits:
    // for a host that does not answer, where returning to the caller would
    // mean waiting for it again.
    virtual void EndWithWarning(const std::wstring& warning) noexcept = 0;

protected:
    BusyNotice() = default;
    ~BusyNotice() = default;
    BusyNotice(const BusyNotice&) = default;
    BusyNotice& operator=(const BusyNotice&) = default;
};

}  // namespace marsitel::host
