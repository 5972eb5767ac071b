#pragma once
// The run benchmark: for each size a synthetic assembly, served by
// simhost.exe in a process of its own; our run and the reference client's
// run, each against a fresh host, several times.
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "bench/client_run.h"

namespace marsitel::bench {

struct Folders {
    std::filesystem::path programs;  // simhost.exe, Marsitel.exe, this program
    std::filesystem::path output;    // scenarios, journals, CSV
};

struct RemovalRow {
    int size = 0;
    Client client = Client::Ours;
    int runs = 0;
    int occurrences = 0;
    double relations = 0;
    double wall_seconds = 0;
    double calls = 0;
    bool calls_vary = false;
    double cpu_seconds = 0;
    double cpu_share = 0;
    double thread_cpu_share = 0;
    double repaint_share = 0;
    double write_share = 0;
    double peak_working_set_mib = 0;
    double host_cpu_share = 0;
    std::vector<std::pair<std::wstring, double>> calls_by_kind;
    std::vector<std::string> problems;
};

// Measures every size; prints progress lines to standard output.
std::vector<RemovalRow> MeasureRemoval(const Folders& folders, const std::vector<int>& sizes, int runs);

void PrintRemovalTable(const std::vector<RemovalRow>& rows, int runs);
void WriteRemovalCsv(const std::vector<RemovalRow>& rows, const std::filesystem::path& file);

}  // namespace marsitel::bench
