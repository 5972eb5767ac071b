#pragma once
// A window object behind a Win32 window: the window procedure finds the
// object through the pointer stored at WM_NCCREATE and hands every message
// to it. Exceptions stop at the procedure and become the run-time error
// report, which ends the program through the end the window was given.
#include <windows.h>

#include "shared/function_ref.h"
#include "ui/program_end.h"

namespace marsitel::ui {

struct WindowClassDef {
    const wchar_t* name;
    UINT style;
    int background;  // system colour index
};

struct TopLevelDef {
    const WindowClassDef* windowClass;
    const wchar_t* caption;
    DWORD style;
    DWORD exStyle;
    HWND owner;
};

class Window {
public:
    explicit Window(ProgramEnd& end) noexcept : end_(end) {}
    Window(const Window&) = delete;
    Window& operator=(const Window&) = delete;
    virtual ~Window();

    HWND hwnd() const noexcept { return hwnd_; }
    // Closes and releases the window; nothing happens when it is gone.
    void Destroy() noexcept;

    // Offers a message that the message loop is about to dispatch to the
    // object of the top-level window of ours it is for (key preview, dialog
    // navigation). True when that object has handled it; what it throws is
    // reported.
    static bool PreTranslateForTarget(MSG& message) noexcept;

protected:
    // Creates the window hidden at the given outer position and size.
    void CreateTopLevel(const TopLevelDef& def, const RECT& outer);
    virtual LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
    // A message for this window or one of its controls, before it is
    // dispatched; true when handled.
    virtual bool PreTranslate(MSG& message);
    LRESULT DefaultHandling(UINT message, WPARAM wParam, LPARAM lParam) noexcept;

    ProgramEnd& end_;

private:
    static LRESULT CALLBACK Procedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) noexcept;

    HWND hwnd_ = nullptr;
};

void RegisterWindowClass(const WindowClassDef& def, WNDPROC procedure);
HINSTANCE ProgramInstance() noexcept;

// The monitor's work area: the screen less the taskbar and docked bars.
RECT WorkAreaOf(HMONITOR monitor) noexcept;
// The outer rectangle of a window whose client area has the given size,
// centred on the primary monitor's work area.
RECT CentredOuterRect(SIZE client, DWORD style, DWORD exStyle) noexcept;
// The outer rectangle of a window whose client area has the given size and
// whose outer top-left corner lies at the given point.
RECT OuterRectAt(POINT topLeft, SIZE client, DWORD style, DWORD exStyle) noexcept;

// The first top-level window, from the top of the z-order down, that
// `wanted` accepts; of the thread `threadId` alone in the second form.
// `wanted` runs inside the system's walk and must not throw.
HWND FindTopLevelWindow(FunctionRef<bool(HWND)> wanted) noexcept;
HWND FindTopLevelWindow(DWORD threadId, FunctionRef<bool(HWND)> wanted) noexcept;
// True when the window's class is `className`.
bool HasClass(HWND window, const wchar_t* className) noexcept;

// A hidden top-level window that owns the windows kept out of the taskbar.
HWND HiddenOwnerWindow();

// Throws marsitel::Error for the calling thread's last Win32 error.
[[noreturn]] void ThrowLastError();

}  // namespace marsitel::ui
