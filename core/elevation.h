#pragma once
// Whether this process is the elevated half of a split token. Windows keeps
// the running objects of such a process apart from those of the user's
// normal processes, so this decides which hosts the program can reach.
#include <windows.h>

#include <functional>

#include "shared/unique_handle.h"

namespace marsitel {

// Fills `buffer` with the token's information of one class, as
// GetTokenInformation does; false when the token does not tell.
using TokenQuery = std::function<bool(TOKEN_INFORMATION_CLASS, void* buffer, DWORD size)>;

// Only a split token (UAC on) has an elevated half. With UAC off an
// administrator's token is elevated too (TokenIsElevated), but of the
// default type, and nothing is kept apart.
inline bool IsElevatedHalf(const TokenQuery& query) {
    TOKEN_ELEVATION_TYPE type = TokenElevationTypeDefault;
    return query(TokenElevationType, &type, sizeof type) && type == TokenElevationTypeFull;
}

inline bool RunsElevated() noexcept {
    HANDLE token = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) return false;
    const UniqueHandle owned(token);
    try {
        return IsElevatedHalf([token](TOKEN_INFORMATION_CLASS kind, void* buffer, DWORD size) {
            DWORD written = 0;
            return GetTokenInformation(token, kind, buffer, size, &written) != FALSE;
        });
    } catch (...) {
        return false;
    }
}

}  // namespace marsitel
