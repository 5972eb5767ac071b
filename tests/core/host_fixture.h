#pragma once
// The fixture that runs the procedures against the simulated host registered in
// this process (ProgID, running object table), with the host's calls and the
// progress writes as rows of one log, in the order they happened.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "core/base/error.h"
#include "core/progress_display.h"
#include "core/readiness.h"
#include "core/run_options.h"
#include "shared/com.h"
#include "shared/host_interface.h"
#include "simhost/host.h"

namespace marsitel::testing {

// A call as the host's journal has it, its outcome left out, or a progress
// write: object "progress", kind the write, member the value written.
struct Row {
    std::wstring object, kind, member;
    std::vector<std::wstring> args = {};
    bool operator==(const Row&) const = default;
};
using Rows = std::vector<Row>;

// "rels:doc:Top.asm call 4 VT_DISPATCH occ:Top.asm:1", as a failure names it.
void PrintTo(const Row& row, std::ostream* out);
// A member called by its dispatch id, as the journal writes it.
inline std::wstring Member(DISPID id) { return std::to_wstring(id); }
// The lines of simhost.exe's journal file (tab-separated) as rows.
Rows JournalRows(const std::vector<std::wstring>& lines);
// The same rows in the same order; a failure names the first row that differs.
::testing::AssertionResult SameRows(const Rows& actual, const Rows& expected);

class RecordingProgress : public ProgressDisplay {
public:
    explicit RecordingProgress(Rows& log) : log_(log) {}
    void SetBarMin(float value) override { Add(L"min", Number(value)); }
    void SetBarMax(float value) override { Add(L"max", Number(value)); }
    void SetBarValue(float value) override { Add(L"value", Number(value)); }
    void SetAssemblyLine(std::wstring_view text) override { Add(L"assembly", std::wstring(text)); }
    void SetOccurrenceLine(std::wstring_view text) override { Add(L"occurrence", std::wstring(text)); }
    void Repaint() override { Add(L"repaint", {}); }

private:
    static std::wstring Number(float value);
    void Add(const wchar_t* kind, std::wstring value) { log_.push_back({L"progress", kind, std::move(value)}); }
    Rows& log_;
};

class FixedOptions : public RunOptions {
public:
    FixedOptions(std::int16_t level, bool ground) : level_(level), ground_(ground) {}
    std::int16_t Level() const override { return ++level_reads, level_; }
    bool GroundAll() const override { return ++ground_reads, ground_; }
    mutable int level_reads = 0;
    mutable int ground_reads = 0;

private:
    std::int16_t level_;
    bool ground_;
};

class HostTest : public ::testing::Test {
protected:
    void TearDown() override;
    // Without `record_calls`, the log keeps the progress writes alone and the
    // host no journal: for runs of hundreds of thousands of calls.
    simhost::Host& StartHost(std::wstring_view scenario, bool record_calls = true);
    // One run; its rows are in log_, what its check found in found_.
    // Returns the error that ended it.
    std::optional<Error> Run(std::int16_t level, bool ground) { FixedOptions options(level, ground); return Run(options); }
    std::optional<Error> Run(FixedOptions& options);
    // The readiness check alone; its rows are in log_.
    HostReadiness CheckReady();
    Rows Where(const std::function<bool(const Row&)>& keep) const;
    // The rows of `object`, of that kind when one is given.
    Rows RowsOf(std::wstring_view object, std::wstring_view kind = {}) const;
    // At most `count` rows: the first, the last, or from the first equal to `first` on.
    Rows First(std::size_t count) const { return Rows(log_.begin(), log_.begin() + std::min(count, log_.size())); }
    Rows Last(std::size_t count) const { return Rows(log_.end() - std::min(count, log_.size()), log_.end()); }
    Rows From(const Row& first, std::size_t count) const;
    int Count(const Row& row) const { return static_cast<int>(std::ranges::count(log_, row)); }
    // Each test runs in a single-threaded apartment, as the program's UI thread does.
    ComApartment apartment_;
    std::unique_ptr<simhost::Host> host_;
    Rows log_;
    HostReadiness found_ = HostReadiness::Ready;
};

}  // namespace marsitel::testing
