#pragma once
#include <windows.h>

namespace marsitel {

// Raises one of the program's windows above all ordinary windows and
// activates it, without moving or resizing it.
void MakeTopmost(HWND window) noexcept;

}  // namespace marsitel
