#pragma once
// A CAD host rejects incoming calls while it is busy: a dialog open in it, a
// long recompute. A rejected call is tried again after a growing pause, up
// to a bound. After a short while a notice tells the user what the program
// waits for; its button ends the wait as the bound does.
//
// A host may also take a call and then not come back: it computes, or it
// hangs. Such a call has no bound, since a long recompute is legitimate.
// After a few seconds the notice says that the host does not answer; its
// button cancels the call and ends the program, which from then on waits
// for that host no more.
//
// Who retries differs. On Windows, COM retries a rejected call itself and
// asks the thread's message filter how long to wait, and whether at all;
// what the filter gives up reaches the caller as RPC_E_CALL_REJECTED. Wine
// never asks the filter: every rejection reaches the caller, which retries
// on its own. Both paths decide through the call's BusyWait, so they share
// the pauses, the notice and the way a wait ends.
//
// While a call is out, COM asks the filter about it (MessagePending) only
// when a message arrives for the thread, and nothing posts one while the
// program waits for the host: a ticker does, as long as a call is out.
// Posted messages wake Windows' wait and Wine's alike; Wine's wakes for
// sent and posted messages and paint only, not for timers or input.
#include <windows.h>
#include <objbase.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <optional>

#include <wrl/client.h>

#include "core/host/busy_notice.h"

