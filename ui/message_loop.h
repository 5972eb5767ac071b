#pragma once
// The program's one message loop, shared by the start-up wait and the event
// loop: windows that need a look at a message before it is dispatched (key
// preview, dialog navigation) register a filter.
#include <windows.h>

namespace marsitel::ui {

class MessageFilter {
public:
    // True when the message has been handled and must not be dispatched.
    virtual bool PreTranslate(MSG& message) = 0;

protected:
    // The list of filters exists before any filter is complete, so it also
    // outlives every filter, wherever the filters live; and no filter stays
    // in it beyond its own end.
    MessageFilter();
    ~MessageFilter();
    MessageFilter(const MessageFilter&) = delete;
    MessageFilter& operator=(const MessageFilter&) = delete;
};

void AddMessageFilter(MessageFilter& filter);
void RemoveMessageFilter(MessageFilter& filter) noexcept;

// Processes every message that is pending now. Returns false when WM_QUIT
// was seen; it is posted again for the event loop.
bool ProcessPendingMessages();
// The event loop; returns the exit code of WM_QUIT. What a message filter
// throws ends the program with the run-time error report (exit code 1).
int RunMessageLoop() noexcept;

// True when `window` is `root` or one of its descendants.
bool IsWithin(HWND window, HWND root) noexcept;

}  // namespace marsitel::ui
