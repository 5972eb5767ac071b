#include "driver/driver.h"

#include <cwchar>
#include <iterator>
#include <stdexcept>

#include "driver/screenshot.h"

namespace marsitel::e2e {
namespace {

constexpr UINT kAnswerTimeoutMs = 5000;
constexpr int kMessageBoxTextId = 0xFFFF;
constexpr wchar_t kDialogBoxClass[] = L"#32770";

LRESULT SendWithTimeout(HWND window, UINT message, WPARAM wparam, LPARAM lparam, bool* answered = nullptr) {
    DWORD_PTR result = 0;
    const LRESULT ok = SendMessageTimeoutW(window, message, wparam, lparam, SMTO_ABORTIFHUNG, kAnswerTimeoutMs, &result);
    if (answered) *answered = ok != 0;
    return static_cast<LRESULT>(result);
}

BOOL CALLBACK CollectChild(HWND child, LPARAM param) {
    reinterpret_cast<std::vector<HWND>*>(param)->push_back(child);
    return TRUE;
}

std::vector<HWND> Children(HWND parent) {
    std::vector<HWND> found;
    EnumChildWindows(parent, CollectChild, reinterpret_cast<LPARAM>(&found));
    return found;
}

std::wstring ClassName(HWND window) {
    wchar_t name[256] = {};
    GetClassNameW(window, name, static_cast<int>(std::size(name)));
    return name;
}

struct TopLevelSearch {
    DWORD process_id;
    std::wstring_view class_name;
    std::vector<HWND> found;
};

BOOL CALLBACK CollectTopLevel(HWND window, LPARAM param) {
    auto& search = *reinterpret_cast<TopLevelSearch*>(param);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner == search.process_id && (search.class_name.empty() || ClassName(window) == search.class_name)) {
        search.found.push_back(window);
    }
    return TRUE;
}

std::wstring WithNewlines(std::wstring text) {
    std::wstring out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == L'\r') {
            out += L'\n';
            if (i + 1 < text.size() && text[i + 1] == L'\n') ++i;
        } else {
            out += text[i];
        }
    }
    return out;
}

// The message box icons as Windows and Wine draw them: a yellow triangle for
// the exclamation mark, a red disc for an error, a blue one for information.
BoxIcon ClassifyIcon(const Image& image) {
    int yellow = 0, red = 0, blue = 0;
    for (std::size_t i = 0; i + 2 < image.bgr.size(); i += 3) {
        const int b = image.bgr[i], g = image.bgr[i + 1], r = image.bgr[i + 2];
        if (r >= 190 && g >= 150 && b <= 120) ++yellow;
        else if (r >= 150 && g <= 100 && b <= 100) ++red;
        else if (b >= 150 && r <= 120) ++blue;
    }
    constexpr int kEnough = 12;
    if (yellow >= kEnough && yellow >= red && yellow >= blue) return BoxIcon::Exclamation;
    if (red >= kEnough && red >= blue) return BoxIcon::Error;
    if (blue >= kEnough) return BoxIcon::Information;
    return BoxIcon::Unknown;
}

