#include "message_box_watcher.h"

#include <stdexcept>

namespace marsitel::testing {
namespace {

constexpr int kMessageTextId = 0xFFFF;
constexpr wchar_t kDialogClass[] = L"#32770";

thread_local MessageBoxWatcher* active_watcher = nullptr;

std::wstring WindowText(HWND window) {
    wchar_t buffer[1024] = {};
    const int length = GetWindowTextW(window, buffer, static_cast<int>(std::size(buffer)));
    return std::wstring(buffer, length > 0 ? length : 0);
}

std::wstring ClassOf(HWND window) {
    wchar_t buffer[64] = {};
    const int length = GetClassNameW(window, buffer, static_cast<int>(std::size(buffer)));
    return std::wstring(buffer, length > 0 ? length : 0);
}

struct ChildSurvey {
    bool exclamation_icon = false;
    std::vector<int> button_ids;
    HWND ok_button = nullptr;
};

BOOL CALLBACK SurveyChild(HWND child, LPARAM context) {
    auto& survey = *reinterpret_cast<ChildSurvey*>(context);
    const std::wstring window_class = ClassOf(child);
    if (_wcsicmp(window_class.c_str(), L"Button") == 0) {
        const int id = GetDlgCtrlID(child);
        survey.button_ids.push_back(id);
        if (id == IDOK) survey.ok_button = child;
    } else if (_wcsicmp(window_class.c_str(), L"Static") == 0 &&
               (GetWindowLongW(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON) {
        const auto icon = reinterpret_cast<HICON>(SendMessageW(child, STM_GETICON, 0, 0));
        if (icon && icon == LoadIconW(nullptr, IDI_EXCLAMATION)) survey.exclamation_icon = true;
    }
    return TRUE;
}

}  // namespace

MessageBoxWatcher::MessageBoxWatcher() {
    hook_ = SetWindowsHookExW(WH_CBT, &MessageBoxWatcher::HookProcedure, nullptr, GetCurrentThreadId());
    if (!hook_) throw std::runtime_error("SetWindowsHookEx failed");
    active_watcher = this;
}

MessageBoxWatcher::~MessageBoxWatcher() {
    active_watcher = nullptr;
    UnhookWindowsHookEx(hook_);
}

LRESULT CALLBACK MessageBoxWatcher::HookProcedure(int code, WPARAM wparam, LPARAM lparam) {
    if (code == HCBT_ACTIVATE && active_watcher) {
        const auto window = reinterpret_cast<HWND>(wparam);
        if (ClassOf(window) == kDialogClass) {
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
    for (const auto& seen : seen_windows_) {
        if (seen == box) return;
    }
    seen_windows_.push_back(box);
    SeenMessageBox seen;
    seen.caption = WindowText(box);
    seen.text = WindowText(GetDlgItem(box, kMessageTextId));
    ChildSurvey survey;
    EnumChildWindows(box, &SurveyChild, reinterpret_cast<LPARAM>(&survey));
    seen.exclamation_icon = survey.exclamation_icon;
    seen.button_ids = survey.button_ids;
    boxes_.push_back(std::move(seen));
    PostMessageW(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), reinterpret_cast<LPARAM>(survey.ok_button));
}

}  // namespace marsitel::testing
