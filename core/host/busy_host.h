#pragma once
// A CAD host rejects calls while it is busy (a dialog open in it, a long
// recompute), and it may take a call and not come back. The waits for it
// follow the rules of busy_policy.h. On Windows COM retries a refused call
// itself and asks the message filter for the pause (RetryRejectedCall); Wine
// returns every refusal, and the caller retries. While a call is out, COM
// asks the filter about the user's input (MessagePending): a press on the
// notice cancels the call there. The notice itself comes from a timer, whose
// messages are sent to a window of the thread and so are delivered in COM's
// wait as well. A cancelled call comes back at once on Windows, with any
// status; Wine waits on and asks again: a wait decides by its own state.
#include <windows.h>

#include <memory>

#include "core/host/busy_notice.h"
#include "shared/function_ref.h"

namespace marsitel::host {

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
    BusyFilterScope(const BusyFilterScope&) = delete;
    BusyFilterScope& operator=(const BusyFilterScope&) = delete;

private:
    std::unique_ptr<ThreadWaits> waits_;
};

}  // namespace marsitel::host
