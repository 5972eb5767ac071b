// marsitel_bench.exe: what a removal run costs against the simulated host,
// beside a straightforward client, and what start-up costs.
//   marsitel_bench.exe [--runs N] [--sizes 100,1000,5000] [--out DIR]
//                      [--no-startup] [--no-removal]
// Writes removal.csv and startup.csv to DIR (default: the build folder's
// bench/). The form "client ours|reference RESULTFILE" is the benchmark's own
// child process.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cwchar>
#include <exception>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

#include "bench/client_run.h"
#include "bench/removal_bench.h"
#include "bench/startup_bench.h"
#include "simhost/support/child_process.h"

namespace {

namespace fs = std::filesystem;
using namespace marsitel::bench;
using marsitel::RunningProgram;

constexpr int kProgressRounds = 1000;

struct Settings {
    int runs = 3;
    std::vector<int> sizes{100, 1000, 5000};
    fs::path output;
    bool startup = true;
    bool removal = true;
};

std::vector<int> ParseSizes(const wchar_t* text) {
    std::vector<int> sizes;
    for (const wchar_t* p = text; *p;) {
        wchar_t* end = nullptr;
        const long value = std::wcstol(p, &end, 10);
        if (end == p || value < 16 || value > 30000) throw std::invalid_argument("sizes: 16 to 30000, comma-separated");
        sizes.push_back(static_cast<int>(value));
        p = *end == L',' ? end + 1 : end;
        if (*end && *end != L',') throw std::invalid_argument("sizes: 16 to 30000, comma-separated");
    }
    return sizes;
}

Settings ParseSettings(int argc, wchar_t** argv) {
    Settings settings;
    settings.output = RunningProgram().parent_path().parent_path() / L"bench";
    for (int i = 1; i < argc; ++i) {
        const std::wstring option = argv[i];
        const bool has_value = i + 1 < argc;
        if (option == L"--runs" && has_value) {
            settings.runs = std::max(1, _wtoi(argv[++i]));
        } else if (option == L"--sizes" && has_value) {
            settings.sizes = ParseSizes(argv[++i]);
        } else if (option == L"--out" && has_value) {
            settings.output = argv[++i];
        } else if (option == L"--no-startup") {
            settings.startup = false;
        } else if (option == L"--no-removal") {
            settings.removal = false;
        } else {
            throw std::invalid_argument("usage: marsitel_bench.exe [--runs N] [--sizes 100,1000,5000] [--out DIR] "
                                        "[--no-startup] [--no-removal]");
        }
    }
    return settings;
}

int RunBenchmark(const Settings& settings) {
    const Folders folders{RunningProgram().parent_path(), settings.output};
    fs::create_directories(folders.output);
    if (settings.removal) {
        std::printf("Relation removal against simhost.exe (%d run%s per size)\n", settings.runs,
                    settings.runs == 1 ? "" : "s");
        const auto rows = MeasureRemoval(folders, settings.sizes, settings.runs);
        PrintRemovalTable(rows, settings.runs);
        WriteRemovalCsv(rows, folders.output / L"removal.csv");
    }
    if (settings.removal) {
        const ProgressCost cost = MeasureProgressWindow(kProgressRounds);
        const double n = cost.occurrences;
        std::printf("\nProgress window alone, %d occurrences: bar value %.3f ms, occurrence line %.3f ms, "
                    "repaint %.3f ms per occurrence; processor time %.3f ms per occurrence\n",
                    cost.occurrences, cost.bar_seconds * 1000 / n, cost.line_seconds * 1000 / n,
                    cost.repaint_seconds * 1000 / n, cost.cpu_seconds * 1000 / n);
    }
    if (settings.startup) {
        std::printf("\nStart-up of Marsitel.exe, no host running (%d run%s)\n", settings.runs,
                    settings.runs == 1 ? "" : "s");
        const StartupRow row = MeasureStartup(folders.programs, settings.runs);
        PrintStartupTable(row);
        WriteStartupCsv(row, folders.output / L"startup.csv");
    }
    std::printf("\nCSV: %s\n", folders.output.string().c_str());
    return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    try {
        if (argc == 4 && std::wstring(argv[1]) == L"client") {
            const std::wstring which = argv[2];
            if (which != L"ours" && which != L"reference") return 2;
            return RunClientProcess(which == L"ours" ? Client::Ours : Client::Reference, argv[3]);
        }
        return RunBenchmark(ParseSettings(argc, argv));
    } catch (const std::exception& error) {
        std::fprintf(stderr, "marsitel_bench: %s\n", error.what());
        return 1;
    }
}
