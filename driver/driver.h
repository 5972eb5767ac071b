#pragma once
// Drives another process's windows from outside, the way a person would:
// through the window messages that clicks and keys produce, and by reading
// what the windows show. Every wait is bounded; nothing here sleeps to
// synchronise where an event can be observed.
#include <windows.h>

#include <chrono>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "simhost/support/child_process.h"

namespace marsitel::e2e {

using Millis = std::chrono::milliseconds;

// Generous bounds: a shared machine under Wine can be slow, and a bound is
// only reached when something is wrong. A program that runs under an
// emulator starts and answers many times slower: a whole number in
// MARSITEL_DRIVER_WAIT_FACTOR multiplies every bound.
Millis ScaledWait(Millis wait);
inline const Millis kWindowWait = ScaledWait(Millis{30000});
inline const Millis kRunWait = ScaledWait(Millis{120000});

// Polls `done` at a short interval until it holds or `timeout` has passed.
bool WaitUntil(const std::function<bool()>& done, Millis timeout, Millis interval = Millis{5});

// A folder beside the running program ("..\\demo\\" gives <build>\\demo\\),
// as a full path.
std::wstring FolderBesideProgram(const std::wstring& relative);

// What WindowText gives when the window did not answer (gone, or its thread
// busy for seconds).
inline constexpr wchar_t kNoAnswer[] = L"<no answer>";
std::wstring WindowText(HWND window);
bool IsVisible(HWND window);

// Top-level windows of a process, optionally only those of one class.
std::vector<HWND> TopLevelWindows(DWORD process_id, std::wstring_view class_name = {});
// The first visible top-level window of the class, or nullptr.
HWND VisibleTopLevel(DWORD process_id, std::wstring_view class_name);
HWND WaitForVisibleTopLevel(DWORD process_id, std::wstring_view class_name, Millis timeout = kWindowWait);
// True once the window is destroyed or hidden.
bool WaitUntilGoneOrHidden(HWND window, Millis timeout = kWindowWait);

// A control anywhere below `parent` (controls may sit inside a frame).
HWND Control(HWND parent, int id);

// Input as a person produces it.
void Click(HWND button);
bool IsChecked(HWND check_box);
// Clicks the check box if it does not show `ticked` yet and waits until it does.
bool SetChecked(HWND check_box, bool ticked);
// What a vertical scroll bar control sends to its parent for one arrow click.
void ScrollArrow(HWND scroll_bar, bool up);
// A character key: key down, its character, key up, to the window that has
// the keyboard focus in the thread of `window` (or to `window` itself).
void PressCharacterKey(HWND window, WORD virtual_key, wchar_t character);

// A click of the left mouse button on the middle of the window, through the
// system's input queue (SendInput), as a hand on the mouse makes it.
void MouseClick(HWND window);
// Keys typed on the keyboard: through the system's input queue (SendInput)
// to whichever window has the focus when they are taken from it. The keys
// are pressed in order and released in reverse order, as a chord (Alt+F4).
void TypeKeys(const std::vector<WORD>& chord);
// The window that has the keyboard focus in the thread of `window`.
HWND FocusOf(HWND window);

enum class BoxIcon { None, Exclamation, Error, Information, Unknown };
const char* ToString(BoxIcon icon);

struct MessageBoxView {
    HWND window = nullptr;
    std::wstring caption;
    std::wstring text;        // line breaks as "\n"
    BoxIcon icon = BoxIcon::None;
    std::vector<std::wstring> buttons;
};

std::optional<MessageBoxView> FindMessageBox(DWORD process_id);
std::optional<MessageBoxView> WaitForMessageBox(DWORD process_id, Millis timeout = kWindowWait);
// Clicks the box's OK button and waits until the box is gone.
bool PressOk(const MessageBoxView& box);

}  // namespace marsitel::e2e
