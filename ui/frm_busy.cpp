#include "ui/frm_busy.h"

#include "core/app_title.h"
#include "core/input_queue.h"
#include "ui/control_ids.h"

namespace marsitel::ui {
namespace {

// A caption without control box: the notice goes by itself, or by its
// button. Owned by the hidden window, so it stays out of the taskbar.
const WindowClassDef kBusyWindowClass{kBusyClass, 0, COLOR_BTNFACE};
constexpr DWORD kBusyStyle = WS_POPUP | WS_CAPTION | WS_CLIPCHILDREN;
constexpr DWORD kBusyExStyle = WS_EX_DLGMODALFRAME | WS_EX_TOPMOST | WS_EX_CONTROLPARENT;

const ControlDef kBusyControls[] = {
    {ControlKind::PushButton, busy_id::cmdCancel, {1852, 1200, 1695, 375}, L"Abbrechen", &kSansBold825},
    {ControlKind::Label, busy_id::lblBusy, {240, 240, 4920, 780},
     L"Solid Edge ist beschäftigt. Ist dort noch ein Dialog offen? Marsitel wartet, bis Solid Edge wieder "
     L"antwortet.",
     nullptr},
};

const TwipsRect kBusyClientTwips{0, 0, 5400, 1755};

constexpr UINT kRedrawAll = RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW;

bool IsNonClientMouse(UINT message) {
    return message >= WM_NCMOUSEMOVE && message <= WM_NCXBUTTONDBLCLK;
}

}  // namespace

void frmBusy::Create() {
    const SIZE client{layout_.Pixels(kBusyClientTwips.width), layout_.Pixels(kBusyClientTwips.height)};
    const TopLevelDef def{&kBusyWindowClass, kAppTitle, kBusyStyle, kBusyExStyle, HiddenOwnerWindow()};
    CreateTopLevel(def, CentredOuterRect(client, kBusyStyle, kBusyExStyle));
    controls_.Create(hwnd(), kBusyControls, layout_);
}

void frmBusy::Show() noexcept {
    try {
        if (!hwnd()) Create();
    } catch (...) {
        // Without its notice the wait goes on as before: unseen, bounded.
        Destroy();
        return;
    }
    // What was typed before the notice came does not press its button.
    DiscardPendingInput();
    stopRequested_ = false;
    const HWND button = controls_.Handle(busy_id::cmdCancel);
    EnableWindow(button, TRUE);
    before_ = GetActiveWindow();
    SetWindowPos(hwnd(), HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_SHOWWINDOW);
    SetForegroundWindow(hwnd());
    SetFocus(button);
    // No message loop runs while the host is waited for: the notice is
    // drawn now.
    RedrawWindow(hwnd(), nullptr, nullptr, kRedrawAll);
}

void frmBusy::Hide() noexcept {
    if (!hwnd() || !IsWindowVisible(hwnd())) return;
    const bool wasActive = GetActiveWindow() == hwnd();
    ShowWindow(hwnd(), SW_HIDE);
    if (wasActive && before_ && IsWindowVisible(before_)) SetForegroundWindow(before_);
    before_ = nullptr;
}

void frmBusy::ServeInput() noexcept {
    if (!hwnd() || !IsWindowVisible(hwnd())) return;
    // Whether a window filter takes in the window's children differs between
    // systems; the button is asked for by its own handle as well.
    const HWND targets[] = {hwnd(), controls_.Handle(busy_id::cmdCancel)};
    MSG message;
    for (const HWND target : targets) {
        while (hwnd() && PeekMessageW(&message, target, 0, 0, PM_REMOVE)) Route(message);
    }
}

void frmBusy::Route(MSG& message) noexcept {
    // Dragging the caption would hold the thread in the system's move loop
    // while the host call waits.
    if (IsNonClientMouse(message.message)) return;
    if (IsDialogMessageW(hwnd(), &message)) return;
    TranslateMessage(&message);
    DispatchMessageW(&message);
}

void frmBusy::cmdCancel_Click() {
    stopRequested_ = true;
    // Pressed once is enough; the notice goes when the wait has ended.
    EnableWindow(controls_.Handle(busy_id::cmdCancel), FALSE);
}

LRESULT frmBusy::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_COMMAND:
        // The button, Enter and Escape, all stop the wait.
        switch (LOWORD(wParam)) {
        case busy_id::cmdCancel:
        case IDOK:
        case IDCANCEL:
            cmdCancel_Click();
            return 0;
        default:
            break;
        }
        break;
    case WM_CLOSE:
        // Alt+F4: as the button; the notice itself stays until the wait ends.
        cmdCancel_Click();
        return 0;
    case WM_DRAWITEM:
        if (controls_.DrawItem(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam))) return TRUE;
        break;
    case WM_ACTIVATE:
        if (LOWORD(wParam) != WA_INACTIVE) SetFocus(controls_.Handle(busy_id::cmdCancel));
        return 0;
    default:
        break;
    }
    return DefaultHandling(message, wParam, lParam);
}

}  // namespace marsitel::ui
