#pragma once
// A CAD host rejects incoming calls while it is busy (a modal dialog, a long
// recompute). Rejected calls are retried silently with a growing pause, for
// a bounded time, and only then fail.
#include <windows.h>
#include <objbase.h>

#include <atomic>
#include <chrono>
#include <optional>

#include <wrl/client.h>

namespace marsitel::host {

inline constexpr std::chrono::milliseconds kDefaultBusyLimit{60'000};

// The bound applies to every host call of the process; tests shorten it.
std::chrono::milliseconds BusyLimit();
void SetBusyLimit(std::chrono::milliseconds limit);

// The pause before the next attempt of a call that the host has been
// rejecting for `elapsed`: it grows with the time already waited, so that a
// short hiccup costs little and a long recompute is not flooded with calls;
// none once the bound is used up.
std::optional<std::chrono::milliseconds> BusyRetryPause(std::chrono::milliseconds elapsed);

bool IsBusyRejection(HRESULT status);

// Waits out one pause before a busy call is tried again. The caller is the
// user-interface thread: paint messages, and messages that other threads
// send, are served meanwhile, so that the progress window stays drawn and
// the program does not count as not responding; input (keys, clicks) and
// posted messages stay queued.
void WaitOutBusyPause(std::chrono::milliseconds pause);

// Our OLE message filter. COM consults it for calls the host rejects; it
// answers from BusyRetryPause. Its lifetime is that of the scope that
// registered it, so its reference count only guards against misuse.
class BusyMessageFilter final : public IMessageFilter {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;
    DWORD STDMETHODCALLTYPE HandleInComingCall(DWORD callType, HTASK caller, DWORD tickCount,
                                               INTERFACEINFO* interfaceInfo) override;
    DWORD STDMETHODCALLTYPE RetryRejectedCall(HTASK callee, DWORD tickCount, DWORD rejectType) override;
    DWORD STDMETHODCALLTYPE MessagePending(HTASK callee, DWORD tickCount, DWORD pendingType) override;

    int RetriesGranted() const noexcept { return retriesGranted_; }

private:
    std::atomic<ULONG> references_{0};
    int retriesGranted_ = 0;
};

// Registers a BusyMessageFilter for the calling thread while it lives and
// puts back whatever filter was registered before. In a thread that is not
// a single-threaded apartment COM refuses filters; calls are then still
// retried by the dispatch layer itself.
class BusyFilterScope {
public:
    BusyFilterScope();
    ~BusyFilterScope();
    BusyFilterScope(const BusyFilterScope&) = delete;
    BusyFilterScope& operator=(const BusyFilterScope&) = delete;

    const BusyMessageFilter& filter() const noexcept { return filter_; }

private:
    BusyMessageFilter filter_;
    Microsoft::WRL::ComPtr<IMessageFilter> previous_;
    bool registered_ = false;
};

}  // namespace marsitel::host
