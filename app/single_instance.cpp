#include "app/single_instance.h"

#include "shared/unique_handle.h"
#include "ui/control_ids.h"

#include <windows.h>

#include <iterator>
#include <string_view>

namespace marsitel {
namespace {

// Local: per session, so that users of one machine do not meet.
constexpr wchar_t kClaimName[] = L"Local\\Marsitel.Instance";
constexpr const wchar_t* kOwnClasses[] = {ui::kSplashClass, ui::kDialogClass, ui::kProgressClass};
// The running copy may be between two windows (the splash gone, the dialog
// not yet created): how often and how long to look for its next one.
constexpr int kLooks = 100;
constexpr DWORD kLookIntervalMs = 50;

// The first copy's claim, held until the process ends; ending abandons it.
UniqueHandle& Claim() {
    static UniqueHandle claim;
    return claim;
}

DWORD ProcessOf(HWND window) noexcept {
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    return process;
}

bool IsOwnClass(HWND window) noexcept {
    wchar_t name[64] = {};
    if (!GetClassNameW(window, name, static_cast<int>(std::size(name)))) return false;
    for (const wchar_t* own : kOwnClasses) {
        if (std::wstring_view(name) == own) return true;
    }
    return false;
}

struct CopySearch {
    DWORD found = 0;
};

BOOL CALLBACK FindOtherCopy(HWND window, LPARAM param) noexcept {
    if (!IsOwnClass(window) || ProcessOf(window) == GetCurrentProcessId()) return TRUE;
    reinterpret_cast<CopySearch*>(param)->found = ProcessOf(window);
    return FALSE;
}

// The process of another copy's window, hidden ones included (the dialog is
// hidden while its load step shows a warning).
DWORD RunningCopy() noexcept {
    CopySearch search;
    EnumWindows(FindOtherCopy, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

struct FrontSearch {
    DWORD process;
    HWND found = nullptr;
};

BOOL CALLBACK FindFront(HWND window, LPARAM param) noexcept {
    auto& search = *reinterpret_cast<FrontSearch*>(param);
    if (ProcessOf(window) != search.process || !IsWindowVisible(window)) return TRUE;
    search.found = window;
    return FALSE;
}

// The process's visible top-level window nearest the top of the z-order,
// whichever it is: what the user last saw of that copy.
HWND FrontWindowOf(DWORD process) noexcept {
    if (!process) return nullptr;
    FrontSearch search{process};
    EnumWindows(FindFront, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

// A program the user has just started may set the foreground window.
void BringToFront(HWND window) noexcept {
    if (IsIconic(window)) ShowWindow(window, SW_RESTORE);
    SetForegroundWindow(window);
}

bool TakeOver(UniqueHandle claim) noexcept {
    Claim() = std::move(claim);
    return false;
}

// True when the running copy has ended and left the claim to this one.
bool ClaimLeftToUs(const UniqueHandle& claim) noexcept {
    if (!claim) return false;
    const DWORD wait = WaitForSingleObject(claim.get(), 0);
    return wait == WAIT_OBJECT_0 || wait == WAIT_ABANDONED;
}

}  // namespace

ClaimAnswer ClaimAnswerOf(bool created, DWORD lastError) noexcept {
    if (created) return lastError == ERROR_ALREADY_EXISTS ? ClaimAnswer::AnotherCopy : ClaimAnswer::First;
    return lastError == ERROR_ACCESS_DENIED ? ClaimAnswer::AnotherCopy : ClaimAnswer::Unknown;
}

bool HandedOverToRunningCopy() noexcept {
    UniqueHandle claim(CreateMutexW(nullptr, TRUE, kClaimName));
    switch (ClaimAnswerOf(claim != nullptr, GetLastError())) {
    case ClaimAnswer::First:
        return TakeOver(std::move(claim));
    case ClaimAnswer::Unknown:
        // No telling: the program runs as it always did.
        return false;
    case ClaimAnswer::AnotherCopy:
        break;
    }
    for (int look = 0; look < kLooks; ++look) {
        // The running copy has ended meanwhile: this one is the first now.
        if (ClaimLeftToUs(claim)) return TakeOver(std::move(claim));
        if (const HWND front = FrontWindowOf(RunningCopy())) {
            BringToFront(front);
            return true;
        }
        Sleep(kLookIntervalMs);
    }
    return true;
}

}  // namespace marsitel
