#include "app/topmost.h"

namespace marsitel {

void MakeTopmost(HWND window) noexcept {
    // Without SWP_NOACTIVATE the window is activated as well. Result and
    // system error are of no use.
    SetWindowPos(window, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE);
}

}  // namespace marsitel
