#pragma once
// What the user sees while the host keeps refusing calls as busy, or does
// not answer a call it has taken: a notice that says so, with one button,
// "Abbrechen", that ends the wait and the program. The notice is a view of
// the waits (busy_host.cpp), which decide what it says; the window is the
// user interface's. Both run on the user-interface thread, inside a host call.
#include <string>

#include "core/host/busy_policy.h"

namespace marsitel::host {

class BusyNotice {
public:
    // Who hears of a press on "Abbrechen".
    class Owner {
    public:
        virtual void StopPressed() noexcept = 0;

    protected:
        ~Owner() = default;
    };

    // Brings the notice on screen, above every window, from an empty input
    // queue, without taking the foreground or the keyboard; shown already,
    // it only says the reason. `owner` hears of its button until it is
    // hidden. With BusyReason::Ending it says that the program ends and its
    // button is disabled: it stays so until the program has ended.
    virtual void Show(BusyReason reason, Owner& owner) noexcept = 0;
    virtual void Hide() noexcept = 0;
    // Serves the input meant for the notice, so that its button works by
    // mouse and keyboard; any other input stays queued.
    virtual void ServeInput() noexcept = 0;
    // Shows the warning and ends the program from where the thread waits:
    // for a host that does not answer, where returning to the caller would
    // mean waiting for it again.
    virtual void EndWithWarning(const std::wstring& warning) noexcept = 0;

protected:
    ~BusyNotice() = default;
};

}  // namespace marsitel::host
