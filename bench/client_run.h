#pragma once
// One measured run of one client, in a process of its own, so that its
// processor time and peak working set are the run's alone.
#include <cstdint>
#include <filesystem>
#include <string>

namespace marsitel::bench {

enum class Client { Ours, Reference };

const wchar_t* ClientName(Client client);

struct ClientResult {
    bool ok = false;
    std::string error;
    double wall_seconds = 0;
    double cpu_seconds = 0;      // this process, during the run
    double thread_cpu_seconds = 0;  // the user-interface thread alone (COM's helper threads apart)
    double repaint_seconds = 0;  // inside the progress window's repaints
    double write_seconds = 0;    // inside the other progress writes
    long repaints = 0;
    std::uint64_t peak_working_set = 0;  // bytes, over the process's life
};

// The client process's work: attach to the running host, show a progress
// window, run, and write the result to `result_file`. Returns the exit code.
int RunClientProcess(Client client, const std::filesystem::path& result_file);

// The progress window alone, without a host: `occurrences` rounds of the
// writes and the repaint a run makes per occurrence.
struct ProgressCost {
    int occurrences = 0;
    double bar_seconds = 0;    // SetBarValue
    double line_seconds = 0;   // SetOccurrenceLine
    double repaint_seconds = 0;
    double cpu_seconds = 0;
};
ProgressCost MeasureProgressWindow(int occurrences);

// Reads what RunClientProcess wrote; a missing or broken file gives !ok.
ClientResult ReadClientResult(const std::filesystem::path& result_file);

}  // namespace marsitel::bench
