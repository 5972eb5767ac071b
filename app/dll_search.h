#pragma once

namespace marsitel {

// Has DLLs that are loaded by bare name, by the program or by system code on
// its behalf, come from the system folder alone.
void RestrictDllSearchToSystemFolder() noexcept;

}  // namespace marsitel
