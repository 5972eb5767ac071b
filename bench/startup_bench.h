#pragma once
// Start-up of Marsitel.exe: time from process start to the splash on screen,
// processor time during the splash's wait, and the program's size.
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace marsitel::bench {

struct StartupRow {
    int runs = 0;
    double to_splash_seconds = 0;
    double wait_seconds = 0;
    double wait_cpu_seconds = 0;
    std::uintmax_t program_bytes = 0;
    std::vector<std::string> problems;
};

// Starts Marsitel.exe `runs` times with no host running, and ends it once
// the splash has gone (it then shows the host warning).
StartupRow MeasureStartup(const std::filesystem::path& programs, int runs);

void PrintStartupTable(const StartupRow& row);
void WriteStartupCsv(const StartupRow& row, const std::filesystem::path& file);

}  // namespace marsitel::bench
