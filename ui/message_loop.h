#pragma once
// The program's one message loop, shared by the start-up wait and the event
// loop. A window of ours sees each message for it before it is dispatched
// (Window::PreTranslate).
namespace marsitel::ui {

// Processes every message that is pending now. Returns false when WM_QUIT
// was seen; it is posted again for the event loop.
bool ProcessPendingMessages() noexcept;
// The event loop; returns the exit code of WM_QUIT.
int RunMessageLoop() noexcept;

}  // namespace marsitel::ui