// Reads the icon from the screen; a box hidden behind another window shows no
// icon to anyone, so that is reported as Unknown.
BoxIcon IconOf(HWND box, HWND icon_control) {
    if (!icon_control || !IsWindowVisible(icon_control)) return BoxIcon::None;
    RECT rect{};
    GetWindowRect(icon_control, &rect);
    const POINT centre{(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2};
    if (GetAncestor(WindowFromPoint(centre), GA_ROOT) != box) return BoxIcon::Unknown;
    const auto image = CaptureScreenRect(rect);
    return image ? ClassifyIcon(*image) : BoxIcon::Unknown;
}

MessageBoxView ReadMessageBox(HWND box) {
    MessageBoxView view;
    view.window = box;
    view.caption = WindowText(box);
    HWND icon_control = nullptr;
    std::wstring fallback_text;
    for (HWND child : Children(box)) {
        const std::wstring cls = ClassName(child);
        if (_wcsicmp(cls.c_str(), L"Static") == 0) {
            if ((GetWindowLongW(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON) {
                icon_control = child;
            } else if (GetDlgCtrlID(child) == kMessageBoxTextId) {
                view.text = WithNewlines(WindowText(child));
            } else if (fallback_text.empty()) {
                fallback_text = WithNewlines(WindowText(child));
            }
        } else if (_wcsicmp(cls.c_str(), L"Button") == 0 && IsWindowVisible(child)) {
            view.buttons.push_back(WindowText(child));
        }
    }
    if (view.text.empty()) view.text = fallback_text;
    view.icon = IconOf(box, icon_control);
    return view;
}

}  // namespace

Millis ScaledWait(Millis wait) {
    wchar_t text[16] = {};
    const DWORD length = GetEnvironmentVariableW(L"MARSITEL_DRIVER_WAIT_FACTOR", text, static_cast<DWORD>(std::size(text)));
    const long factor = length > 0 && length < std::size(text) ? std::wcstol(text, nullptr, 10) : 1;
    return factor > 1 ? wait * factor : wait;
}

bool WaitUntil(const std::function<bool()>& done, Millis timeout, Millis interval) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        if (done()) return true;
        if (std::chrono::steady_clock::now() >= deadline) return false;
        Sleep(static_cast<DWORD>(interval.count()));
    }
}

std::wstring FolderBesideProgram(const std::wstring& relative) {
    const std::wstring joined = RunningProgram().parent_path().wstring() + L'\\' + relative;
    std::wstring full(MAX_PATH, L'\0');
    const DWORD length = GetFullPathNameW(joined.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr);
    if (length == 0 || length >= full.size()) return joined;
    full.resize(length);
    return full;
}

std::wstring WindowText(HWND window) {
    bool answered = false;
    const LRESULT length = SendWithTimeout(window, WM_GETTEXTLENGTH, 0, 0, &answered);
    if (!answered) return kNoAnswer;
    std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
    const LRESULT copied = SendWithTimeout(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()), &answered);
    if (!answered) return kNoAnswer;
    text.resize(static_cast<std::size_t>(copied));
    return text;
}

bool IsVisible(HWND window) { return IsWindow(window) && IsWindowVisible(window); }

