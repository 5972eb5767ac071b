#pragma once
// Time as the benchmark measures it: wall time by the performance counter,
// and processor time, user and kernel together, in seconds.
#include <windows.h>

#include <cstdint>

namespace marsitel::bench {

class Stopwatch {
public:
    Stopwatch() noexcept { QueryPerformanceFrequency(&frequency_); }
    std::int64_t Ticks() const noexcept {
        LARGE_INTEGER now;
        QueryPerformanceCounter(&now);
        return now.QuadPart;
    }
    double Seconds(std::int64_t ticks) const noexcept {
        return static_cast<double>(ticks) / static_cast<double>(frequency_.QuadPart);
    }

private:
    LARGE_INTEGER frequency_;
};

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