namespace marsitel::host {

inline constexpr std::chrono::milliseconds kDefaultBusyLimit{60'000};

// The bound applies to every host call of the process; tests shorten it.
void SetBusyLimit(std::chrono::milliseconds limit);

bool IsBusyRejection(HRESULT status);

// The notice of this thread's waits; without one (the default) they wait
// unseen. The notice must outlive its registration.
void SetBusyNotice(BusyNotice* notice) noexcept;

// While it lives, the calls of this thread are bounded by three seconds
// and wait without the notice: for a last call after a failure, which must
// not hold back the report of that failure.
class ShortBusyBound {
public:
    ShortBusyBound() noexcept;
    ~ShortBusyBound();
    ShortBusyBound(const ShortBusyBound&) = delete;
    ShortBusyBound& operator=(const ShortBusyBound&) = delete;

private:
    bool outer_;
};

enum class BusyEnd {
    None,               // still waiting, or answered
    Stopped,            // the user stopped it with the notice's button
    StoppedUnanswered,  // the same, while the host had the call and did not answer
    BoundReached,
    RefusedForGood,     // the host rejected the call outright, not as busy
};

// The wait of one host call, through the host's rejections and while the
// host has it, from its first attempt to its end. While it lives it is the
// thread's current wait, which the message filter consults; the notice it
// has shown goes with it.
class BusyWait {
public:
    BusyWait() noexcept;
    ~BusyWait();
    BusyWait(const BusyWait&) = delete;
    BusyWait& operator=(const BusyWait&) = delete;

    // Decides about a rejection, `elapsed` after the call's first attempt:
    // the pause before the next attempt, or none when the wait ends (see
    // end()). Shows the notice once the host has refused long enough.
    std::optional<std::chrono::milliseconds> Decide(std::chrono::milliseconds elapsed, bool refusedForGood) noexcept;
    // The same where COM retries the call itself after the pause, as on
    // Windows: until then, COM's questions are about a call it holds back,
    // not one the host has taken.
    std::optional<std::chrono::milliseconds> DecideRetry(std::chrono::milliseconds elapsed,
                                                         bool refusedForGood) noexcept;

    // Decides, `elapsed` after the call began, while the host has it and
    // has not answered: a PENDINGMSG_ answer for COM. Shows the notice once
    // the host has not answered long enough; cancels the call when the user
    // has asked to stop, and a last call after a failure at its short bound.
    DWORD WhileOut(std::chrono::milliseconds elapsed) noexcept;

    // The call came back rejected with `status`: waits out the next pause,
    // or throws the error that ends the wait, also when the message filter
    // has already ended it.
    void AfterRejection(HRESULT status);
    // The call came back cancelled: throws the error of the user's stop;
    // any other cancellation is left to the caller as a failure.
    void AfterCancel(HRESULT status) const;
    // A release came back: ends the program with the warning of the user's
    // stop, if there was one, since a release has no caller to report to.
    void AfterRelease() const noexcept;

    // A last call after a failure that is still within its short bound.
    bool WithinShortBound() const noexcept { return shortBound_ && end_ == BusyEnd::None; }
    BusyEnd end() const noexcept { return end_; }

private:
    std::chrono::milliseconds Elapsed() const noexcept;
    void WaitOut(std::chrono::milliseconds pause) noexcept;
    void ShowNotice(BusyReason reason) noexcept;
    std::nullopt_t End(BusyEnd end) noexcept;

    std::chrono::steady_clock::time_point start_;
    BusyWait* outer_;
    bool shortBound_;
    // When COM sends the call again after a rejection, counted as COM counts.
    std::chrono::milliseconds retryAt_{0};
    bool showsNotice_ = false;
    BusyEnd end_ = BusyEnd::None;
};

// Runs one COM request, again while the host rejects it as busy; throws
// marsitel::Error when the wait ends without an answer.
template <typename Request>
HRESULT CallWhileBusy(Request&& request) {
    BusyWait wait;
    for (;;) {
        const HRESULT status = request();
        if (status == RPC_E_CALL_CANCELED) wait.AfterCancel(status);
        if (!IsBusyRejection(status)) return status;
        wait.AfterRejection(status);
    }
}

// Runs `release`, which drops references to host objects, as a host call:
// dropping the last reference to an object is a call to the host, which a
// host that computes or hangs holds up like any other.
template <typename Release>
void ReleaseWhileBusy(Release&& release) noexcept {
    BusyWait wait;
    release();
    wait.AfterRelease();
}

// Posts a message to the thread that started it, every tick, while a host
// call of that thread is out (see BusyFilterScope): the message that makes
// COM ask the filter about the call.
class PendingCallTicker {
public:
    PendingCallTicker() = default;
    ~PendingCallTicker() = default;
    PendingCallTicker(const PendingCallTicker&) = delete;
    PendingCallTicker& operator=(const PendingCallTicker&) = delete;

    // Without a timer of the system's thread pool the calls go unticked.
    void Start() noexcept;
    void SetCallOut(bool out) noexcept { callOut_ = out; }

private:
    static void CALLBACK Tick(PTP_CALLBACK_INSTANCE, void* ticker, PTP_TIMER) noexcept;
    struct TimerCloser {
        void operator()(PTP_TIMER timer) const noexcept;
    };

    DWORD thread_ = 0;
    std::atomic<bool> callOut_{false};
    // Last, so that the timer and its callbacks end before the rest.
    std::unique_ptr<TP_TIMER, TimerCloser> timer_;
};

// Our OLE message filter: COM's questions about rejected calls and about
// messages that arrive while a call waits are answered by the thread's
// current BusyWait. Its lifetime is that of the scope that registered it,
// so its reference count only guards against misuse.
class BusyMessageFilter final : public IMessageFilter {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) noexcept override;
    ULONG STDMETHODCALLTYPE AddRef() noexcept override;
    ULONG STDMETHODCALLTYPE Release() noexcept override;
    DWORD STDMETHODCALLTYPE HandleInComingCall(DWORD callType, HTASK caller, DWORD tickCount,
                                               INTERFACEINFO* interfaceInfo) noexcept override;
    DWORD STDMETHODCALLTYPE RetryRejectedCall(HTASK callee, DWORD tickCount, DWORD rejectType) noexcept override;
    DWORD STDMETHODCALLTYPE MessagePending(HTASK callee, DWORD tickCount, DWORD pendingType) noexcept override;

private:
    std::atomic<ULONG> references_{0};
};

// Registers a BusyMessageFilter for the calling thread while it lives and
// puts back whatever filter was registered before. In a thread that is not
// a single-threaded apartment COM refuses filters; calls are then still
// retried by CallWhileBusy. The outermost scope of a thread runs its
// ticker, and holds the thread's decision to wait no more for a host that
// did not answer: once the user has stopped such a wait, the only wait
// left is a last call after the failure within its short bound; COM asked
// about any other (the cancelled call itself where COM does not let it go,
// the release of a host object) ends the program there, with the warning
// of the stop.
class BusyFilterScope {
public:
    BusyFilterScope();
    ~BusyFilterScope();
    BusyFilterScope(const BusyFilterScope&) = delete;
    BusyFilterScope& operator=(const BusyFilterScope&) = delete;

private:
    BusyMessageFilter filter_;
    Microsoft::WRL::ComPtr<IMessageFilter> previous_;
    bool registered_ = false;
    bool outermost_;
    PendingCallTicker ticker_;
};

}  // namespace marsitel::host
