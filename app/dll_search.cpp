#include "app/dll_search.h"

#include <windows.h>

namespace marsitel {

// A DLL beside the program would otherwise run in our process. The program
// runs from the folder its archive was unpacked into, typically Downloads,
// where any file can lie; system code loads DLLs by bare name well after the
// start, and Windows looks for them in the program's folder first.
// SetDefaultDllDirectories is looked up at run time because a Windows 7
// without update KB2533623 lacks it; there the program starts unrestricted.
void RestrictDllSearchToSystemFolder() noexcept {
    using SetDefaultDllDirectoriesFunction = BOOL(WINAPI*)(DWORD);
    const HMODULE kernel32 = GetModuleHandleW(L"kernel32.dll");
    if (!kernel32) return;
    const auto setDefaultDllDirectories = reinterpret_cast<SetDefaultDllDirectoriesFunction>(
        reinterpret_cast<void*>(GetProcAddress(kernel32, "SetDefaultDllDirectories")));
    if (setDefaultDllDirectories) setDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32);
}

}  // namespace marsitel
