#include "app/single_instance.h"

#include <windows.h>

#include <sddl.h>

#include <memory>
#include <utility>

#include "shared/control_ids.h"
#include "shared/unique_handle.h"
#include "ui/message_box.h"
#include "ui/window.h"

namespace marsitel {
namespace {

// How long to look for the running copy's next window, and how often: it may
// be between two windows, or in its load step's check before a notice shows.
// Time, not a number of looks, which a loaded machine stretches.
constexpr std::chrono::milliseconds kLookPeriod{5000};
constexpr DWORD kLookIntervalMs = 50;

struct LocalFreer {
    void operator()(wchar_t* text) const noexcept { LocalFree(text); }
};

DWORD ProcessOf(HWND window) noexcept {
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    return process;
}

// What the user last saw of another copy: its visible window nearest the top.
// That copy is known by a window of one of its classes, hidden ones included
// (the dialog is hidden while its load step shows a warning).
HWND FrontWindowOfRunningCopy() {
    const HWND known = ui::FindTopLevelWindow([](HWND window) {
        return ui::HasClass(window, ui::kSplashClass) || ui::HasClass(window, ui::kDialogClass) ||
               ui::HasClass(window, ui::kProgressClass);
    });
    if (!known) return nullptr;
    const DWORD copy = ProcessOf(known);
    return ui::FindTopLevelWindow([copy](HWND window) { return ProcessOf(window) == copy && IsWindowVisible(window); });
}

// A program the user has just started may set the foreground window. The
// running copy may not answer: ShowWindow would send it the restore and
// wait for it, ShowWindowAsync only posts it.
void BringToFront(HWND window) noexcept {
    if (IsIconic(window)) ShowWindowAsync(window, SW_RESTORE);
    SetForegroundWindow(window);
}

}  // namespace

std::wstring ClaimNameOfThisUser() {
    HANDLE token = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) return {};
    const UniqueHandle ownedToken(token);
    alignas(TOKEN_USER) BYTE user[sizeof(TOKEN_USER) + SECURITY_MAX_SID_SIZE];
    DWORD size = 0;
    if (!GetTokenInformation(token, TokenUser, user, sizeof user, &size)) return {};
    wchar_t* sid = nullptr;
    if (!ConvertSidToStringSidW(reinterpret_cast<const TOKEN_USER*>(user)->User.Sid, &sid)) return {};
    const std::unique_ptr<wchar_t, LocalFreer> ownedSid(sid);
    return L"Local\\Marsitel.Instance." + std::wstring(sid);
}

bool HeldByAnotherCopy(bool created, DWORD lastError) noexcept {
    return created ? lastError == ERROR_ALREADY_EXISTS : lastError == ERROR_ACCESS_DENIED;
}

LookStep StepAfterLook(std::chrono::steady_clock::duration looked, bool windowFound) noexcept {
    if (windowFound) return LookStep::BringForward;
    return looked < kLookPeriod ? LookStep::LookAgain : LookStep::SayNoWindow;
}

// Each look tries the claim anew and lets go of it again: a copy that ends
// meanwhile leaves it to this start, even one whose claim was closed to it.
std::optional<int> HandOverToRunningCopy(UniqueHandle& claim) noexcept {
    try {
        // Without the user, no telling: the program runs as before the claim.
        const std::wstring name = ClaimNameOfThisUser();
        if (name.empty()) return std::nullopt;
        const auto start = std::chrono::steady_clock::now();
        for (;;) {
            UniqueHandle tried(CreateMutexW(nullptr, TRUE, name.c_str()));
            if (!HeldByAnotherCopy(tried != nullptr, GetLastError())) {
                claim = std::move(tried);
                return std::nullopt;
            }
            const HWND front = FrontWindowOfRunningCopy();
            switch (StepAfterLook(std::chrono::steady_clock::now() - start, front != nullptr)) {
            case LookStep::BringForward:
                BringToFront(front);
                return 0;
            case LookStep::SayNoWindow:
                ui::ShowFreshWarning(
                    L"Marsitel läuft bereits, zeigt aber kein Fenster. Warten Sie einen Moment, oder beenden Sie die "
                    L"andere Marsitel-Instanz im Task-Manager.");
                return 1;
            case LookStep::LookAgain:
                Sleep(kLookIntervalMs);
                break;
            }
        }
    } catch (...) {
        // Out of memory this early: the program runs, and meets it again.
        return std::nullopt;
    }
}

}  // namespace marsitel
