#include "core/host/busy_host.h"

#include <algorithm>

#include "core/host/error_mapping.h"

namespace marsitel::host {
namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

// How long the host may refuse before the notice shows: a short hiccup
// passes unseen.
constexpr milliseconds kBusyNoticeDelay{2'000};
// How long a call may be out without an answer before the notice shows:
// the delay after which Windows' own busy dialog traditionally appears.
constexpr milliseconds kUnansweredNoticeDelay{5'000};
// The bound of a last call after a failure (see ShortBusyBound), whether the
// host refuses it or takes it and does not come back.
constexpr milliseconds kShortBusyLimit{3'000};
constexpr milliseconds kFirstPause{100};
constexpr milliseconds kLongestPause{1000};
// RetryRejectedCall: -1 cancels the call; from 100 on, COM waits that many
// milliseconds before it retries.
constexpr DWORD kCancelCall = static_cast<DWORD>(-1);
// MessagePending's answers.
constexpr DWORD kKeepWaiting = PENDINGMSG_WAITDEFPROCESS;
constexpr DWORD kCancelPending = PENDINGMSG_CANCELCALL;
// The ticker's interval: how soon after its delay the notice shows, and how
// soon a click on it is seen, while a call is out.
constexpr milliseconds kPendingCallTick{250};
// The message the ticker posts; a thread message, which no window receives.
constexpr UINT kPendingCallTickMessage = WM_APP + 0x4D;

std::atomic<long long> busyLimitMs{kDefaultBusyLimit.count()};

// What the waits of one thread share. Trivial, so that it needs no
// construction per thread.
struct ThreadBusyState {
    BusyNotice* notice = nullptr;
    bool noticeShown = false;
    BusyReason noticeReason = BusyReason::Refusing;
    bool shortBound = false;
    BusyWait* current = nullptr;
    PendingCallTicker* ticker = nullptr;
    // The user stopped a wait for a host that did not answer.
    bool hostGivenUp = false;
};

thread_local ThreadBusyState threadState;

milliseconds BusyLimit() { return milliseconds(busyLimitMs.load()); }

milliseconds LimitInForce() {
    return threadState.shortBound ? std::min(kShortBusyLimit, BusyLimit()) : BusyLimit();
}

// The pause before the next attempt of a call that the host has been
// rejecting for `elapsed`: it grows with the time already waited, so that a
// short hiccup costs little and a long recompute is not flooded with calls;
// none once the bound in force on this thread is used up.
std::optional<milliseconds> BusyRetryPause(milliseconds elapsed) {
    const auto limit = LimitInForce();
    if (elapsed >= limit) return std::nullopt;
    const auto pause = std::clamp(elapsed / 2, kFirstPause, kLongestPause);
    // The last pause ends at the bound, so that the call is tried once more then.
    return std::min(pause, std::max(limit - elapsed, kFirstPause));
}

// Serves, once, what may be served while a host call waits: paint, messages
// sent from other threads, and the notice's input while it shows. Input
// meant for any other window, and posted messages, stay queued.
void ServeWhileWaiting() noexcept {
    // Peeking also delivers the messages sent from other threads. The
    // ticker's messages have done their work once COM has asked.
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE | PM_QS_PAINT)) DispatchMessageW(&message);
    while (PeekMessageW(&message, nullptr, kPendingCallTickMessage, kPendingCallTickMessage, PM_REMOVE)) {
    }
    if (threadState.noticeShown) threadState.notice->ServeInput();
}

bool StopRequested() noexcept {
    return threadState.noticeShown && threadState.notice->StopRequested();
}

void GiveUpOnHost() noexcept { threadState.hostGivenUp = true; }

// Ends the program from inside a wait for a host that has been given up on.
void EndForHostGivenUp() noexcept {
    if (!threadState.notice) return;
    try {
        threadState.notice->EndWithWarning(UnansweredWaitStopped(RPC_E_CALL_CANCELED).description());
    } catch (...) {
        // Without memory for the text the wait is cancelled all the same.
    }
}

// MessagePending's answer for whatever COM waits for, `elapsed` after it
// began: the thread's current host call (a release of a host object among
// them), or nothing of the host's.
DWORD DecideWhileOut(milliseconds elapsed) noexcept {
    BusyWait* wait = threadState.current;
    if (threadState.hostGivenUp && !(wait && wait->WithinShortBound())) {
        EndForHostGivenUp();
        return kCancelPending;
    }
    return wait ? wait->WhileOut(elapsed) : kKeepWaiting;
}

}  // namespace

void SetBusyLimit(milliseconds limit) { busyLimitMs.store(limit.count()); }

bool IsBusyRejection(HRESULT status) {
    return status == RPC_E_CALL_REJECTED || status == RPC_E_SERVERCALL_RETRYLATER;
}

void SetBusyNotice(BusyNotice* notice) noexcept {
    if (threadState.noticeShown && threadState.notice) threadState.notice->Hide();
    threadState.noticeShown = false;
    threadState.notice = notice;
}

ShortBusyBound::ShortBusyBound() noexcept : outer_(threadState.shortBound) {
    threadState.shortBound = true;
}

ShortBusyBound::~ShortBusyBound() {
    threadState.shortBound = outer_;
}

BusyWait::BusyWait() noexcept
    : start_(Clock::now()), outer_(threadState.current), shortBound_(threadState.shortBound) {
    threadState.current = this;
    if (threadState.ticker) threadState.ticker->SetCallOut(true);
}

BusyWait::~BusyWait() {
    if (showsNotice_) {
        threadState.noticeShown = false;
        threadState.notice->Hide();
    }
    threadState.current = outer_;
    if (threadState.ticker) threadState.ticker->SetCallOut(outer_ != nullptr);
}

milliseconds BusyWait::Elapsed() const noexcept {
    return std::chrono::duration_cast<milliseconds>(Clock::now() - start_);
}

std::nullopt_t BusyWait::End(BusyEnd end) noexcept {
    end_ = end;
    return std::nullopt;
}

void BusyWait::ShowNotice(BusyReason reason) noexcept {
    if (shortBound_ || !threadState.notice) return;
    if (threadState.noticeShown && threadState.noticeReason == reason) return;
    threadState.notice->Show(reason);
    threadState.noticeShown = true;
    threadState.noticeReason = reason;
    showsNotice_ = true;
}

std::optional<milliseconds> BusyWait::Decide(milliseconds elapsed, bool refusedForGood) noexcept {
    if (refusedForGood) return End(BusyEnd::RefusedForGood);
    if (StopRequested()) return End(BusyEnd::Stopped);
    const auto pause = BusyRetryPause(elapsed);
    if (!pause) return End(BusyEnd::BoundReached);
    if (elapsed >= kBusyNoticeDelay) ShowNotice(BusyReason::Refusing);
    return pause;
}

std::optional<milliseconds> BusyWait::DecideRetry(milliseconds elapsed, bool refusedForGood) noexcept {
    const auto pause = Decide(elapsed, refusedForGood);
    if (pause) retryAt_ = elapsed + *pause;
    return pause;
}

DWORD BusyWait::WhileOut(milliseconds elapsed) noexcept {
    // Asked again about a call it was told to cancel: COM has not let it go.
    if (end_ != BusyEnd::None) return kCancelPending;
    // COM holds a rejected call back until its retry; the next
    // RetryRejectedCall decides about it.
    if (elapsed < retryAt_) return kKeepWaiting;
    if (StopRequested()) {
        End(BusyEnd::StoppedUnanswered);
        GiveUpOnHost();
        return kCancelPending;
    }
    if (shortBound_) {
        if (elapsed < LimitInForce()) return kKeepWaiting;
        End(BusyEnd::BoundReached);
        return kCancelPending;
    }
    // Since its last retry, where COM retried it, the host has had the call.
    if (elapsed - retryAt_ >= kUnansweredNoticeDelay) ShowNotice(BusyReason::NotAnswering);
    return kKeepWaiting;
}

void BusyWait::WaitOut(milliseconds pause) noexcept {
    const auto end = Clock::now() + pause;
    for (;;) {
        ServeWhileWaiting();
        if (StopRequested()) return;
        const auto left = std::chrono::ceil<milliseconds>(end - Clock::now());
        if (left.count() <= 0) return;
        // While the notice shows, its clicks and keys wake the thread too;
        // posted ones as well, as a tool that drives it from outside sends
        // them.
        const DWORD wakeFor = QS_PAINT | QS_SENDMESSAGE | (threadState.noticeShown ? QS_INPUT | QS_POSTMESSAGE : 0);
        MsgWaitForMultipleObjectsEx(0, nullptr, static_cast<DWORD>(left.count()), wakeFor, 0);
    }
}

void BusyWait::AfterRejection(HRESULT status) {
    if (end_ == BusyEnd::None) {
        if (const auto pause = Decide(Elapsed(), false)) WaitOut(*pause);
        // A stop asked for during the pause ends the wait before the host is
        // asked once more.
        if (end_ == BusyEnd::None && StopRequested()) end_ = BusyEnd::Stopped;
    }
    switch (end_) {
    case BusyEnd::None:
        return;
    case BusyEnd::RefusedForGood:
        throw ErrorFromStatus(status);
    case BusyEnd::Stopped:
        throw BusyWaitStopped(status);
    case BusyEnd::StoppedUnanswered:
        throw UnansweredWaitStopped(status);
    case BusyEnd::BoundReached:
        throw HostStayedBusyError(status);
    }
}

void BusyWait::AfterCancel(HRESULT status) const {
    if (end_ == BusyEnd::StoppedUnanswered) throw UnansweredWaitStopped(status);
}

void BusyWait::AfterRelease() const noexcept {
    if (end_ == BusyEnd::StoppedUnanswered) EndForHostGivenUp();
}

HRESULT STDMETHODCALLTYPE BusyMessageFilter::QueryInterface(REFIID iid, void** object) noexcept {
    if (!object) return E_POINTER;
    if (iid == IID_IUnknown || iid == IID_IMessageFilter) {
        *object = static_cast<IMessageFilter*>(this);
        AddRef();
        return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
}

ULONG STDMETHODCALLTYPE BusyMessageFilter::AddRef() noexcept { return ++references_; }

ULONG STDMETHODCALLTYPE BusyMessageFilter::Release() noexcept { return --references_; }

DWORD STDMETHODCALLTYPE BusyMessageFilter::HandleInComingCall(DWORD, HTASK, DWORD, INTERFACEINFO*) noexcept {
    return SERVERCALL_ISHANDLED;
}

DWORD STDMETHODCALLTYPE BusyMessageFilter::RetryRejectedCall(HTASK, DWORD tickCount, DWORD rejectType) noexcept {
    const milliseconds elapsed(tickCount);
    const bool refusedForGood = rejectType != SERVERCALL_RETRYLATER;
    std::optional<milliseconds> pause;
    if (BusyWait* wait = threadState.current) {
        // COM need not report a click on the notice's button through
        // MessagePending while it waits before a retry: it is looked for here.
        ServeWhileWaiting();
        pause = wait->DecideRetry(elapsed, refusedForGood);
    } else if (!refusedForGood) {
        pause = BusyRetryPause(elapsed);
    }
    return pause ? static_cast<DWORD>(pause->count()) : kCancelCall;
}

// COM dispatches paint itself when told to wait, and drops or keeps input;
// what else may run while a call waits is served here. `tickCount` counts
// from the call's beginning.
DWORD STDMETHODCALLTYPE BusyMessageFilter::MessagePending(HTASK, DWORD tickCount, DWORD) noexcept {
    ServeWhileWaiting();
    return DecideWhileOut(milliseconds(tickCount));
}

void CALLBACK PendingCallTicker::Tick(PTP_CALLBACK_INSTANCE, void* ticker, PTP_TIMER) noexcept {
    const auto& self = *static_cast<const PendingCallTicker*>(ticker);
    if (self.callOut_) PostThreadMessageW(self.thread_, kPendingCallTickMessage, 0, 0);
}

void PendingCallTicker::TimerCloser::operator()(PTP_TIMER timer) const noexcept {
    SetThreadpoolTimer(timer, nullptr, 0, 0);
    WaitForThreadpoolTimerCallbacks(timer, TRUE);
    CloseThreadpoolTimer(timer);
}

void PendingCallTicker::Start() noexcept {
    thread_ = GetCurrentThreadId();
    timer_.reset(CreateThreadpoolTimer(&PendingCallTicker::Tick, this, nullptr));
    if (!timer_) return;
    // A due time relative to now, in 100-nanosecond units, is negative.
    ULARGE_INTEGER due{};
    due.QuadPart = static_cast<ULONGLONG>(-static_cast<LONGLONG>(kPendingCallTick.count()) * 10'000);
    FILETIME dueTime{due.LowPart, due.HighPart};
    SetThreadpoolTimer(timer_.get(), &dueTime, static_cast<DWORD>(kPendingCallTick.count()), 0);
}

BusyFilterScope::BusyFilterScope() : outermost_(threadState.ticker == nullptr) {
    registered_ = SUCCEEDED(CoRegisterMessageFilter(&filter_, previous_.GetAddressOf()));
    if (!outermost_) return;
    ticker_.Start();
    threadState.ticker = &ticker_;
}

BusyFilterScope::~BusyFilterScope() {
    if (outermost_) {
        threadState.ticker = nullptr;
        threadState.hostGivenUp = false;
    }
    if (!registered_) return;
    Microsoft::WRL::ComPtr<IMessageFilter> ours;
    CoRegisterMessageFilter(previous_.Get(), ours.GetAddressOf());
}

}  // namespace marsitel::host
