#include "core/host/busy_host.h"

#include <objbase.h>

#include <atomic>
#include <optional>

#include <wrl/client.h>

#include "core/host/error_mapping.h"
#include "shared/com.h"

namespace marsitel::host {
namespace {

using Clock = std::chrono::steady_clock;

// The bounds of calls made outside every scope.
constexpr BusyBounds kUnscopedBounds{};
// RetryRejectedCall: -1 cancels the call; from 100 on, COM waits that many
// milliseconds before it retries.
constexpr DWORD kCancelCall = static_cast<DWORD>(-1);
// The ticker's interval: how soon after its delay the notice shows, and how
// soon a click on it is seen, while a call is out.
constexpr Millis kTick{250};
// The message the ticker posts; a thread message, which no window receives.
constexpr UINT kTickMessage = WM_APP + 0x4D;
// Paint messages served per question of COM's: a window that keeps
// invalidating itself must not hold the wait.
constexpr int kMostPaintServed = 100;

thread_local ThreadWaits* threadWaits = nullptr;

// The warning of the user's stop.
BusyWaitStoppedError StopError(WaitEnd stop, HRESULT status) {
    return stop == WaitEnd::Stopped ? BusyWaitStopped(status) : UnansweredWaitStopped(status);
}

// The error that ends a wait, as its own type: the user's stop is reported
// as a warning, not as a run-time error.
[[noreturn]] void ThrowEnd(WaitEnd end, HRESULT status) {
    if (IsStop(end)) throw StopError(end, status);
    if (end == WaitEnd::BoundReached) throw HostStayedBusyError(status);
    throw ErrorFromStatus(status);
}

// Peeking also delivers the messages sent from other threads.
void ServePaint() noexcept {
    MSG message;
    for (int i = 0; i < kMostPaintServed && PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE | PM_QS_PAINT); ++i) {
        DispatchMessageW(&message);
    }
}

void RemoveTicks() noexcept {
    MSG message;
    while (PeekMessageW(&message, nullptr, kTickMessage, kTickMessage, PM_REMOVE)) {
    }
}

// Our OLE message filter; its lifetime is its scope's, so its reference
// count only guards against misuse.
class Filter final : public IMessageFilter {
public:
    explicit Filter(ThreadWaits& waits) noexcept : waits_(waits) {}
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) noexcept override {
        return QueryOwnInterface<IMessageFilter>(this, iid, IID_IMessageFilter, object);
    }
    ULONG STDMETHODCALLTYPE AddRef() noexcept override { return ++references_; }
    ULONG STDMETHODCALLTYPE Release() noexcept override { return --references_; }
    DWORD STDMETHODCALLTYPE HandleInComingCall(DWORD, HTASK, DWORD, INTERFACEINFO*) noexcept override {
        return SERVERCALL_ISHANDLED;
    }
    DWORD STDMETHODCALLTYPE RetryRejectedCall(HTASK, DWORD tickCount, DWORD rejectType) noexcept override;
    DWORD STDMETHODCALLTYPE MessagePending(HTASK, DWORD tickCount, DWORD) noexcept override;

private:
    ThreadWaits& waits_;
    std::atomic<ULONG> references_{0};
};

struct TimerCloser {
    void operator()(PTP_TIMER timer) const noexcept {
        SetThreadpoolTimer(timer, nullptr, 0, 0);
        WaitForThreadpoolTimerCallbacks(timer, TRUE);
        CloseThreadpoolTimer(timer);
    }
};

}  // namespace

// The state of a thread's waits, owned by its outermost scope: the notice
// and the bounds, the call out, the user's stop, the filter and the ticker.
class ThreadWaits {
public:
    explicit ThreadWaits(const BusyContext& context);
    ~ThreadWaits();
    ThreadWaits(const ThreadWaits&) = delete;
    ThreadWaits& operator=(const ThreadWaits&) = delete;

    void Enter(BusyWait& wait) noexcept;
    void Leave(const BusyWait& wait) noexcept;
    // Serves, once, what may be served while a host call waits: paint,
    // messages sent from other threads, and the notice's input while it
    // shows. Input meant for any other window, and posted messages, stay
    // queued; the ticker's messages have done their work.
    void Serve() noexcept;
    bool StopAsked() const noexcept { return shown_ && context_.notice->StopRequested(); }
    void Show(BusyReason reason) noexcept;
    void EndForStop(WaitEnd stop) noexcept;
    DWORD RetryRejectedCall(Millis elapsed, bool forGood) noexcept;
    DWORD MessagePending(Millis elapsed) noexcept;

