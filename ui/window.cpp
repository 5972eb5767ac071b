#include "ui/window.h"

#include <iterator>
#include <string_view>

#include "core/base/error.h"
#include "ui/program_end.h"
#include "ui/res/resource_ids.h"

namespace marsitel::ui {

HINSTANCE ProgramInstance() noexcept {
    return GetModuleHandleW(nullptr);
}

void ThrowLastError() {
    throw ErrorFromLastError();
}

namespace {

// Shared icons stay loaded with the program and are never destroyed. A
// program without the icon resource (a test) gets the system's default.
HICON ProgramIcon(int sizeMetric) noexcept {
    const int size = GetSystemMetrics(sizeMetric);
    return static_cast<HICON>(LoadImageW(ProgramInstance(), MAKEINTRESOURCEW(MARSITEL_IDI_APP), IMAGE_ICON, size, size,
                                         LR_DEFAULTCOLOR | LR_SHARED));
}

}  // namespace

void RegisterWindowClass(const WindowClassDef& def, WNDPROC procedure) {
    WNDCLASSEXW existing{};
    existing.cbSize = sizeof existing;
    if (GetClassInfoExW(ProgramInstance(), def.name, &existing)) return;
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.style = def.style;
    windowClass.lpfnWndProc = procedure;
    windowClass.hInstance = ProgramInstance();
    // The taskbar and Alt+Tab show the class icon. On Windows the captions
    // show none: a window with WS_EX_DLGMODALFRAME draws only an icon set on
    // the window itself. Wine draws the class icon there all the same.
    windowClass.hIcon = ProgramIcon(SM_CXICON);
    windowClass.hIconSm = ProgramIcon(SM_CXSMICON);
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.hbrBackground = GetSysColorBrush(def.background);
    windowClass.lpszClassName = def.name;
    if (!RegisterClassExW(&windowClass)) ThrowLastError();
}

Window::~Window() {
    Destroy();
}

void Window::Destroy() noexcept {
    if (hwnd_) DestroyWindow(hwnd_);
}

void Window::CreateTopLevel(const TopLevelDef& def, const RECT& outer) {
    RegisterWindowClass(*def.windowClass, &Window::Procedure);
    const HWND created = CreateWindowExW(def.exStyle, def.windowClass->name, def.caption, def.style, outer.left,
                                         outer.top, outer.right - outer.left, outer.bottom - outer.top, def.owner,
                                         nullptr, ProgramInstance(), this);
    if (!created) ThrowLastError();
}

LRESULT Window::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    return DefaultHandling(message, wParam, lParam);
}

bool Window::PreTranslate(MSG&) {
    return false;
}

// A window of ours is one of a class with our procedure; subclassing, which
// replaces a window's own procedure, leaves its class's alone.
bool Window::PreTranslateForTarget(MSG& message) noexcept {
    const HWND root = message.hwnd ? GetAncestor(message.hwnd, GA_ROOT) : nullptr;
    wchar_t name[64] = {};
    WNDCLASSEXW ours{};
    ours.cbSize = sizeof ours;
    if (!root || !GetClassNameW(root, name, static_cast<int>(std::size(name))) ||
        !GetClassInfoExW(ProgramInstance(), name, &ours) || ours.lpfnWndProc != &Window::Procedure) {
        return false;
    }
    auto* self = reinterpret_cast<Window*>(GetWindowLongPtrW(root, GWLP_USERDATA));
    if (!self) return false;
    try {
        return self->PreTranslate(message);
    } catch (...) {
        ReportCurrentException(self->end_);
        return true;
    }
}

LRESULT Window::DefaultHandling(UINT message, WPARAM wParam, LPARAM lParam) noexcept {
    return DefWindowProcW(hwnd_, message, wParam, lParam);
}

LRESULT CALLBACK Window::Procedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) noexcept {
    if (message == WM_NCCREATE) {
        auto* created = static_cast<Window*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
        created->hwnd_ = hwnd;
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(created));
    }
    auto* self = reinterpret_cast<Window*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (!self) return DefWindowProcW(hwnd, message, wParam, lParam);
    if (message == WM_NCDESTROY) {
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
        self->hwnd_ = nullptr;
        return DefWindowProcW(hwnd, message, wParam, lParam);
    }
    try {
        return self->HandleMessage(message, wParam, lParam);
    } catch (...) {
        ReportCurrentException(self->end_);
        return 0;
    }
}

RECT OuterRectAt(POINT topLeft, SIZE client, DWORD style, DWORD exStyle) noexcept {
    RECT rect{0, 0, client.cx, client.cy};
    AdjustWindowRectEx(&rect, style, FALSE, exStyle);
    OffsetRect(&rect, topLeft.x - rect.left, topLeft.y - rect.top);
    return rect;
}

RECT WorkAreaOf(HMONITOR monitor) noexcept {
    MONITORINFO info{};
    info.cbSize = sizeof info;
    if (GetMonitorInfoW(monitor, &info)) return info.rcWork;
    return RECT{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
}

RECT CentredOuterRect(SIZE client, DWORD style, DWORD exStyle) noexcept {
    RECT outer = OuterRectAt(POINT{0, 0}, client, style, exStyle);
    const RECT area = WorkAreaOf(MonitorFromPoint(POINT{0, 0}, MONITOR_DEFAULTTOPRIMARY));
    const int width = outer.right - outer.left;
    const int height = outer.bottom - outer.top;
    const int left = area.left + (area.right - area.left - width) / 2;
    const int top = area.top + (area.bottom - area.top - height) / 2;
    return RECT{left, top, left + width, top + height};
}

namespace {

struct WindowSearch {
    FunctionRef<bool(HWND)> wanted;
    HWND found = nullptr;
};

// The system's callback of both walks.
BOOL CALLBACK TakeIfWanted(HWND window, LPARAM param) noexcept {
    auto& search = *reinterpret_cast<WindowSearch*>(param);
    if (!search.wanted(window)) return TRUE;
    search.found = window;
    return FALSE;
}

}  // namespace

HWND FindTopLevelWindow(FunctionRef<bool(HWND)> wanted) noexcept {
    WindowSearch search{wanted};
    EnumWindows(&TakeIfWanted, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

HWND FindTopLevelWindow(DWORD threadId, FunctionRef<bool(HWND)> wanted) noexcept {
    WindowSearch search{wanted};
    EnumThreadWindows(threadId, &TakeIfWanted, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

bool HasClass(HWND window, const wchar_t* className) noexcept {
    wchar_t name[64] = {};
    return GetClassNameW(window, name, static_cast<int>(std::size(name))) && std::wstring_view(name) == className;
}

HWND HiddenOwnerWindow() {
    static const WindowClassDef kOwnerClass{L"Marsitel.Owner", 0, COLOR_BTNFACE};
    static HWND owner = nullptr;
    if (owner && IsWindow(owner)) return owner;
    RegisterWindowClass(kOwnerClass, DefWindowProcW);
    owner =
        CreateWindowExW(0, kOwnerClass.name, L"", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr, ProgramInstance(), nullptr);
    if (!owner) ThrowLastError();
    return owner;
}

}  // namespace marsitel::ui
