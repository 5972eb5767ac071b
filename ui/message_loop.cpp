#include "ui/message_loop.h"

#include <algorithm>
#include <vector>

#include "ui/program_end.h"

namespace marsitel::ui {
namespace {

std::vector<MessageFilter*>& Filters() {
    static std::vector<MessageFilter*> filters;
    return filters;
}

bool PreTranslate(MSG& message) {
    // A filter may remove itself (its window closes) while it handles the
    // message, so the loop works on a copy.
    const std::vector<MessageFilter*> filters = Filters();
    for (MessageFilter* filter : filters) {
        const auto& live = Filters();
        if (std::find(live.begin(), live.end(), filter) == live.end()) continue;
        if (filter->PreTranslate(message)) return true;
    }
    return false;
}

void RouteMessage(MSG& message) {
    if (PreTranslate(message)) return;
    TranslateMessage(&message);
    DispatchMessageW(&message);
}

}  // namespace

MessageFilter::MessageFilter() {
    Filters();
}

MessageFilter::~MessageFilter() {
    RemoveMessageFilter(*this);
}

void AddMessageFilter(MessageFilter& filter) {
    Filters().push_back(&filter);
}

void RemoveMessageFilter(MessageFilter& filter) noexcept {
    auto& filters = Filters();
    filters.erase(std::remove(filters.begin(), filters.end(), &filter), filters.end());
}

bool IsWithin(HWND window, HWND root) noexcept {
    return root && window && (window == root || IsChild(root, window));
}

bool ProcessPendingMessages() {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (message.message == WM_QUIT) {
            PostQuitMessage(static_cast<int>(message.wParam));
            return false;
        }
        RouteMessage(message);
    }
    return true;
}

int RunMessageLoop() noexcept {
    try {
        MSG message;
        BOOL result;
        while ((result = GetMessageW(&message, nullptr, 0, 0)) != 0) {
            if (result == -1) return 1;
            RouteMessage(message);
        }
        return static_cast<int>(message.wParam);
    } catch (...) {
        // A filter runs outside any window procedure, whose catch would
        // report what it throws; the loop is the last place to do so.
        ReportCurrentException();
        return 1;
    }
}

}  // namespace marsitel::ui
