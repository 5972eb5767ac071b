#pragma once

namespace marsitel {

// One copy of the program per session. True when another copy is running:
// its front window (splash, dialog, progress window or a message box of it)
// has been brought to the front, and this start is to end at once, before
// any window of its own and without touching the host. False for the first
// copy, which keeps its claim until it ends.
bool HandedOverToRunningCopy() noexcept;

}  // namespace marsitel
