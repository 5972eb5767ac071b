#include "core/host/busy_host.h"

#include <algorithm>

namespace marsitel::host {
namespace {

constexpr std::chrono::milliseconds kFirstPause{100};
constexpr std::chrono::milliseconds kLongestPause{1000};
// RetryRejectedCall: -1 cancels the call; from 100 on, COM waits that many
// milliseconds before it retries.
constexpr DWORD kCancelCall = static_cast<DWORD>(-1);

std::atomic<long long> busyLimitMs{kDefaultBusyLimit.count()};

}  // namespace

std::chrono::milliseconds BusyLimit() { return std::chrono::milliseconds(busyLimitMs.load()); }

void SetBusyLimit(std::chrono::milliseconds limit) { busyLimitMs.store(limit.count()); }

std::optional<std::chrono::milliseconds> BusyRetryPause(std::chrono::milliseconds elapsed) {
    const auto limit = BusyLimit();
    if (elapsed >= limit) return std::nullopt;
    const auto pause = std::clamp(elapsed / 2, kFirstPause, kLongestPause);
    // The last pause ends at the bound, so that the call is tried once more then.
    return std::min(pause, std::max(limit - elapsed, kFirstPause));
}

bool IsBusyRejection(HRESULT status) {
    return status == RPC_E_CALL_REJECTED || status == RPC_E_SERVERCALL_RETRYLATER;
}

void WaitOutBusyPause(std::chrono::milliseconds pause) {
    using Clock = std::chrono::steady_clock;
    const auto end = Clock::now() + pause;
    for (;;) {
        // Peeking also delivers the messages sent from other threads.
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE | PM_QS_PAINT)) DispatchMessageW(&message);
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(end - Clock::now());
        if (left.count() <= 0) return;
        MsgWaitForMultipleObjectsEx(0, nullptr, static_cast<DWORD>(left.count()), QS_PAINT | QS_SENDMESSAGE, 0);
    }
}

HRESULT STDMETHODCALLTYPE BusyMessageFilter::QueryInterface(REFIID iid, void** object) {
    if (!object) return E_POINTER;
    if (iid == IID_IUnknown || iid == IID_IMessageFilter) {
        *object = static_cast<IMessageFilter*>(this);
        AddRef();
        return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
}

ULONG STDMETHODCALLTYPE BusyMessageFilter::AddRef() { return ++references_; }

ULONG STDMETHODCALLTYPE BusyMessageFilter::Release() { return --references_; }

DWORD STDMETHODCALLTYPE BusyMessageFilter::HandleInComingCall(DWORD, HTASK, DWORD, INTERFACEINFO*) {
    return SERVERCALL_ISHANDLED;
}

DWORD STDMETHODCALLTYPE BusyMessageFilter::RetryRejectedCall(HTASK, DWORD tickCount, DWORD rejectType) {
    if (rejectType != SERVERCALL_RETRYLATER) return kCancelCall;
    const auto pause = BusyRetryPause(std::chrono::milliseconds(tickCount));
    if (!pause) return kCancelCall;
    ++retriesGranted_;
    return static_cast<DWORD>(pause->count());
}

DWORD STDMETHODCALLTYPE BusyMessageFilter::MessagePending(HTASK, DWORD, DWORD) {
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
