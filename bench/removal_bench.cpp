#include "bench/removal_bench.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <optional>
#include <set>
#include <stdexcept>

#include "bench/call_counts.h"
#include "bench/timing.h"
#include "bench/synthetic_assembly.h"
#include "simhost/model.h"
#include "simhost/support/child_process.h"
#include "simhost/support/utf8.h"
#include "simhost/testing/simhost_process.h"

namespace marsitel::bench {
namespace {

namespace fs = std::filesystem;

constexpr std::chrono::milliseconds kHostReadyTimeout{120'000};
constexpr std::chrono::milliseconds kClientTimeout{3'600'000};
constexpr std::chrono::milliseconds kHostExitTimeout{120'000};
constexpr double kMebibyte = 1024.0 * 1024.0;
const wchar_t* const kCountedKinds[] = {L"get", L"call", L"put", L"names", L"qi", L"enum", L"release"};

struct RemovalSample {
    ClientResult client;
    CallCounts calls;
    double host_cpu_seconds = 0;
    // From the host's saved state after the run.
    int relations_left = 0;  // other than ground relations
    int grounds_left = 0;
    std::string problem;     // empty when the run did what it should
};

CallCounts CountJournal(const fs::path& file) {
    CallCounts counts;
    std::ifstream in(file, std::ios::binary);
    std::string line;
    while (std::getline(in, line)) counts.AddJournalLine(line);
    return counts;
}

// Relations left in the saved state, ground relations apart.
void CountRelationsLeft(const fs::path& saved_state, RemovalSample& sample) {
    const std::optional<std::wstring> text = ReadUtf8File(saved_state);
    if (!text) {
        sample.problem = "the host saved no state";
        return;
    }
    const simhost::Model model = simhost::ParseScenario(*text);
    for (const simhost::Document& document : model.documents) {
        const int grounds = model.GroundCount(document.doctext);
        sample.grounds_left += grounds;
        sample.relations_left += model.RelationCount(document.doctext) - grounds;
    }
}

struct RunFiles {
    fs::path journal, saved_state, result;
};

RunFiles FilesFor(const Folders& folders, int size, Client client) {
    const std::wstring stem = std::to_wstring(size) + L'_' + ClientName(client);
    RunFiles files{folders.output / (L"journal_" + stem + L".txt"), folders.output / (L"state_" + stem + L".txt"),
                   folders.output / (L"result_" + stem + L".txt")};
    std::error_code ignored;
    for (const fs::path& file : {files.journal, files.saved_state, files.result}) fs::remove(file, ignored);
    return files;
}

RemovalSample MeasureOnce(const Folders& folders, const fs::path& scenario, int size, Client client) {
    const RunFiles files = FilesFor(folders, size, client);
    simhost::testing::SimhostChild host({L"--scenario", scenario.wstring(), L"--journal", files.journal.wstring(),
                                         L"--save", files.saved_state.wstring(), L"--hidden"});
    if (!host.WaitReady(kHostReadyTimeout)) throw std::runtime_error(host.NotReady());

    RemovalSample sample;
    {
        ChildProcess runner(folders.programs / L"marsitel_bench.exe",
                            {L"client", ClientName(client), files.result.wstring()});
        if (!runner.WaitForExit(kClientTimeout)) sample.problem = "the client did not finish";
    }
    // Read while the host still runs: Wine reports no times for a process
    // that has ended.
    sample.host_cpu_seconds = ProcessCpuSeconds(host.Process().Handle());
    sample.client = ReadClientResult(files.result);
    if (!sample.client.ok && sample.problem.empty()) sample.problem = "client: " + sample.client.error;

    if (!host.Quit(kHostExitTimeout)) {
        host.Process().Kill();
        sample.problem = "simhost.exe did not quit";
    }
    sample.calls = CountJournal(files.journal);
    CountRelationsLeft(files.saved_state, sample);
    return sample;
}

void CheckOutcome(const SyntheticAssembly& assembly, RemovalSample& sample) {
    if (!sample.problem.empty()) return;
    if (sample.relations_left != 0) {
        sample.problem = std::to_string(sample.relations_left) + " relations left";
    } else if (sample.grounds_left != assembly.distinct_occurrences) {
        sample.problem = std::to_string(sample.grounds_left) + " ground relations instead of " +
                         std::to_string(assembly.distinct_occurrences);
    } else if (static_cast<int>(sample.calls.relations_deleted()) != assembly.relations_deleted) {
        sample.problem = std::to_string(sample.calls.relations_deleted()) + " relations deleted instead of " +
                         std::to_string(assembly.relations_deleted);
    } else if (sample.calls.failures() != 0) {
        sample.problem = std::to_string(sample.calls.failures()) + " host calls failed";
    }
}

RemovalRow Summarise(int size, Client client, const SyntheticAssembly& assembly,
                     const std::vector<RemovalSample>& samples) {
    RemovalRow row;
    row.size = size;
    row.client = client;
    row.runs = static_cast<int>(samples.size());
    row.occurrences = assembly.occurrences_processed;
    std::vector<double> relations, wall, calls, cpu_seconds, cpu, thread_cpu, repaint, writes, peak, host_cpu;
    std::set<std::size_t> distinct_calls;
    for (const RemovalSample& s : samples) {
        if (!s.problem.empty()) row.problems.push_back(s.problem);
        relations.push_back(static_cast<double>(s.calls.relations_deleted()));
        wall.push_back(s.client.wall_seconds);
        calls.push_back(static_cast<double>(s.calls.total()));
        distinct_calls.insert(s.calls.total());
        const double w = s.client.wall_seconds > 0 ? s.client.wall_seconds : 1;
        cpu_seconds.push_back(s.client.cpu_seconds);
        cpu.push_back(s.client.cpu_seconds / w);
        thread_cpu.push_back(s.client.thread_cpu_seconds / w);
        repaint.push_back(s.client.repaint_seconds / w);
        writes.push_back(s.client.write_seconds / w);
        peak.push_back(static_cast<double>(s.client.peak_working_set) / kMebibyte);
        host_cpu.push_back(s.host_cpu_seconds / w);
    }
    row.relations = Median(relations);
    row.wall_seconds = Median(wall);
    row.calls = Median(calls);
    row.calls_vary = distinct_calls.size() > 1;
    row.cpu_seconds = Median(cpu_seconds);
    row.cpu_share = Median(cpu);
    row.thread_cpu_share = Median(thread_cpu);
    row.repaint_share = Median(repaint);
    row.write_share = Median(writes);
    row.peak_working_set_mib = Median(peak);
    row.host_cpu_share = Median(host_cpu);
    for (const wchar_t* kind : kCountedKinds) {
        std::vector<double> counts;
        for (const RemovalSample& s : samples) counts.push_back(static_cast<double>(s.calls.OfKind(kind)));
        row.calls_by_kind.emplace_back(kind, Median(counts));
    }
    return row;
}

double PerUnit(double value, double units) { return units > 0 ? value / units : 0; }

// Our processor time beyond the reference client's for the same size:
// what our own code costs, since both pay the same proxy and RPC work for
// their calls. Zero for the reference's row and when no reference ran.
double CpuBeyondReference(const std::vector<RemovalRow>& rows, const RemovalRow& row) {
    if (row.client != Client::Ours) return 0;
    for (const RemovalRow& other : rows) {
        if (other.client == Client::Reference && other.size == row.size) return row.cpu_seconds - other.cpu_seconds;
    }
    return 0;
}

}  // namespace

std::vector<RemovalRow> MeasureRemoval(const Folders& folders, const std::vector<int>& sizes, int runs) {
    std::vector<RemovalRow> rows;
    for (const int size : sizes) {
        const SyntheticAssembly assembly = MakeSyntheticAssembly(ShapeForOccurrences(size));
        const fs::path scenario = folders.output / (L"assembly_" + std::to_wstring(size) + L".txt");
        if (!WriteUtf8File(scenario, assembly.scenario)) {
            throw std::runtime_error("cannot write " + scenario.string());
        }
        std::vector<RemovalSample> ours, reference;
        for (int run = 1; run <= runs; ++run) {
            for (const Client client : {Client::Ours, Client::Reference}) {
                RemovalSample sample = MeasureOnce(folders, scenario, size, client);
                CheckOutcome(assembly, sample);
                std::printf("  %5d occurrences, run %d, %-9s %8.3f s, %zu host calls%s%s\n", size, run,
                            ToUtf8(ClientName(client)).c_str(), sample.client.wall_seconds, sample.calls.total(),
                            sample.problem.empty() ? "" : ", PROBLEM: ", sample.problem.c_str());
                std::fflush(stdout);
                (client == Client::Ours ? ours : reference).push_back(std::move(sample));
            }
        }
        rows.push_back(Summarise(size, Client::Ours, assembly, ours));
        rows.push_back(Summarise(size, Client::Reference, assembly, reference));
    }
    return rows;
}

void PrintRemovalTable(const std::vector<RemovalRow>& rows, int runs) {
    std::printf("\nRelation removal, all levels, grounding on; medians of %d run%s\n", runs, runs == 1 ? "" : "s");
    std::printf("%-10s %6s %6s %8s %7s %8s %9s %9s %6s %6s %8s %8s %7s\n", "client", "occ", "rels", "wall s",
                "ms/occ", "calls", "calls/occ", "calls/rel", "cpu%", "ui%", "repaint%", "peak MiB", "host%");
    const RemovalRow* ours = nullptr;
    for (const RemovalRow& row : rows) {
        std::printf("%-10s %6d %6.0f %8.3f %7.2f %8.0f%s %9.2f %9.2f %6.1f %6.1f %8.1f %8.1f %7.1f\n",
                    ToUtf8(ClientName(row.client)).c_str(), row.occurrences, row.relations, row.wall_seconds,
                    PerUnit(row.wall_seconds * 1000, row.occurrences), row.calls, row.calls_vary ? "*" : " ",
                    PerUnit(row.calls, row.occurrences), PerUnit(row.calls, row.relations), row.cpu_share * 100,
                    row.thread_cpu_share * 100, row.repaint_share * 100, row.peak_working_set_mib, row.host_cpu_share * 100);
        if (row.client == Client::Ours) {
            ours = &row;
            continue;
        }
        if (ours && ours->size == row.size) {
            std::printf("%-10s %6s %6s %8.2f %7.2f %8.2f  %9.2f %9.2f\n", "ours/ref", "", "",
                        PerUnit(ours->wall_seconds, row.wall_seconds), PerUnit(ours->wall_seconds, row.wall_seconds),
                        PerUnit(ours->calls, row.calls), PerUnit(ours->calls, row.calls),
                        PerUnit(ours->calls, row.calls));
            const double beyond = CpuBeyondReference(rows, *ours);
            std::printf("%-10s our processor time beyond the reference's: %.3f s, %.1f%% of our wall time\n", "",
                        beyond, PerUnit(beyond * 100, ours->wall_seconds));
        }
        std::printf("\n");
    }
    for (const RemovalRow& row : rows) {
        for (const std::string& problem : row.problems) {
            std::printf("PROBLEM (%d occurrences, %s): %s\n", row.size, ToUtf8(ClientName(row.client)).c_str(),
                        problem.c_str());
        }
    }
    std::fflush(stdout);
}

void WriteRemovalCsv(const std::vector<RemovalRow>& rows, const std::filesystem::path& file) {
    std::ofstream out(file, std::ios::trunc);
    out << "size,client,runs,occurrences,relations,wall_s,ms_per_occurrence,host_calls,calls_per_occurrence,"
           "calls_per_relation,cpu_s,cpu_beyond_reference_s,cpu_share,ui_thread_cpu_share,repaint_share,other_progress_share,peak_working_set_mib,host_cpu_share";
    for (const wchar_t* kind : kCountedKinds) out << ",calls_" << ToUtf8(kind);
    out << ",problems\n";
    for (const RemovalRow& row : rows) {
        out << row.size << ',' << ToUtf8(ClientName(row.client)) << ',' << row.runs << ',' << row.occurrences << ','
            << row.relations << ',' << row.wall_seconds << ',' << PerUnit(row.wall_seconds * 1000, row.occurrences)
            << ',' << row.calls << ',' << PerUnit(row.calls, row.occurrences) << ','
            << PerUnit(row.calls, row.relations) << ',' << row.cpu_seconds << ','
            << CpuBeyondReference(rows, row) << ',' << row.cpu_share << ',' << row.thread_cpu_share << ','
            << row.repaint_share << ','
            << row.write_share << ',' << row.peak_working_set_mib << ',' << row.host_cpu_share;
        for (const auto& [kind, count] : row.calls_by_kind) out << ',' << count;
        out << ',' << row.problems.size() << '\n';
    }
    if (!out) throw std::runtime_error("cannot write " + file.string());
}

}  // namespace marsitel::bench
