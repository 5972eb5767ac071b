#pragma once
// What the user sees while the host keeps refusing calls as busy: a notice
// that says so, with one button that ends the wait. The waiting itself is
// the automation layer's (busy_host.h); the window is the user interface's.
// Both run on the user-interface thread, inside a host call.

namespace marsitel::host {

class BusyNotice {
public:
    // Brings the notice on screen, above every window, from an empty input
    // queue, and forgets an earlier request to stop waiting.
    virtual void Show() noexcept = 0;
    virtual void Hide() noexcept = 0;
    // Serves the input meant for the notice, so that its button works by
    // mouse and keyboard; any other input stays queued.
    virtual void ServeInput() noexcept = 0;
    // True once the user has asked, since Show, to stop waiting.
    virtual bool StopRequested() const noexcept = 0;

protected:
    BusyNotice() = default;
    ~BusyNotice() = default;
    BusyNotice(const BusyNotice&) = default;
    BusyNotice& operator=(const BusyNotice&) = default;
};

}  // namespace marsitel::host
