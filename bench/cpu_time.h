#pragma once
// Processor time, user and kernel together, in seconds.
#include <windows.h>

#include <cstdint>

namespace marsitel::bench {

inline double CpuSeconds(const FILETIME& kernel, const FILETIME& user) noexcept {
    const auto seconds = [](const FILETIME& time) {
        return static_cast<double>((static_cast<std::uint64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime) / 1e7;
    };
    return seconds(kernel) + seconds(user);
}

inline double ProcessCpuSeconds(HANDLE process) noexcept {
    FILETIME created, exited, kernel, user;
    return GetProcessTimes(process, &created, &exited, &kernel, &user) ? CpuSeconds(kernel, user) : 0.0;
}

}  // namespace marsitel::bench
