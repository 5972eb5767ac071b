// A DLL named like a system one, as one lying beside the program in Downloads
// would be. Loaded, it leaves a file at the path in
// MARSITEL_PLANTED_DLL_MARKER and refuses to stay.
#include <windows.h>

#include "shared/unique_handle.h"

extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD reason, void*) {
    if (reason != DLL_PROCESS_ATTACH) return TRUE;
    wchar_t marker[MAX_PATH] = {};
    if (GetEnvironmentVariableW(L"MARSITEL_PLANTED_DLL_MARKER", marker, MAX_PATH)) {
        const marsitel::UniqueHandle file(CreateFileW(marker, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    }
    return FALSE;
}
