#pragma once

namespace marsitel {

// The application title: the splash shows it, and the program's warning and
// error boxes carry it in their title bar.
inline constexpr wchar_t kAppTitle[] = L"Marsitel";
// The product name of the CAD host, as the program's texts name it.
inline constexpr wchar_t kHostName[] = L"Solid Edge";

}  // namespace marsitel