    const BusyBounds& bounds() const noexcept { return context_.bounds; }
    WaitEnd stop() const noexcept { return stop_; }
    void SetStop(WaitEnd stop) noexcept { stop_ = stop; }
    bool Shows() const noexcept { return shown_.has_value(); }

private:
    static void CALLBACK Tick(PTP_CALLBACK_INSTANCE, void* waits, PTP_TIMER) noexcept;

    const BusyContext context_;
    BusyWait* current_ = nullptr;
    WaitEnd stop_ = WaitEnd::None;
    std::optional<BusyReason> shown_;
    Filter filter_{*this};
    Microsoft::WRL::ComPtr<IMessageFilter> previous_;
    bool registered_ = false;
    const DWORD thread_ = GetCurrentThreadId();
    std::atomic<int> callsOut_{0};
    std::atomic<bool> tickPending_{false};
    // Last, so that the timer and its callbacks end before the rest.
    std::unique_ptr<TP_TIMER, TimerCloser> timer_;
};

ThreadWaits::ThreadWaits(const BusyContext& context) : context_(context) {
    registered_ = SUCCEEDED(CoRegisterMessageFilter(&filter_, previous_.GetAddressOf()));
    timer_.reset(CreateThreadpoolTimer(&ThreadWaits::Tick, this, nullptr));
    // Without a timer of the system's thread pool the calls go unticked.
    if (!timer_) return;
    // A due time relative to now, in 100-nanosecond units, is negative.
    ULARGE_INTEGER due{};
    due.QuadPart = static_cast<ULONGLONG>(-static_cast<LONGLONG>(kTick.count()) * 10'000);
    FILETIME dueTime{due.LowPart, due.HighPart};
    SetThreadpoolTimer(timer_.get(), &dueTime, static_cast<DWORD>(kTick.count()), 0);
}

ThreadWaits::~ThreadWaits() {
    timer_.reset();
    RemoveTicks();
    if (!registered_) return;
    Microsoft::WRL::ComPtr<IMessageFilter> ours;
    CoRegisterMessageFilter(previous_.Get(), ours.GetAddressOf());
}

// At most one tick waits unread, and none is posted while no call is out.
void CALLBACK ThreadWaits::Tick(PTP_CALLBACK_INSTANCE, void* waits, PTP_TIMER) noexcept {
    auto& self = *static_cast<ThreadWaits*>(waits);
    if (self.callsOut_ > 0 && !self.tickPending_.exchange(true)) {
        PostThreadMessageW(self.thread_, kTickMessage, 0, 0);
    }
}

void ThreadWaits::Enter(BusyWait& wait) noexcept {
    wait.outer_ = current_;
    current_ = &wait;
    ++callsOut_;
}

void ThreadWaits::Leave(const BusyWait& wait) noexcept {
    // The notice goes with its wait, but not once it says that the program ends.
    if (wait.showsNotice_ && shown_ && *shown_ != BusyReason::Ending) {
        context_.notice->Hide();
        shown_.reset();
    }
    current_ = wait.outer_;
    if (--callsOut_ == 0 && tickPending_.exchange(false)) RemoveTicks();
}

void ThreadWaits::Serve() noexcept {
    ServePaint();
    // Taken out before the ticker may post again, so that it never stops.
    RemoveTicks();
    tickPending_ = false;
    if (shown_) context_.notice->ServeInput();
}

void ThreadWaits::Show(BusyReason reason) noexcept {
    if (!context_.notice || shown_ == reason || shown_ == BusyReason::Ending) return;
    context_.notice->Show(reason);
    shown_ = reason;
}

void ThreadWaits::EndForStop(WaitEnd stop) noexcept {
    if (!context_.notice) return;
    try {
        context_.notice->EndWithWarning(StopError(stop, RPC_E_CALL_CANCELED).description());
    } catch (...) {
        // Without memory for the text the call is cancelled all the same.
    }
}

DWORD ThreadWaits::RetryRejectedCall(Millis elapsed, bool forGood) noexcept {
    // COM need not report a click on the notice's button through
    // MessagePending while it waits before a retry: it is looked for here.
    Serve();
    BusyWait* wait = current_;
    WaitFacts facts{elapsed};
    facts.earlierStop = stop_;
    const Decision decision = DecideRefusal(wait ? wait->Facts(elapsed) : facts, forGood, bounds());
    if (wait) wait->Apply(decision);
    if (decision.end != WaitEnd::None) return kCancelCall;
    if (wait) wait->retryAt_ = elapsed + decision.pause;
    return static_cast<DWORD>(decision.pause.count());
}

DWORD ThreadWaits::MessagePending(Millis elapsed) noexcept {
    Serve();
    BusyWait* wait = current_;
    if (!wait) return PENDINGMSG_WAITDEFPROCESS;
    if (wait->end_ != WaitEnd::None) {
        // Asked again about a call it was told to cancel: COM has not let
        // it go, and returning would mean waiting for the host again.
        if (IsStop(stop_)) EndForStop(stop_);
        return PENDINGMSG_CANCELCALL;
    }
    const Decision decision = DecideUnanswered(wait->Facts(elapsed), bounds());
    wait->Apply(decision);
    return decision.end == WaitEnd::None ? PENDINGMSG_WAITDEFPROCESS : PENDINGMSG_CANCELCALL;
}

namespace {

DWORD STDMETHODCALLTYPE Filter::RetryRejectedCall(HTASK, DWORD tickCount, DWORD rejectType) noexcept {
    return waits_.RetryRejectedCall(Millis(tickCount), rejectType != SERVERCALL_RETRYLATER);
}

// `tickCount` counts from the attempt's beginning.
DWORD STDMETHODCALLTYPE Filter::MessagePending(HTASK, DWORD tickCount, DWORD) noexcept {
    return waits_.MessagePending(Millis(tickCount));
}

}  // namespace

bool IsBusyRejection(HRESULT status) {
    return status == RPC_E_CALL_REJECTED || status == RPC_E_SERVERCALL_RETRYLATER;
}

BusyWait::BusyWait(CallBound bound) noexcept
    : waits_(threadWaits), outer_(nullptr), lastCall_(bound == CallBound::Last), start_(Clock::now()) {
    if (waits_) waits_->Enter(*this);
}

BusyWait::~BusyWait() {
    if (waits_) waits_->Leave(*this);
}

bool BusyWait::HostGivenUp() const noexcept {
    return waits_ && IsStop(waits_->stop());
}

WaitFacts BusyWait::Facts(Millis elapsed) const noexcept {
    WaitFacts facts{elapsed, retryAt_};
    if (waits_) {
        facts.stopAsked = waits_->StopAsked();
        facts.earlierStop = waits_->stop();
    }
    facts.lastCall = lastCall_;
    return facts;
}

void BusyWait::Apply(const Decision& decision) noexcept {
    if (decision.notice && waits_) {
        waits_->Show(*decision.notice);
        showsNotice_ = true;
    }
    if (decision.end == WaitEnd::None) return;
    end_ = decision.end;
    if (IsStop(end_) && waits_) waits_->SetStop(end_);
}

void BusyWait::WaitOut(Millis pause) noexcept {
    const auto end = Clock::now() + pause;
    for (;;) {
        if (waits_) {
            waits_->Serve();
        } else {
            ServePaint();
        }
        if (waits_ && waits_->StopAsked()) return;
        const auto left = std::chrono::ceil<Millis>(end - Clock::now());
        if (left.count() <= 0) return;
        // While the notice shows, its clicks and keys wake the thread too;
        // posted ones as well, as a tool that drives it from outside sends
        // them.
        const bool shows = waits_ && waits_->Shows();
        const DWORD wakeFor = QS_PAINT | QS_SENDMESSAGE | (shows ? QS_INPUT | QS_POSTMESSAGE : 0);
        MsgWaitForMultipleObjectsEx(0, nullptr, static_cast<DWORD>(left.count()), wakeFor, 0);
    }
}

bool BusyWait::TryAgain(HRESULT status) {
    const bool refused = IsBusyRejection(status);
    const BusyBounds& bounds = waits_ ? waits_->bounds() : kUnscopedBounds;
    const auto elapsed = [this] { return std::chrono::duration_cast<Millis>(Clock::now() - start_); };
    if (end_ == WaitEnd::None && refused) {
        const Decision decision = DecideRefusal(Facts(elapsed()), false, bounds);
        Apply(decision);
        if (end_ == WaitEnd::None) WaitOut(decision.pause);
        // A stop asked for during the pause ends the wait before the host
        // is asked once more.
        if (end_ == WaitEnd::None && Facts(elapsed()).stopAsked) Apply(DecideRefusal(Facts(elapsed()), false, bounds));
    } else if (end_ == WaitEnd::None) {
        // The call came back, answered or failed: a stop that no question
        // of COM's saw yet ends it all the same.
        Apply(DecideAnswered(Facts(Millis{0})));
    }
    if (end_ != WaitEnd::None) ThrowEnd(end_, status);
    return refused;
}

void BusyWait::AfterRelease() noexcept {
    if (end_ == WaitEnd::None) Apply(DecideAnswered(Facts(Millis{0})));
    if (IsStop(end_) && waits_) waits_->EndForStop(end_);
}

BusyFilterScope::BusyFilterScope(const BusyContext& context) {
    // A scope inside another joins it.
    if (threadWaits) return;
    waits_ = std::make_unique<ThreadWaits>(context);
    threadWaits = waits_.get();
}

BusyFilterScope::~BusyFilterScope() {
    if (waits_) threadWaits = nullptr;
}

}  // namespace marsitel::host
