#include "ui/message_box.h"

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

const wchar_t* ReadinessWarning(HostReadiness found) noexcept {
    switch (found) {
    case HostReadiness::NotRunning:
        return L"Solid Edge läuft ja gar nicht!";
    case HostReadiness::NotRunningSeenElevated:
        return L"Solid Edge läuft ja gar nicht! Marsitel läuft mit Administratorrechten und erreicht kein Solid Edge, "
               L"das ohne Administratorrechte gestartet wurde.";
    default:
        return L"Kein Assembly-Dokument aktiv";
    }
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

bool WarnUnlessReady(HostReadiness found) noexcept {
    if (found == HostReadiness::Ready) return true;
    ShowFreshWarning(ReadinessWarning(found));
    return false;
}

}  // namespace marsitel::ui
