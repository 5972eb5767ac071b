#include "core/host/busy_host.h"

#include <objbase.h>

#include <atomic>
#include <optional>
#include <type_traits>
#include <utility>

#include <wrl/client.h>

#include "core/host/error_mapping.h"
#include "shared/com.h"

namespace marsitel::host {
namespace {

using Clock = std::chrono::steady_clock;

// RetryRejectedCall: -1 cancels the call; from 100 on, COM waits that many
// milliseconds before it retries.
constexpr DWORD kCancelCall = static_cast<DWORD>(-1);
// How often the timer looks at a call that is out: how soon after its
// delay the notice shows. A call answered within kQuiet, as nearly all are,
// never wakes the thread.
constexpr Millis kTick{100};
constexpr DWORD kQuiet = 1'000;
constexpr UINT kTickMessage = WM_APP + 0x4D;
constexpr wchar_t kTickClass[] = L"Marsitel.Waits";
// Paint messages served per question of COM's: a window that keeps
// invalidating itself must not hold the wait.
constexpr int kMostPaintServed = 100;

thread_local ThreadWaits* threadWaits = nullptr;

BusyWaitStoppedError StopError(WaitEnd stop, HRESULT status) {
    return stop == WaitEnd::Stopped ? BusyWaitStopped(status) : UnansweredWaitStopped(status);
}

// The error that ends a wait, as its own type: the user's stop, in the words
// of the notice it was pressed on, is a warning, not a run-time error.
[[noreturn]] void ThrowEnd(WaitEnd end, HRESULT status) {
    if (IsStop(end)) throw StopError(end, status);
    if (end == WaitEnd::BoundReached) throw HostStayedBusyError(status);
    throw ErrorFromStatus(status);
}

struct TimerCloser {
    void operator()(PTP_TIMER timer) const noexcept {
        SetThreadpoolTimer(timer, nullptr, 0, 0);
        WaitForThreadpoolTimerCallbacks(timer, TRUE);
        CloseThreadpoolTimer(timer);
    }
};

struct WindowDestroyer {
    void operator()(HWND window) const noexcept { DestroyWindow(window); }
};

}  // namespace

// The state of a thread's waits, owned by its outermost scope: the notice and
// what it shows, the bounds, the user's stop, the call out and the timer that
// looks at it. It is the thread's message filter, and the notice's owner.
class ThreadWaits final : public IMessageFilter, private BusyNotice::Owner {
public:
    explicit ThreadWaits(const BusyContext& context);
    ~ThreadWaits() {
        timer_.reset();
        window_.reset();
        Microsoft::WRL::ComPtr<IMessageFilter> ours;
        if (registered_) CoRegisterMessageFilter(previous_.Get(), ours.GetAddressOf());
    }

    HRESULT Call(FunctionRef<HRESULT()> request, bool lastCall) {
        HostCall call(*this, lastCall);
        for (HRESULT status = request();; status = request()) {
            const bool refused = status == RPC_E_CALL_REJECTED || status == RPC_E_SERVERCALL_RETRYLATER;
            if (call.end == WaitEnd::None) {
                const WaitFacts facts = Facts(call, call.Elapsed());
                const Decision decision = refused ? DecideRefusal(facts, false, context_.bounds) : DecideStop(facts);
                Apply(call, decision);
                // A stop pressed during the pause ends the wait before the next attempt.
                if (refused && call.end == WaitEnd::None) {
                    WaitOut(call, decision.pause);
                    Apply(call, DecideStop(Facts(call, call.Elapsed())));
                }
            }
            if (call.end != WaitEnd::None) ThrowEnd(call.end, status);
            if (!refused) return status;
        }
    }

