#include "ui/busy_notice_window.h"

#include <algorithm>
#include <string>

#include "core/base/app_title.h"
#include "shared/control_ids.h"
#include "ui/frm_progress.h"
#include "ui/message_box.h"
#include "ui/program_end.h"

namespace marsitel::ui {
namespace {

// A caption without control box: the notice goes by itself, or by its
// button. Unowned and an application window, so that the taskbar and Alt+Tab
// list it.
const WindowClassDef kBusyWindowClass{kBusyClass, 0, COLOR_BTNFACE};
constexpr DWORD kBusyStyle = WS_POPUP | WS_CAPTION | WS_CLIPCHILDREN;
constexpr DWORD kBusyExStyle = WS_EX_DLGMODALFRAME | WS_EX_TOPMOST | WS_EX_CONTROLPARENT | WS_EX_APPWINDOW;

const ControlDef kBusyControls[] = {
    {ControlKind::PushButton, busy_id::kCancelButton, {1852, 1335, 1695, 375}, L"Abbrechen", &kSansBold825},
    {ControlKind::Label, busy_id::kText, {240, 240, 4920, 975}, L"", nullptr},
};

// What the program waits for, what the button does and how long the wait
// lasts at most: a minute for a host that refuses calls, and no bound for
// one that computes. Once the wait has ended, that the program ends.
std::wstring BusyText(host::BusyReason reason) {
    const std::wstring host = kHostName;
    const std::wstring program = kAppTitle;
    if (reason == host::BusyReason::Ending) return program + L" wird beendet \u2026";
    const std::wstring waiting = reason == host::BusyReason::Refusing
                                     ? host + L" ist beschäftigt. Ist dort noch ein Dialog offen? " + program +
                                           L" wartet höchstens eine Minute, bis " + host + L" wieder antwortet."
                                     : host + L" antwortet nicht. Vielleicht rechnet es noch. " + program +
                                           L" wartet, bis " + host + L" antwortet.";
    return waiting + L" „Abbrechen“ beendet " + program + L"; was bis dahin geändert wurde, bleibt geändert.";
}

const TwipsRect kBusyClientTwips{0, 0, 5400, 1875};

// The progress window of this thread while a run shows it.
HWND VisibleProgressWindow() noexcept {
    return FindTopLevelWindow(GetCurrentThreadId(),
                              [](HWND window) { return HasClass(window, kProgressClass) && IsWindowVisible(window); });
}

}  // namespace

RECT NoticeRectBeside(const RECT& anchor, SIZE size, const RECT& work) noexcept {
    LONG top = anchor.bottom;
    if (top + size.cy > work.bottom) top = anchor.top - size.cy;
    const LONG left = std::max(work.left, std::min(anchor.left, work.right - size.cx));
    top = std::max(work.top, std::min(top, work.bottom - size.cy));
    return RECT{left, top, left + size.cx, top + size.cy};
}

// Below the progress window during a run; at start-up, where the progress
// window stands during a run.
POINT BusyNoticeWindow::Place() const noexcept {
    RECT outer{};
    GetWindowRect(hwnd(), &outer);
    const SIZE size{outer.right - outer.left, outer.bottom - outer.top};
    RECT anchor{};
    if (const HWND progress = VisibleProgressWindow()) {
        GetWindowRect(progress, &anchor);
    } else {
        const POINT corner{layout_.Pixels(kProgressCornerTwips.x), layout_.Pixels(kProgressCornerTwips.y)};
        anchor = RECT{corner.x, corner.y, corner.x + size.cx, corner.y};
    }
    const RECT place = NoticeRectBeside(anchor, size, WorkAreaOf(MonitorFromRect(&anchor, MONITOR_DEFAULTTONEAREST)));
    return POINT{place.left, place.top};
}

// Without its window the wait goes on as before: unseen.
void BusyNoticeWindow::Prepare() noexcept {
    try {
        if (hwnd()) return;
        CreateForm(
            {{&kBusyWindowClass, kAppTitle, kBusyStyle, kBusyExStyle, nullptr}, kBusyClientTwips, true, kBusyControls});
    } catch (...) {
        Destroy();
    }
}

void BusyNoticeWindow::Show(host::BusyReason reason, Owner& owner) noexcept {
    Prepare();
    try {
        controls_.SetText(busy_id::kText, BusyText(reason));
    } catch (...) {
        Destroy();
        return;
    }
    owner_ = &owner;
    EnableWindow(controls_.Handle(busy_id::kCancelButton), reason != host::BusyReason::Ending);
    if (!IsWindowVisible(hwnd())) {
        // What was typed before the notice came does not press its button.
        // The foreground and its focus stay where the user has them, most
        // likely in the host's own dialog: the notice is activated only by
        // the user, with a click on it, its taskbar button or Alt+Tab.
        DiscardPendingInput();
        const POINT place = Place();
        SetWindowPos(hwnd(), HWND_TOPMOST, place.x, place.y, 0, 0, SWP_NOSIZE | SWP_NOACTIVATE | SWP_SHOWWINDOW);
    }
    // No message loop runs while the host is waited for: the notice is
    // drawn now.
    RedrawWindow(hwnd(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
}

void BusyNoticeWindow::Hide() noexcept {
    owner_ = nullptr;
    if (!hwnd() || !IsWindowVisible(hwnd())) return;
    // Activated by the user, it hands the foreground to the progress window,
    // which Windows would otherwise give to any other program's window.
    // Else it stays wherever the user has put it meanwhile.
    if (const HWND progress = VisibleProgressWindow(); progress && GetForegroundWindow() == hwnd()) {
        SetForegroundWindow(progress);
    }
    SetWindowPos(hwnd(), nullptr, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_HIDEWINDOW);
}

// The notice stays as it is, saying that the program ends, until it has.
void BusyNoticeWindow::EndWithWarning(const std::wstring& warning) noexcept {
    ShowFreshWarning(warning.c_str());
    end_.End(1);
}

void BusyNoticeWindow::ServeInput() noexcept {
    if (!hwnd() || !IsWindowVisible(hwnd())) return;
    // Whether a window filter takes in the window's children differs between
    // systems; the button is asked for by its own handle as well.
    const HWND targets[] = {hwnd(), controls_.Handle(busy_id::kCancelButton)};
    MSG message;
    for (const HWND target : targets) {
        while (hwnd() && PeekMessageW(&message, target, 0, 0, PM_REMOVE)) {
            if (IsDialogMessageW(hwnd(), &message)) continue;
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
    }
}

// The waits decide what a press means; one left queued when the notice went
// stops nothing.
void BusyNoticeWindow::CancelButton_Click() {
    if (owner_ && IsWindowVisible(hwnd())) owner_->StopPressed();
}

LRESULT BusyNoticeWindow::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_COMMAND: {
        // The button, Enter and Escape, all stop the wait.
        const int id = LOWORD(wParam);
        if (id != busy_id::kCancelButton && id != IDOK && id != IDCANCEL) break;
        CancelButton_Click();
        return 0;
    }
    case WM_CLOSE:
        // Alt+F4: as the button; the notice itself stays until the program ends.
        CancelButton_Click();
        return 0;
    case WM_NCHITTEST: {
        // The caption holds the notice in place: a press on it, by mouse,
        // touch or pen, is one on the client area.
        const LRESULT hit = DefaultHandling(message, wParam, lParam);
        return hit == HTCAPTION ? HTCLIENT : hit;
    }
    case WM_SYSCOMMAND: {
        // Neither the system's modal move, size or menu loop, which would
        // hold the thread inside the host call it waits for.
        const WPARAM kind = wParam & 0xFFF0;
        if (kind == SC_MOVE || kind == SC_SIZE || kind == SC_KEYMENU || kind == SC_MOUSEMENU) return 0;
        break;
    }
    case WM_ACTIVATE:
        // Activated by the user: from now on the keyboard works the button.
        if (LOWORD(wParam) != WA_INACTIVE) SetFocus(controls_.Handle(busy_id::kCancelButton));
        return 0;
    default:
        break;
    }
    return Form::HandleMessage(message, wParam, lParam);
}

}  // namespace marsitel::ui
