#pragma once
// A CAD host rejects incoming calls while it is busy (a dialog open in it, a
// long recompute), and it may take a call and not come back (it computes,
// or it hangs). The waits for it follow the rules of busy_policy.h.
//
// Who retries differs. On Windows, COM retries a refused call itself and
// asks the thread's message filter how long to wait (RetryRejectedCall);
// what the filter gives up reaches the caller as RPC_E_CALL_REJECTED. Wine
// never asks: every refusal reaches the caller, which retries on its own.
// While a call is out, COM asks the filter about it (MessagePending) only
// when a message arrives, so a ticker posts one while a call is out. After
// the filter cancels a call, Windows returns it at once, with whatever
// status the call's inner steps give; Wine goes on waiting and asks again.
// A wait therefore decides by its own state, never by the status.
#include <windows.h>

#include <memory>

#include "core/host/busy_notice.h"
#include "core/host/busy_policy.h"

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

bool IsBusyRejection(HRESULT status);

class ThreadWaits;

// The wait of one host call, from its first attempt to its answer or its
// end. While it lives, it is its thread's current wait, about which COM asks
// the message filter.
class BusyWait {
public:
    explicit BusyWait(CallBound bound = CallBound::Full) noexcept;
    ~BusyWait();
    BusyWait(const BusyWait&) = delete;
    BusyWait& operator=(const BusyWait&) = delete;

    // After an attempt that came back with `status`: true when the host
    // refused it as busy and the pause before the next attempt is over.
    // Throws the error that ends the wait (the user's stop, the bound, a
    // refusal for good) whatever the status says.
    bool TryAgain(HRESULT status);
    // After a release, which has no caller to report to: ends the program
    // with the warning of the user's stop, when the user stopped it.
    void AfterRelease() noexcept;
    // The user has stopped a wait of this thread: the host is given up.
    bool HostGivenUp() const noexcept;

private:
    friend class ThreadWaits;
    WaitFacts Facts(Millis elapsed) const noexcept;
    void Apply(const Decision& decision) noexcept;
    void WaitOut(Millis pause) noexcept;

    ThreadWaits* waits_;
    BusyWait* outer_;
    bool lastCall_;
    std::chrono::steady_clock::time_point start_;
    Millis retryAt_{0};
    WaitEnd end_ = WaitEnd::None;
    bool showsNotice_ = false;
};

// Runs one COM request, again while the host refuses it as busy; throws
// marsitel::Error when the wait ends without an answer.
template <typename Request>
HRESULT CallWhileBusy(Request&& request, CallBound bound = CallBound::Full) {
    BusyWait wait(bound);
    HRESULT status;
    do status = request();
    while (wait.TryAgain(status));
    return status;
}

// Runs `release`, which drops references to host objects, as a host call:
// dropping an object's last reference is a call to the host, which a host
// that computes or hangs holds up like any other. Once the host has been
// given up, `abandon` runs instead: it leaves the references to the end of
// the process, which follows.
template <typename Release, typename Abandon>
void ReleaseWhileBusy(Release&& release, Abandon&& abandon) noexcept {
    BusyWait wait;
    if (wait.HostGivenUp()) return abandon();
    release();
    wait.AfterRelease();
}

// Registers the thread's message filter while it lives and puts back the
// one registered before. The outermost scope of a thread owns the state of
// its waits, which the scopes inside it (the readiness check within a run)
// join; it runs the ticker. In a thread that is not a single-threaded
// apartment COM refuses filters, and refused calls are still retried by
// CallWhileBusy.
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
