#include "app/single_instance.h"

#include <windows.h>

#include <sddl.h>

#include <chrono>
#include <iterator>
#include <memory>
#include <utility>
#include <vector>

#include "core/base/input_queue.h"
#include "shared/unique_handle.h"
#include "ui/control_ids.h"

namespace marsitel {
namespace {

// Local: per session. The user's SID follows, since Windows names objects
// per session, not per user.
constexpr wchar_t kClaimPrefix[] = L"Local\\Marsitel.Instance.";
constexpr const wchar_t* kOwnClasses[] = {ui::kSplashClass, ui::kDialogClass, ui::kProgressClass};
// The running copy may be between two windows (the splash gone, the dialog
// not yet created), or in the load step's readiness check before its
// notice shows: how long to look for its next window, and how often. The
// period is time, not a number of looks, which a loaded machine stretches.
constexpr std::chrono::milliseconds kLookPeriod{5000};
constexpr DWORD kLookIntervalMs = 50;
constexpr wchar_t kShowsNoWindow[] =
    L"Marsitel läuft bereits, zeigt aber kein Fenster. Warten Sie einen Moment, "
    L"oder beenden Sie die andere Marsitel-Instanz im Task-Manager.";

// Memory that the system allocated with LocalAlloc for its caller.
struct LocalFreer {
    void operator()(void* memory) const noexcept { LocalFree(memory); }
};
using LocalMemory = std::unique_ptr<void, LocalFreer>;

// The first copy's claim, held until the process ends; ending abandons it.
UniqueHandle& Claim() {
    static UniqueHandle claim;
    return claim;
}

// The SID of the user this program runs as, in its string form; empty when
// the token does not tell.
std::wstring UserSid() {
    HANDLE token = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) return {};
    const UniqueHandle ownedToken(token);
    DWORD size = 0;
    GetTokenInformation(token, TokenUser, nullptr, 0, &size);
    std::vector<BYTE> user(size);
    if (size == 0 || !GetTokenInformation(token, TokenUser, user.data(), size, &size)) return {};
    wchar_t* sid = nullptr;
    if (!ConvertSidToStringSidW(reinterpret_cast<const TOKEN_USER*>(user.data())->User.Sid, &sid)) return {};
    const LocalMemory ownedSid(sid);
    return sid;
}

struct CreatedClaim {
    UniqueHandle handle;
    DWORD lastError;
};

// The claim grants its user every access. A copy with administrator rights
// gives it a high integrity label, and the label's no-write-up leaves a copy
// without those rights SYNCHRONIZE (an execute access): enough to see that
// copy end. The elevated token's default DACL would grant the user nothing.
CreatedClaim CreateClaim(const std::wstring& name, const std::wstring& sid) {
    const std::wstring userOnly = L"D:(A;;GA;;;" + sid + L")";
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    ConvertStringSecurityDescriptorToSecurityDescriptorW(userOnly.c_str(), SDDL_REVISION_1, &descriptor, nullptr);
    const LocalMemory ownedDescriptor(descriptor);
    SECURITY_ATTRIBUTES attributes{sizeof attributes, descriptor, FALSE};
    UniqueHandle claim(CreateMutexW(descriptor ? &attributes : nullptr, TRUE, name.c_str()));
    return {std::move(claim), GetLastError()};
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

// A program the user has just started may set the foreground window. The
// running copy may not answer: ShowWindow would send it the restore and
// wait for it, ShowWindowAsync only posts it.
void BringToFront(HWND window) noexcept {
    if (IsIconic(window)) ShowWindowAsync(window, SW_RESTORE);
    SetForegroundWindow(window);
}

// True when the running copy has ended and left the claim to this one.
bool ClaimLeftToUs(const UniqueHandle& claim) noexcept {
    if (!claim) return false;
    const DWORD wait = WaitForSingleObject(claim.get(), 0);
    return wait == WAIT_OBJECT_0 || wait == WAIT_ABANDONED;
}

std::optional<int> LookForRunningCopy(UniqueHandle claim) noexcept {
    using std::chrono::steady_clock;
    const auto start = steady_clock::now();
    for (;;) {
        const auto looked = std::chrono::duration_cast<std::chrono::milliseconds>(steady_clock::now() - start);
        const bool claimLeft = ClaimLeftToUs(claim);
        const HWND front = FrontWindowOf(RunningCopy());
        switch (StepAfterLook(looked, claimLeft, front != nullptr)) {
        case LookStep::TakeOver:
            Claim() = std::move(claim);
            return std::nullopt;
        case LookStep::BringForward:
            BringToFront(front);
            return 0;
        case LookStep::SayNoWindow:
            ShowFreshWarning(kShowsNoWindow);
            return 1;
        case LookStep::LookAgain:
            Sleep(kLookIntervalMs);
            break;
        }
    }
}

}  // namespace

std::wstring ClaimNameFor(std::wstring_view sid) {
    return kClaimPrefix + std::wstring(sid);
}

std::wstring ClaimNameOfThisUser() {
    const std::wstring sid = UserSid();
    return sid.empty() ? std::wstring() : ClaimNameFor(sid);
}

ClaimStep StepAfterCreate(bool created, DWORD lastError) noexcept {
    if (created) return lastError == ERROR_ALREADY_EXISTS ? ClaimStep::LookForCopy : ClaimStep::Start;
    return lastError == ERROR_ACCESS_DENIED ? ClaimStep::OpenForSynchronize : ClaimStep::Start;
}

LookStep StepAfterLook(std::chrono::milliseconds looked, bool claimLeft, bool windowFound) noexcept {
    if (claimLeft) return LookStep::TakeOver;
    if (windowFound) return LookStep::BringForward;
    return looked < kLookPeriod ? LookStep::LookAgain : LookStep::SayNoWindow;
}

std::optional<int> HandOverToRunningCopy() noexcept {
    try {
        // Without the user there is no telling: the program runs as it did
        // before there was a claim.
        const std::wstring sid = UserSid();
        if (sid.empty()) return std::nullopt;
        const std::wstring name = ClaimNameFor(sid);
        CreatedClaim claim = CreateClaim(name, sid);
        switch (StepAfterCreate(claim.handle != nullptr, claim.lastError)) {
        case ClaimStep::Start:
            Claim() = std::move(claim.handle);
            return std::nullopt;
        case ClaimStep::OpenForSynchronize:
            claim.handle.reset(OpenMutexW(SYNCHRONIZE, FALSE, name.c_str()));
            break;
        case ClaimStep::LookForCopy:
            break;
        }
        return LookForRunningCopy(std::move(claim.handle));
    } catch (...) {
        // Out of memory this early: the program runs, and meets it again.
        return std::nullopt;
    }
}

}  // namespace marsitel
