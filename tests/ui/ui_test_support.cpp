#include "ui_test_support.h"

#include <cstdlib>

#include "ui/message_loop.h"
#include "ui/program_end.h"

namespace marsitel::ui::testing {
namespace {

MessageBoxWatcher* activeWatcher = nullptr;

std::wstring ClassOf(HWND window) {
    wchar_t name[64] = {};
    GetClassNameW(window, name, 64);
    return name;
}

BOOL CALLBACK InspectChild(HWND child, LPARAM lParam) {
    auto& seen = *reinterpret_cast<SeenMessageBox*>(lParam);
    const std::wstring className = ClassOf(child);
    if (_wcsicmp(className.c_str(), L"Button") == 0 && (StyleOf(child) & WS_VISIBLE)) {
        ++seen.buttons;
    } else if (_wcsicmp(className.c_str(), L"Static") == 0) {
        if ((StyleOf(child) & SS_TYPEMASK) == SS_ICON) {
            seen.icon = reinterpret_cast<HICON>(SendMessageW(child, STM_GETICON, 0, 0));
        } else {
            const std::wstring text = TextOf(child);
            if (text.size() > seen.text.size()) seen.text = text;
        }
    }
    return TRUE;
}

}  // namespace

MessageBoxWatcher::MessageBoxWatcher()
    : hook_(SetWindowsHookExW(WH_CBT, &MessageBoxWatcher::Hook, nullptr, GetCurrentThreadId())) {
    activeWatcher = this;
}

MessageBoxWatcher::~MessageBoxWatcher() {
    activeWatcher = nullptr;
    if (hook_) UnhookWindowsHookEx(hook_);
}

LRESULT CALLBACK MessageBoxWatcher::Hook(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HCBT_ACTIVATE && activeWatcher) {
        const HWND box = reinterpret_cast<HWND>(wParam);
        if (ClassOf(box) == L"#32770") {
            SeenMessageBox seen;
            seen.caption = TextOf(box);
            EnumChildWindows(box, InspectChild, reinterpret_cast<LPARAM>(&seen));
            activeWatcher->seen_.push_back(seen);
            PostMessageW(box, WM_COMMAND, IDOK, 0);
        }
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

ProgramEndRecorder::ProgramEndRecorder() {
    SetProgramEndHandler([this](unsigned code) { exitCodes_.push_back(code); });
}

ProgramEndRecorder::~ProgramEndRecorder() {
    SetProgramEndHandler(nullptr);
}

RECT RectInParent(HWND control) {
    RECT rect{};
    GetWindowRect(control, &rect);
    MapWindowPoints(nullptr, GetParent(control), reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

RECT ClientRect(HWND window) {
    RECT rect{};
    GetClientRect(window, &rect);
    return rect;
}

LOGFONTW FontOf(HWND control) {
    LOGFONTW font{};
    const auto handle = reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0));
    if (handle) GetObjectW(handle, sizeof font, &font);
    return font;
}

std::wstring TextOf(HWND window) {
    wchar_t buffer[1024] = {};
    GetWindowTextW(window, buffer, 1024);
    return buffer;
}

DWORD StyleOf(HWND window) {
    return static_cast<DWORD>(GetWindowLongPtrW(window, GWL_STYLE));
}

DWORD ExStyleOf(HWND window) {
    return static_cast<DWORD>(GetWindowLongPtrW(window, GWL_EXSTYLE));
}

RECT TwipsAt96(const TwipsRect& box) {
    return RECT{box.left / 15, box.top / 15, (box.left + box.width) / 15, (box.top + box.height) / 15};
}

::testing::AssertionResult SameRect(const RECT& actual, const RECT& expected) {
    if (EqualRect(&actual, &expected)) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "(" << actual.left << "," << actual.top << ")-(" << actual.right << ","
                                         << actual.bottom << ") instead of (" << expected.left << "," << expected.top
                                         << ")-(" << expected.right << "," << expected.bottom << ")";
}

::testing::AssertionResult CentredOnPrimaryMonitor(HWND window) {
    RECT outer{};
    GetWindowRect(window, &outer);
    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    GetMonitorInfoW(MonitorFromPoint(POINT{0, 0}, MONITOR_DEFAULTTOPRIMARY), &monitor);
    const RECT& work = monitor.rcWork;
    if (std::abs((outer.left + outer.right) - (work.left + work.right)) <= 2 &&
        std::abs((outer.top + outer.bottom) - (work.top + work.bottom)) <= 2) {
        return ::testing::AssertionSuccess();
    }
    return ::testing::AssertionFailure() << "outer (" << outer.left << "," << outer.top << ")-(" << outer.right << ","
                                         << outer.bottom << ") is not centred on the work area";
}

void Pump() {
    ProcessPendingMessages();
    DiscardQuit();
}

void DiscardQuit() {
    MSG message;
    while (PeekMessageW(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
    }
}

}  // namespace marsitel::ui::testing
