#pragma once
// A CAD host rejects calls while it is busy (a dialog open in it), and it may
// take a call and not come back; the waits for it follow busy_policy.h. On
// Windows COM retries a refused call itself, asking the message filter for
// the pause; Wine returns every refusal, and the caller retries. While a call
// is out, COM asks the filter about the user's input, so a press on the
// notice cancels the call there; the notice itself comes from a timer whose
// messages are sent to a window of the thread, delivered in COM's wait too.
// A cancelled call may come back with any status: a wait decides by its own
// state.
#include <windows.h>

#include <memory>
#include <string>

#include "core/host/busy_policy.h"
#include "shared/function_ref.h"

namespace marsitel::host {

// What the user sees meanwhile: a notice that says so, with one button,
// "Abbrechen", that ends the wait and the program. It is a view of the
// waits, which decide what it says; the window is the user interface's.
class BusyNotice {
public:
    // Who hears of a press on "Abbrechen".
    class Owner {
    public:
        virtual void StopPressed() noexcept = 0;

    protected:
        ~Owner() = default;
    };

    // Shows the notice above every window, from an empty input queue,
    // without taking the foreground or the keyboard; shown already, it only
    // says the reason. `owner` hears of its button until it is hidden. With
    // BusyReason::Ending its button is disabled until the program has ended.
    virtual void Show(BusyReason reason, Owner& owner) noexcept = 0;
    // Readies it while it is not due yet, so that it comes on time when it is.
    virtual void Prepare() noexcept = 0;
    virtual void Hide() noexcept = 0;
    // Serves the input meant for the notice, so that its button works by
    // mouse and keyboard; any other input stays queued.
    virtual void ServeInput() noexcept = 0;
    // Shows the warning and ends the program from where the thread waits,
    // where returning to the caller would mean waiting for the host again.
    virtual void EndWithWarning(const std::wstring& warning) noexcept = 0;

protected:
    ~BusyNotice() = default;
};

// What the waits of a run or of a readiness check show, and how long they
// may last.
struct BusyContext {
    BusyNotice* notice = nullptr;  // none: the waits go unseen
    BusyBounds bounds;
};

enum class CallBound {
    Full,  // the context's bound, with the notice
    Last,  // the last call after a failure: the short bound, unseen
};

// Runs one COM request, again while the host refuses it as busy; throws
// marsitel::Error when the wait ends without an answer. Outside every
// BusyFilterScope the request is made once.
HRESULT CallWhileBusy(FunctionRef<HRESULT()> request, CallBound bound = CallBound::Full);

// Runs `release`, which drops references to host objects, as a host call:
// dropping an object's last reference is a call to the host, which a host
// that computes or hangs holds up like any other. Once the user has given
// the host up, `abandon` runs instead: it leaves the references to the end
// of the process, which follows.
void ReleaseWhileBusy(FunctionRef<void()> release, FunctionRef<void()> abandon) noexcept;

class ThreadWaits;

// Registers the thread's message filter while it lives and puts back the
// one registered before. The outermost scope of a thread owns the state of
// its waits, which the scopes inside it (the readiness check within a run)
// join. In a thread that is not a single-threaded apartment COM refuses
// filters, and refused calls are still retried by CallWhileBusy.
class BusyFilterScope {
public:
    explicit BusyFilterScope(const BusyContext& context);
    ~BusyFilterScope();

private:
    std::unique_ptr<ThreadWaits> waits_;
};

}  // namespace marsitel::host
