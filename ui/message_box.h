#pragma once
// Message boxes from an empty input queue. The program keeps its thread busy
// while it waits for the host, and whatever a user types or clicks then
// waits in the queue; none of it may answer a box that appears only
// afterwards.
#include <windows.h>

#include "core/readiness.h"

namespace marsitel::ui {

// Drops every input message that has reached the thread and not been
// handled yet: keys (with the characters made of them), mouse in client
// and non-client areas, touch, pen and gestures.
void DiscardPendingInput() noexcept;

// A message box that starts from an empty input queue: what was typed
// before it appeared does not answer it.
int ShowFreshMessageBox(HWND owner, const wchar_t* text, const wchar_t* caption, UINT flags) noexcept;

// A warning of the program's: exclamation mark, OK, the program's title, from
// an empty input queue. Topmost, since the program's own windows are: during
// a run an ordinary box would open behind the progress window and the
// program would seem to hang.
void ShowFreshWarning(const wchar_t* text) noexcept;

// True when the readiness check found the host ready; otherwise shows the
// warning for what it found, and returns false once the user has read it.
bool WarnUnlessReady(HostReadiness found);

}  // namespace marsitel::ui
