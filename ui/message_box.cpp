#include "ui/message_box.h"

#include <string>

#include "core/base/app_title.h"

namespace marsitel::ui {
namespace {

struct MessageRange {
    UINT first;
    UINT last;
};

// Touch arrives as WM_TOUCH from Windows 7 on, pen and touch as pointer
// messages from Windows 8 on. The program is built for Windows 7, whose
// headers do not name the pointer messages, hence the numbers.
constexpr UINT kFirstPointerMessage = 0x0238;  // WM_POINTERDEVICECHANGE
constexpr UINT kLastPointerMessage = 0x0253;   // WM_POINTERROUTEDRELEASED; WM_TOUCH (0x0240) lies between

constexpr MessageRange kInputMessages[] = {
    {WM_KEYFIRST, WM_KEYLAST},
    {WM_MOUSEFIRST, WM_MOUSELAST},
    {WM_NCMOUSEMOVE, WM_NCXBUTTONDBLCLK},
    {WM_GESTURE, WM_GESTURE},
    {kFirstPointerMessage, kLastPointerMessage},
};

std::wstring ReadinessWarning(HostReadiness found) {
    if (found == HostReadiness::NoAssemblyActive) return L"Kein Assembly-Dokument aktiv";
    std::wstring warning = std::wstring(kHostName) + L" läuft ja gar nicht!";
    if (found == HostReadiness::NotRunningSeenElevated) {
        warning += L" " + std::wstring(kAppTitle) + L" läuft mit Administratorrechten und erreicht kein " + kHostName +
                   L", das ohne Administratorrechte gestartet wurde.";
    }
    return warning;
}

}  // namespace

void DiscardPendingInput() noexcept {
    // PeekMessage takes in what has reached the system for this thread
    // before it answers, on Windows and, through its display driver, under
    // Wine: nothing typed before this call is left behind.
    MSG message;
    for (const MessageRange& range : kInputMessages) {
        while (PeekMessageW(&message, nullptr, range.first, range.last, PM_REMOVE)) {
        }
    }
}

int ShowFreshMessageBox(HWND owner, const wchar_t* text, const wchar_t* caption, UINT flags) noexcept {
    DiscardPendingInput();
    return MessageBoxW(owner, text, caption, flags);
}

void ShowFreshWarning(const wchar_t* text) noexcept {
    ShowFreshMessageBox(nullptr, text, kAppTitle, MB_ICONEXCLAMATION | MB_OK | MB_TOPMOST | MB_SETFOREGROUND);
}

bool WarnUnlessReady(HostReadiness found) {
    if (found == HostReadiness::Ready) return true;
    ShowFreshWarning(ReadinessWarning(found).c_str());
    return false;
}

}  // namespace marsitel::ui
