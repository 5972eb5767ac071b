#include "app/topmost.h"

namespace marsitel {

void MakeTopmost(HWND window) noexcept {
    // SWP_NOSIZE | SWP_NOMOVE and nothing else: without SWP_NOACTIVATE the
    // window is activated as well. Result and system error are of no use.
    constexpr UINT kFlags = 3;
    SetWindowPos(window, HWND_TOPMOST, 0, 0, 0, 0, kFlags);
}

}  // namespace marsitel
