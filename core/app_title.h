#pragma once

namespace marsitel {

// The application title: the splash shows it, and the program's warning and
// error boxes carry it in their title bar.
inline constexpr wchar_t kAppTitle[] = L"Marsitel";

}  // namespace marsitel
