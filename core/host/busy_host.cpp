#include "core/host/busy_host.h"

#include <algorithm>

#include "core/host/error_mapping.h"

namespace marsitel::host {
namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

constexpr milliseconds kFirstPause{100};
constexpr milliseconds kLongestPause{1000};
// RetryRejectedCall: -1 cancels the call; from 100 on, COM waits that many
// milliseconds before it retries.
constexpr DWORD kCancelCall = static_cast<DWORD>(-1);

std::atomic<long long> busyLimitMs{kDefaultBusyLimit.count()};

// What the waits of one thread share. Trivial, so that it needs no
// construction per thread.
struct ThreadBusyState {
    BusyNotice* notice = nullptr;
    bool noticeShown = false;
    bool shortBound = false;
    BusyWait* current = nullptr;
};

thread_local ThreadBusyState threadState;

milliseconds LimitInForce() {
    return threadState.shortBound ? std::min(kShortBusyLimit, BusyLimit()) : BusyLimit();
}

bool StopRequested() noexcept {
    return threadState.noticeShown && threadState.notice->StopRequested();
}

}  // namespace

milliseconds BusyLimit() { return milliseconds(busyLimitMs.load()); }

void SetBusyLimit(milliseconds limit) { busyLimitMs.store(limit.count()); }

std::optional<milliseconds> BusyRetryPause(milliseconds elapsed) {
    const auto limit = LimitInForce();
    if (elapsed >= limit) return std::nullopt;
    const auto pause = std::clamp(elapsed / 2, kFirstPause, kLongestPause);
    // The last pause ends at the bound, so that the call is tried once more then.
    return std::min(pause, std::max(limit - elapsed, kFirstPause));
}

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

void ServeWhileWaiting() noexcept {
    // Peeking also delivers the messages sent from other threads.
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE | PM_QS_PAINT)) DispatchMessageW(&message);
    if (threadState.noticeShown) threadState.notice->ServeInput();
}

BusyWait::BusyWait() noexcept : start_(Clock::now()), outer_(threadState.current) {
    threadState.current = this;
}

BusyWait::~BusyWait() {
    if (showsNotice_) {
        threadState.noticeShown = false;
        threadState.notice->Hide();
    }
    threadState.current = outer_;
}

milliseconds BusyWait::Elapsed() const noexcept {
    return std::chrono::duration_cast<milliseconds>(Clock::now() - start_);
}

std::nullopt_t BusyWait::End(BusyEnd end) noexcept {
    end_ = end;
    return std::nullopt;
}

std::optional<milliseconds> BusyWait::Decide(milliseconds elapsed, bool refusedForGood) noexcept {
    if (refusedForGood) return End(BusyEnd::RefusedForGood);
    if (StopRequested()) return End(BusyEnd::Stopped);
    const auto pause = BusyRetryPause(elapsed);
    if (!pause) return End(BusyEnd::BoundReached);
    if (elapsed >= kBusyNoticeDelay && !threadState.shortBound && threadState.notice && !threadState.noticeShown) {
        threadState.notice->Show();
        threadState.noticeShown = true;
        showsNotice_ = true;
    }
    return pause;
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
    case BusyEnd::BoundReached:
        throw HostStayedBusyError(status);
    }
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
        pause = wait->Decide(elapsed, refusedForGood);
    } else if (!refusedForGood) {
        pause = BusyRetryPause(elapsed);
    }
    return pause ? static_cast<DWORD>(pause->count()) : kCancelCall;
}

// COM dispatches paint itself when told to wait, and drops or keeps input;
// what else may run while a call waits is served here.
DWORD STDMETHODCALLTYPE BusyMessageFilter::MessagePending(HTASK, DWORD, DWORD) noexcept {
    ServeWhileWaiting();
    return PENDINGMSG_WAITDEFPROCESS;
}

BusyFilterScope::BusyFilterScope() {
    registered_ = SUCCEEDED(CoRegisterMessageFilter(&filter_, previous_.GetAddressOf()));
}

BusyFilterScope::~BusyFilterScope() {
    if (!registered_) return;
    Microsoft::WRL::ComPtr<IMessageFilter> ours;
    CoRegisterMessageFilter(previous_.Get(), ours.GetAddressOf());
}

}  // namespace marsitel::host