    void Drop(FunctionRef<void()> release, FunctionRef<void()> abandon) noexcept {
        if (IsStop(stop_)) return abandon();
        {
            const HostCall call(*this, false);
            release();
        }
        // A release has no caller: a stop pressed meanwhile ends the program here.
        if (IsStop(stop_)) EndForStop();
    }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) noexcept override {
        return QueryOwnInterface<IMessageFilter>(this, iid, IID_IMessageFilter, object);
    }
    // Its lifetime is its scope's: the count only guards against misuse.
    ULONG STDMETHODCALLTYPE AddRef() noexcept override { return 2; }
    ULONG STDMETHODCALLTYPE Release() noexcept override { return 1; }
    DWORD STDMETHODCALLTYPE HandleInComingCall(DWORD, HTASK, DWORD, INTERFACEINFO*) noexcept override {
        return SERVERCALL_ISHANDLED;
    }
    DWORD STDMETHODCALLTYPE RetryRejectedCall(HTASK, DWORD tickCount, DWORD rejectType) noexcept override {
        // A click on the notice while COM pauses before a retry is served here.
        Serve();
        // A call made outside CallWhileBusy fails as it would without a filter.
        if (!call_) return kCancelCall;
        HostCall& call = *call_;
        const Millis elapsed(tickCount);
        const Decision decision =
            DecideRefusal(Facts(call, elapsed), rejectType != SERVERCALL_RETRYLATER, context_.bounds);
        Apply(call, decision);
        if (call.end != WaitEnd::None) return kCancelCall;
        call.retryAt = elapsed + decision.pause;
        return static_cast<DWORD>(decision.pause.count());
    }
    // `tickCount` counts from the call's beginning.
    DWORD STDMETHODCALLTYPE MessagePending(HTASK, DWORD tickCount, DWORD) noexcept override {
        Serve();
        if (!call_) return PENDINGMSG_WAITDEFPROCESS;
        HostCall& call = *call_;
        if (call.end != WaitEnd::None) {
            // Asked again about a call told to cancel: COM has not let it go.
            if (IsStop(stop_)) EndForStop();
            return PENDINGMSG_CANCELCALL;
        }
        Apply(call, DecideUnanswered(Facts(call, Millis(tickCount)), context_.bounds));
        return call.end == WaitEnd::None ? PENDINGMSG_WAITDEFPROCESS : PENDINGMSG_CANCELCALL;
    }

private:
    // One host call, from its first attempt to its end: the call out while it lives.
    class HostCall {
    public:
        HostCall(ThreadWaits& waits, bool last) noexcept : lastCall(last), waits_(waits), outer_(waits.call_) {
            if (!outer_) waits_.outSince_ = GetTickCount();
            waits_.call_ = this;
        }
        // The notice goes with the last call out, unless it says the program ends.
        ~HostCall() {
            waits_.call_ = outer_;
            if (outer_ || !waits_.shown_ || *waits_.shown_ == BusyReason::Ending) return;
            waits_.context_.notice->Hide();
            waits_.shown_.reset();
        }
        HostCall(const HostCall&) = delete;
        HostCall& operator=(const HostCall&) = delete;
        Millis Elapsed() const noexcept { return std::chrono::duration_cast<Millis>(Clock::now() - start_); }

        const bool lastCall;
        Millis retryAt{0};
        WaitEnd end = WaitEnd::None;
        bool heldForStop = false;  // a tick found it due to end for the stop

    private:
        ThreadWaits& waits_;
        HostCall* const outer_;
        const Clock::time_point start_ = Clock::now();
    };

