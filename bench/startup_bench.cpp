#include "bench/startup_bench.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <stdexcept>

#include "bench/timing.h"
#include "simhost/support/child_process.h"
#include "shared/control_ids.h"

namespace marsitel::bench {
namespace {

constexpr double kSplashAppearBound = 60.0;
constexpr double kSplashWaitBound = 30.0;
constexpr std::chrono::milliseconds kAppearPoll{1};
constexpr std::chrono::milliseconds kWaitPoll{20};

struct StartupSample {
    double to_splash = 0;
    double wait = 0;
    double wait_cpu = 0;
    std::string problem;
};

HWND VisibleSplash() {
    const HWND splash = FindWindowW(ui::kSplashClass, nullptr);
    return splash && IsWindowVisible(splash) ? splash : nullptr;
}

StartupSample MeasureOnce(const std::filesystem::path& program) {
    StartupSample sample;
    if (VisibleSplash()) {
        sample.problem = "a splash is on screen already";
        return sample;
    }
    const Stopwatch clock;
    const std::int64_t start = clock.Ticks();
    ChildProcess marsitel(program, {});
    HWND splash = nullptr;
    while (!(splash = VisibleSplash())) {
        if (marsitel.WaitForExit(kAppearPoll)) {
            sample.problem = "Marsitel.exe ended before its splash appeared";
            return sample;
        }
        if (clock.Seconds(clock.Ticks() - start) > kSplashAppearBound) {
            sample.problem = "no splash";
            return sample;
        }
    }
    const std::int64_t shown = clock.Ticks();
    const double cpu_when_shown = ProcessCpuSeconds(marsitel.Handle());
    sample.to_splash = clock.Seconds(shown - start);
    while (IsWindow(splash) && IsWindowVisible(splash)) {
        if (marsitel.WaitForExit(kWaitPoll)) break;
        if (clock.Seconds(clock.Ticks() - shown) > kSplashWaitBound) {
            sample.problem = "the splash stayed";
            break;
        }
    }
    sample.wait = clock.Seconds(clock.Ticks() - shown);
    sample.wait_cpu = ProcessCpuSeconds(marsitel.Handle()) - cpu_when_shown;
    marsitel.Kill();
    return sample;
}

}  // namespace

StartupRow MeasureStartup(const std::filesystem::path& programs, int runs) {
    const std::filesystem::path program = programs / L"Marsitel.exe";
    StartupRow row;
    row.runs = runs;
    row.program_bytes = std::filesystem::file_size(program);
    std::vector<double> to_splash, wait, wait_cpu;
    for (int run = 1; run <= runs; ++run) {
        const StartupSample sample = MeasureOnce(program);
        std::printf("  start-up run %d: splash after %.3f s, wait %.2f s, %.3f s processor time%s%s\n", run,
                    sample.to_splash, sample.wait, sample.wait_cpu, sample.problem.empty() ? "" : ", PROBLEM: ",
                    sample.problem.c_str());
        std::fflush(stdout);
        if (!sample.problem.empty()) {
            row.problems.push_back(sample.problem);
            continue;
        }
        to_splash.push_back(sample.to_splash);
        wait.push_back(sample.wait);
        wait_cpu.push_back(sample.wait_cpu);
    }
    row.to_splash_seconds = Median(to_splash);
    row.wait_seconds = Median(wait);
    row.wait_cpu_seconds = Median(wait_cpu);
    return row;
}

void PrintStartupTable(const StartupRow& row) {
    std::printf("\nStart-up of Marsitel.exe; medians of %d run%s\n", row.runs, row.runs == 1 ? "" : "s");
    std::printf("  process start to splash visible: %8.3f s\n", row.to_splash_seconds);
    std::printf("  splash wait:                     %8.3f s\n", row.wait_seconds);
    std::printf("  processor time during the wait:  %8.3f s\n", row.wait_cpu_seconds);
    std::printf("  size of Marsitel.exe:            %8ju bytes (%.2f MiB)\n", row.program_bytes,
                static_cast<double>(row.program_bytes) / (1024.0 * 1024.0));
    for (const std::string& problem : row.problems) std::printf("PROBLEM (start-up): %s\n", problem.c_str());
    std::fflush(stdout);
}

void WriteStartupCsv(const StartupRow& row, const std::filesystem::path& file) {
    std::ofstream out(file, std::ios::trunc);
    out << "runs,to_splash_s,splash_wait_s,splash_wait_cpu_s,program_bytes,problems\n"
        << row.runs << ',' << row.to_splash_seconds << ',' << row.wait_seconds << ',' << row.wait_cpu_seconds << ','
        << row.program_bytes << ',' << row.problems.size() << '\n';
    if (!out) throw std::runtime_error("cannot write " + file.string());
}

}  // namespace marsitel::bench
