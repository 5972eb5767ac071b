#pragma once
// Time as the benchmark measures it: wall time by the performance counter,
// processor time (user and kernel together) in seconds, and the median of
// several runs, which the tables show.
#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <vector>

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

inline double Median(std::vector<double> values) {
    if (values.empty()) return 0;
    std::sort(values.begin(), values.end());
    const std::size_t middle = values.size() / 2;
    return values.size() % 2 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

}  // namespace marsitel::bench