    // A message sent to the thread's window, which Windows delivers in every
    // message retrieval, COM's wait included. At most one waits undelivered;
    // whatever is out when it arrives, it clears the flag: none is left behind.
    static void CALLBACK TimerFired(PTP_CALLBACK_INSTANCE, void* waits, PTP_TIMER) noexcept {
        auto& self = *static_cast<ThreadWaits*>(waits);
        if (!self.call_ || GetTickCount() - self.outSince_ < kQuiet) return;
        if (!self.tickPending_.exchange(true) && !SendNotifyMessageW(self.window_.get(), kTickMessage, 0, 0)) {
            self.tickPending_ = false;
        }
    }
    static LRESULT CALLBACK TickProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) noexcept {
        auto* self = reinterpret_cast<ThreadWaits*>(GetWindowLongPtrW(window, GWLP_USERDATA));
        if (message != kTickMessage || !self) return DefWindowProcW(window, message, wParam, lParam);
        self->Tick();
        return 0;
    }
    // Shows the notice when it is due; cancelling is for COM's questions. A
    // call due to end for the user's stop that COM still holds a tick later was
    // not asked about or not let go: the program ends here.
    void Tick() noexcept {
        tickPending_ = false;
        if (!call_) return;
        HostCall& call = *call_;
        if (context_.notice && !shown_) context_.notice->Prepare();
        const Decision decision = DecideUnanswered(Facts(call, call.Elapsed()), context_.bounds);
        if (decision.notice) Show(*decision.notice);
        if (decision.end != WaitEnd::None && IsStop(stop_) && std::exchange(call.heldForStop, true)) EndForStop();
    }
    void WaitOut(const HostCall& call, Millis pause) noexcept {
        const auto end = Clock::now() + pause;
        for (;;) {
            Serve();
            if (DecideStop(Facts(call, Millis{0})).end != WaitEnd::None) return;
            const auto left = std::chrono::ceil<Millis>(end - Clock::now());
            if (left.count() <= 0) return;
            // While the notice shows, its clicks and keys wake the thread too, and
            // posted ones, as a tool that drives it from outside posts them.
            const DWORD wakeFor = QS_PAINT | QS_SENDMESSAGE | (shown_ ? QS_INPUT | QS_POSTMESSAGE : 0);
            MsgWaitForMultipleObjectsEx(0, nullptr, static_cast<DWORD>(left.count()), wakeFor, 0);
        }
    }

    void StopPressed() noexcept override {
        if (!shown_ || IsStop(stop_)) return;
        stop_ = StopOn(*shown_);
        // Pressed once is enough: from now on the program ends.
        if (IsStop(stop_)) Show(BusyReason::Ending);
    }
    WaitFacts Facts(const HostCall& call, Millis elapsed) const noexcept {
        return {elapsed, call.retryAt, stop_, call.lastCall};
    }
    void Apply(HostCall& call, const Decision& decision) noexcept {
        if (decision.notice) Show(*decision.notice);
        if (decision.end != WaitEnd::None) call.end = decision.end;
    }
    void Show(BusyReason reason) noexcept {
        if (!context_.notice || shown_ == reason || shown_ == BusyReason::Ending) return;
        shown_ = reason;
        context_.notice->Show(reason, *this);
    }
    // What may be served while a host call waits: paint, messages sent from
    // other threads (peeking delivers them) and the notice's input. Other
    // input and posted messages stay queued.
    void Serve() noexcept {
        MSG message;
        for (int i = 0; i < kMostPaintServed && PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE | PM_QS_PAINT); ++i) {
            DispatchMessageW(&message);
        }
        if (shown_) context_.notice->ServeInput();
    }
    void EndForStop() noexcept {
        if (!context_.notice || std::exchange(ending_, true)) return;
        try {
            context_.notice->EndWithWarning(StopError(stop_, RPC_E_CALL_CANCELED).description());
        } catch (...) {
            // Without memory for the text the call is cancelled all the same.
        }
    }

    const BusyContext context_;
    std::atomic<HostCall*> call_{nullptr};  // the innermost; the timer reads whether one is out
    WaitEnd stop_ = WaitEnd::None;
    std::optional<BusyReason> shown_;
    bool ending_ = false;  // the stop's warning is on its way
    Microsoft::WRL::ComPtr<IMessageFilter> previous_;
    bool registered_ = false;
    std::unique_ptr<std::remove_pointer_t<HWND>, WindowDestroyer> window_;
    std::atomic<DWORD> outSince_{0};  // when the outermost call out began
    std::atomic<bool> tickPending_{false};
    // Last, so that the timer and its callbacks end before the rest.
    std::unique_ptr<TP_TIMER, TimerCloser> timer_;
};

ThreadWaits::ThreadWaits(const BusyContext& context) : context_(context) {
    registered_ = SUCCEEDED(CoRegisterMessageFilter(this, previous_.GetAddressOf()));
    // A window that draws nothing, for the timer's messages. Without it, or
    // without the timer, a host that does not answer goes unseen.
    const WNDCLASSW tickClass{0,       &TickProcedure, 0,       0,       GetModuleHandleW(nullptr),
                              nullptr, nullptr,        nullptr, nullptr, kTickClass};
    RegisterClassW(&tickClass);
    window_.reset(CreateWindowExW(0, kTickClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr));
    if (!window_) return;
    SetWindowLongPtrW(window_.get(), GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    timer_.reset(CreateThreadpoolTimer(&ThreadWaits::TimerFired, this, nullptr));
    if (!timer_) return;
    // A due time relative to now, in 100-nanosecond units, is negative.
    ULARGE_INTEGER due{};
    due.QuadPart = static_cast<ULONGLONG>(-static_cast<LONGLONG>(kTick.count()) * 10'000);
    FILETIME dueTime{due.LowPart, due.HighPart};
    SetThreadpoolTimer(timer_.get(), &dueTime, static_cast<DWORD>(kTick.count()), 0);
}

HRESULT CallWhileBusy(FunctionRef<HRESULT()> request, CallBound bound) {
    return threadWaits ? threadWaits->Call(request, bound == CallBound::Last) : request();
}

void ReleaseWhileBusy(FunctionRef<void()> release, FunctionRef<void()> abandon) noexcept {
    threadWaits ? threadWaits->Drop(release, abandon) : release();
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
