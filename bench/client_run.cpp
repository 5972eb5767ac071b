#include "bench/client_run.h"

#include <windows.h>
#include <objbase.h>
#include <psapi.h>

#include <fstream>
#include <sstream>

#include "bench/reference_client.h"
#include "bench/timing.h"
#include "core/base/app_title.h"
#include "core/base/error.h"
#include "core/progress_display.h"
#include "core/removal.h"
#include "core/run_options.h"
#include "core/traversal.h"
#include "shared/com.h"
#include "simhost/support/utf8.h"
#include "ui/frm_progress.h"

namespace marsitel::bench {
namespace {

// The dialog's choices for the benchmark: all levels, grounding on.

class AllLevelsGrounded final : public RunOptions {
public:
    std::int16_t Level() const override { return kAllLevels; }
    bool GroundAll() const override { return true; }
};

// Passes every write on to the real progress window and keeps the time the
// window spends in them: the repaints apart, since the run asks for one
// whole-window repaint per occurrence.
class TimedProgress final : public ProgressDisplay {
public:
    explicit TimedProgress(ProgressDisplay& window) : window_(window) {}

    void SetBarMin(float value) override { Timed(writes_, [&] { window_.SetBarMin(value); }); }
    void SetBarMax(float value) override { Timed(writes_, [&] { window_.SetBarMax(value); }); }
    void SetBarValue(float value) override { Timed(writes_, [&] { window_.SetBarValue(value); }); }
    void SetAssemblyLine(std::wstring_view text) override { Timed(writes_, [&] { window_.SetAssemblyLine(text); }); }
    void SetOccurrenceLine(std::wstring_view text) override {
        Timed(writes_, [&] { window_.SetOccurrenceLine(text); });
    }
    void Repaint() override {
        ++repaints_;
        Timed(repaint_ticks_, [&] { window_.Repaint(); });
    }

    double RepaintSeconds() const noexcept { return clock_.Seconds(repaint_ticks_); }
    double WriteSeconds() const noexcept { return clock_.Seconds(writes_); }
    long Repaints() const noexcept { return repaints_; }

private:
    template <typename Write>
    void Timed(std::int64_t& sum, Write write) {
        const std::int64_t start = clock_.Ticks();
        write();
        sum += clock_.Ticks() - start;
    }

    ProgressDisplay& window_;
    Stopwatch clock_;
    std::int64_t repaint_ticks_ = 0;
    std::int64_t writes_ = 0;
    long repaints_ = 0;
};

std::uint64_t PeakWorkingSet() {
    PROCESS_MEMORY_COUNTERS counters{};
    counters.cb = sizeof(counters);
    if (!GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof(counters))) return 0;
    return counters.PeakWorkingSetSize;
}

double ThreadCpuSeconds() {
    FILETIME created, exited, kernel, user;
    return GetThreadTimes(GetCurrentThread(), &created, &exited, &kernel, &user) ? CpuSeconds(kernel, user) : 0.0;
}

// Runs the client; what it threw becomes the result's error.
void RunMeasured(Client client, TimedProgress& progress, ClientResult& result) {
    try {
        if (client == Client::Ours) {
            const AllLevelsGrounded options;
            RunRelationRemoval(options, progress, {});
            result.ok = true;
        } else {
            result.ok = RunReferenceRemoval(DepthForLevel(kAllLevels), true, progress);
            if (!result.ok) result.error = "host not ready";
        }
    } catch (const Error& error) {
        result.error = "error " + std::to_string(error.number()) + " " + ToUtf8(error.description());
    } catch (const std::exception& error) {
        result.error = error.what();
    }
}

void WriteResult(const ClientResult& result, const std::filesystem::path& file) {
    std::ofstream out(file, std::ios::trunc);
    out.precision(9);
    out << "ok=" << (result.ok ? 1 : 0) << '\n'
        << "wall=" << result.wall_seconds << '\n'
        << "cpu=" << result.cpu_seconds << '\n'
        << "thread_cpu=" << result.thread_cpu_seconds << '\n'
        << "repaint=" << result.repaint_seconds << '\n'
        << "writes=" << result.write_seconds << '\n'
        << "repaints=" << result.repaints << '\n'
        << "peak_ws=" << result.peak_working_set << '\n'
        << "error=" << result.error << '\n';
}

}  // namespace

