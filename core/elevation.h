#pragma once
// Whether this process runs with administrator rights, elevated by UAC.
// Windows keeps the running objects of elevated and normal processes
// apart, so this decides which hosts the program can reach.
#include <windows.h>

#include "shared/unique_handle.h"

namespace marsitel {

inline bool RunsElevated() noexcept {
    HANDLE token = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) return false;
    const UniqueHandle owned(token);
    TOKEN_ELEVATION elevation{};
    DWORD size = 0;
    return GetTokenInformation(token, TokenElevation, &elevation, sizeof elevation, &size) &&
           elevation.TokenIsElevated != 0;
}

}  // namespace marsitel