std::vector<HWND> TopLevelWindows(DWORD process_id, std::wstring_view class_name) {
    TopLevelSearch search{process_id, class_name, {}};
    EnumWindows(CollectTopLevel, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

HWND VisibleTopLevel(DWORD process_id, std::wstring_view class_name) {
    for (HWND window : TopLevelWindows(process_id, class_name)) {
        if (IsWindowVisible(window)) return window;
    }
    return nullptr;
}

HWND WaitForVisibleTopLevel(DWORD process_id, std::wstring_view class_name, Millis timeout) {
    HWND found = nullptr;
    WaitUntil([&] { return (found = VisibleTopLevel(process_id, class_name)) != nullptr; }, timeout);
    return found;
}

bool WaitUntilGoneOrHidden(HWND window, Millis timeout) {
    return WaitUntil([&] { return !IsVisible(window); }, timeout);
}

HWND Control(HWND parent, int id) {
    for (HWND child : Children(parent)) {
        if (GetDlgCtrlID(child) == id) return child;
    }
    return nullptr;
}

void Click(HWND button) { PostMessageW(button, BM_CLICK, 0, 0); }

bool IsChecked(HWND check_box) { return SendWithTimeout(check_box, BM_GETCHECK, 0, 0) == BST_CHECKED; }

bool SetChecked(HWND check_box, bool ticked) {
    if (IsChecked(check_box) == ticked) return true;
    Click(check_box);
    return WaitUntil([&] { return IsChecked(check_box) == ticked; }, kWindowWait);
}

void ScrollArrow(HWND scroll_bar, bool up) {
    HWND parent = GetParent(scroll_bar);
    const auto lparam = reinterpret_cast<LPARAM>(scroll_bar);
    SendWithTimeout(parent, WM_VSCROLL, MAKEWPARAM(up ? SB_LINEUP : SB_LINEDOWN, 0), lparam);
    SendWithTimeout(parent, WM_VSCROLL, MAKEWPARAM(SB_ENDSCROLL, 0), lparam);
}

void PressCharacterKey(HWND window, WORD virtual_key, wchar_t character) {
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    HWND target = window;
    if (GetGUIThreadInfo(GetWindowThreadProcessId(window, nullptr), &info) && info.hwndFocus &&
        (info.hwndFocus == window || IsChild(window, info.hwndFocus))) {
        target = info.hwndFocus;
    }
    // Repeat count 1 and the scan code; a release also has the previous-state
    // and transition bits.
    const DWORD down = 1u | (MapVirtualKeyW(virtual_key, MAPVK_VK_TO_VSC) << 16);
    const DWORD up = down | 0xC0000000u;
    PostMessageW(target, WM_KEYDOWN, virtual_key, static_cast<LPARAM>(down));
    PostMessageW(target, WM_CHAR, character, static_cast<LPARAM>(down));
    PostMessageW(target, WM_KEYUP, virtual_key, static_cast<LPARAM>(up));
}

void MouseClick(HWND window) {
    RECT box{};
    GetWindowRect(window, &box);
    // Absolute positions run from 0 to 65535 across the primary screen.
    const auto scaled = [](LONG pixel, int metric) {
        return static_cast<LONG>((pixel * 65535L + GetSystemMetrics(metric) / 2) / (GetSystemMetrics(metric) - 1));
    };
    INPUT inputs[3]{};
    for (INPUT& input : inputs) input.type = INPUT_MOUSE;
    inputs[0].mi.dx = scaled((box.left + box.right) / 2, SM_CXSCREEN);
    inputs[0].mi.dy = scaled((box.top + box.bottom) / 2, SM_CYSCREEN);
    inputs[0].mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
    inputs[1].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
    inputs[2].mi.dwFlags = MOUSEEVENTF_LEFTUP;
    SendInput(static_cast<UINT>(std::size(inputs)), inputs, sizeof(INPUT));
}

void TypeKeys(const std::vector<WORD>& chord) {
    std::vector<INPUT> inputs;
    const auto add = [&](WORD key, DWORD flags) {
        INPUT input{};
        input.type = INPUT_KEYBOARD;
        input.ki.wVk = key;
        input.ki.wScan = static_cast<WORD>(MapVirtualKeyW(key, MAPVK_VK_TO_VSC));
        input.ki.dwFlags = flags;
        inputs.push_back(input);
    };
    for (WORD key : chord) add(key, 0);
    for (auto it = std::rbegin(chord); it != std::rend(chord); ++it) add(*it, KEYEVENTF_KEYUP);
    SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
}

HWND FocusOf(HWND window) {
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    return GetGUIThreadInfo(GetWindowThreadProcessId(window, nullptr), &info) ? info.hwndFocus : nullptr;
}

const char* ToString(BoxIcon icon) {
    switch (icon) {
        case BoxIcon::None: return "none";
        case BoxIcon::Exclamation: return "exclamation";
        case BoxIcon::Error: return "error";
        case BoxIcon::Information: return "information";
        case BoxIcon::Unknown: break;
    }
    return "unknown";
}

std::optional<MessageBoxView> FindMessageBox(DWORD process_id) {
    HWND box = VisibleTopLevel(process_id, kDialogBoxClass);
    if (!box) return std::nullopt;
    return ReadMessageBox(box);
}

std::optional<MessageBoxView> WaitForMessageBox(DWORD process_id, Millis timeout) {
    HWND box = WaitForVisibleTopLevel(process_id, kDialogBoxClass, timeout);
    if (!box) return std::nullopt;
    // The box is visible before its first paint; give it the chance to draw
    // its icon, which is read from the screen.
    std::optional<MessageBoxView> view;
    WaitUntil(
        [&] {
            view = ReadMessageBox(box);
            return view->icon != BoxIcon::Unknown || !IsWindow(box);
        },
        Millis{3000}, Millis{20});
    return view;
}

bool PressOk(const MessageBoxView& box) {
    HWND ok = GetDlgItem(box.window, IDOK);
    if (!ok) return false;
    Click(ok);
    return WaitUntil([&] { return !IsWindow(box.window); }, kWindowWait);
}

}  // namespace marsitel::e2e
