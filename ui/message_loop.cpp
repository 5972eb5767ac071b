#include "ui/message_loop.h"

#include <windows.h>

#include "ui/window.h"

namespace marsitel::ui {
namespace {

void RouteMessage(MSG& message) noexcept {
    if (Window::PreTranslateForTarget(message)) return;
    TranslateMessage(&message);
    DispatchMessageW(&message);
}

}  // namespace

bool ProcessPendingMessages() noexcept {
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
    MSG message;
    BOOL result;
    while ((result = GetMessageW(&message, nullptr, 0, 0)) != 0) {
        if (result == -1) return 1;
        RouteMessage(message);
    }
    return static_cast<int>(message.wParam);
}

}  // namespace marsitel::ui