const wchar_t* ClientName(Client client) { return client == Client::Ours ? L"ours" : L"reference"; }

int RunClientProcess(Client client, const std::filesystem::path& result_file) {
    ClientResult result;
    try {
        ComApartment apartment;
        ui::ProcessExit end;
        ui::frmProgress window(end);
        window.Create();
        window.SetCaption(kAppTitle);
        window.Show();
        TimedProgress progress(window);

        const Stopwatch clock;
        const double cpu_before = ProcessCpuSeconds(GetCurrentProcess());
        const double thread_cpu_before = ThreadCpuSeconds();
        const std::int64_t start = clock.Ticks();
        RunMeasured(client, progress, result);
        result.wall_seconds = clock.Seconds(clock.Ticks() - start);
        result.cpu_seconds = ProcessCpuSeconds(GetCurrentProcess()) - cpu_before;
        result.thread_cpu_seconds = ThreadCpuSeconds() - thread_cpu_before;
        result.repaint_seconds = progress.RepaintSeconds();
        result.write_seconds = progress.WriteSeconds();
        result.repaints = progress.Repaints();
        result.peak_working_set = PeakWorkingSet();
    } catch (const std::exception& error) {
        result.ok = false;
        result.error = error.what();
    }
    WriteResult(result, result_file);
    return result.ok ? 0 : 1;
}

ProgressCost MeasureProgressWindow(int occurrences) {
    ComApartment apartment;
    ui::ProcessExit end;
    ui::frmProgress window(end);
    window.Create();
    window.SetCaption(kAppTitle);
    window.Show();
    window.SetBarMin(0.0f);
    window.SetBarMax(static_cast<float>(occurrences));
    const Stopwatch clock;
    std::int64_t bar = 0, line = 0, repaint = 0;
    const double cpu_before = ThreadCpuSeconds();
    for (int i = 1; i <= occurrences; ++i) {
        const std::int64_t start = clock.Ticks();
        window.SetBarValue(static_cast<float>(i));
        const std::int64_t after_bar = clock.Ticks();
        window.SetOccurrenceLine(L"Vorkommnis Schraube:" + std::to_wstring(i));
        const std::int64_t after_line = clock.Ticks();
        window.Repaint();
        const std::int64_t end = clock.Ticks();
        bar += after_bar - start;
        line += after_line - after_bar;
        repaint += end - after_line;
    }
    ProgressCost cost;
    cost.occurrences = occurrences;
    cost.cpu_seconds = ThreadCpuSeconds() - cpu_before;
    cost.bar_seconds = clock.Seconds(bar);
    cost.line_seconds = clock.Seconds(line);
    cost.repaint_seconds = clock.Seconds(repaint);
    return cost;
}

ClientResult ReadClientResult(const std::filesystem::path& result_file) {
    ClientResult result;
    std::ifstream in(result_file);
    if (!in) {
        result.error = "no result from the client";
        return result;
    }
    std::string line;
    while (std::getline(in, line)) {
        const auto equals = line.find('=');
        if (equals == std::string::npos) continue;
        const std::string key = line.substr(0, equals);
        std::istringstream value(line.substr(equals + 1));
        if (key == "ok") {
            int ok = 0;
            value >> ok;
            result.ok = ok == 1;
        } else if (key == "wall") {
            value >> result.wall_seconds;
        } else if (key == "cpu") {
            value >> result.cpu_seconds;
        } else if (key == "thread_cpu") {
            value >> result.thread_cpu_seconds;
        } else if (key == "repaint") {
            value >> result.repaint_seconds;
        } else if (key == "writes") {
            value >> result.write_seconds;
        } else if (key == "repaints") {
            value >> result.repaints;
        } else if (key == "peak_ws") {
            value >> result.peak_working_set;
        } else if (key == "error") {
            result.error = line.substr(equals + 1);
        }
    }
    return result;
}

}  // namespace marsitel::bench
