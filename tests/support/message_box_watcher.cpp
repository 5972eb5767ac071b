#include "message_box_watcher.h"

#include <cwchar>
#include <iterator>
#include <stdexcept>

namespace marsitel::testing {
namespace {

constexpr int kMessageTextId = 0xFFFF;
constexpr wchar_t kDialogClass[] = L"#32770";

thread_local MessageBoxWatcher* active_watcher = nullptr;

BOOL CALLBACK SurveyChild(HWND child, LPARAM context) {
    auto& seen = *reinterpret_cast<SeenMessageBox*>(context);
    const std::wstring window_class = TextOf(child, GetClassNameW);
    const LONG style = GetWindowLongW(child, GWL_STYLE);
    if (_wcsicmp(window_class.c_str(), L"Button") == 0) {
        // Some message box implementations create every button and hide
        // the ones the box does not use.
        if (style & WS_VISIBLE) seen.button_ids.push_back(GetDlgCtrlID(child));
    } else if (_wcsicmp(window_class.c_str(), L"Static") == 0 && (style & SS_TYPEMASK) == SS_ICON) {
        seen.icon = reinterpret_cast<HICON>(SendMessageW(child, STM_GETICON, 0, 0));
    }
    return TRUE;
}

}  // namespace

std::wstring TextOf(HWND window, int(WINAPI* read)(HWND, LPWSTR, int)) {
    wchar_t buffer[4096] = {};
    const int length = read(window, buffer, static_cast<int>(std::size(buffer)));
    return std::wstring(buffer, length > 0 ? length : 0);
}

MessageBoxWatcher::MessageBoxWatcher() {
    hook_ = SetWindowsHookExW(WH_CBT, &MessageBoxWatcher::HookProcedure, nullptr, GetCurrentThreadId());
    init_hook_ = SetWindowsHookExW(WH_CALLWNDPROC, &MessageBoxWatcher::InitHookProcedure, nullptr,
                                   GetCurrentThreadId());
    if (!hook_ || !init_hook_) throw std::runtime_error("SetWindowsHookEx failed");
    active_watcher = this;
}

MessageBoxWatcher::~MessageBoxWatcher() {
    active_watcher = nullptr;
    UnhookWindowsHookEx(init_hook_);
    UnhookWindowsHookEx(hook_);
}

// A message box's dialog is initialised with its MSGBOXPARAMSW, on Windows
// and under Wine: its style says what the program asked for.
LRESULT CALLBACK MessageBoxWatcher::InitHookProcedure(int code, WPARAM wparam, LPARAM lparam) {
    const auto& message = *reinterpret_cast<const CWPSTRUCT*>(lparam);
    if (code == HC_ACTION && active_watcher && message.message == WM_INITDIALOG && message.lParam &&
        TextOf(message.hwnd, GetClassNameW) == kDialogClass) {
        const auto& asked = *reinterpret_cast<const MSGBOXPARAMSW*>(message.lParam);
        if (asked.cbSize == sizeof(MSGBOXPARAMSW) && (asked.dwStyle & MB_TOPMOST)) {
            active_watcher->asked_topmost_ = message.hwnd;
        }
    }
    return CallNextHookEx(nullptr, code, wparam, lparam);
}

LRESULT CALLBACK MessageBoxWatcher::HookProcedure(int code, WPARAM wparam, LPARAM lparam) {
    if (code == HCBT_DESTROYWND && active_watcher) active_watcher->RecordPlace(reinterpret_cast<HWND>(wparam));
    if (code == HCBT_ACTIVATE && active_watcher) {
        const auto window = reinterpret_cast<HWND>(wparam);
        if (TextOf(window, GetClassNameW) == kDialogClass) {
            try {
                active_watcher->Record(window);
            } catch (...) {
            }
        }
    }
    return CallNextHookEx(nullptr, code, wparam, lparam);
}

void MessageBoxWatcher::Record(HWND box) {
    // A box can be activated more than once; it is the same box.
    for (const auto& seen : boxes_) {
        if (seen.window == box) return;
    }
    SeenMessageBox seen;
    seen.window = box;
    seen.caption = TextOf(box);
    seen.text = TextOf(GetDlgItem(box, kMessageTextId));
    EnumChildWindows(box, &SurveyChild, reinterpret_cast<LPARAM>(&seen));
    seen.topmost = (GetWindowLongW(box, GWL_EXSTYLE) & WS_EX_TOPMOST) || box == asked_topmost_;
    MSG key;
    seen.keyQueued = PeekMessageW(&key, nullptr, WM_KEYFIRST, WM_KEYLAST, PM_NOREMOVE) != FALSE;
    boxes_.push_back(std::move(seen));
    PostMessageW(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(box, IDOK)));
}

// A box may still be laid out when it is first activated; when it goes, it
// has stood where the user saw it.
void MessageBoxWatcher::RecordPlace(HWND box) noexcept {
    for (auto& seen : boxes_) {
        if (seen.window != box) continue;
        GetWindowRect(box, &seen.outer);
        GetWindowRect(GetDlgItem(box, IDOK), &seen.ok);
    }
}

}  // namespace marsitel::testing
