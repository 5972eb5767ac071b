#pragma once
// The fixture that runs the procedures against the simulated host registered in
// this process (ProgID, running object table), the host's journal and the
// progress writes merged into one log in the order they happened.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/base/error.h"
#include "core/progress_display.h"
#include "core/readiness.h"
#include "core/run_options.h"
#include "shared/com.h"
#include "simhost/host.h"

namespace marsitel::testing {

using Lines = std::vector<std::wstring>;

// Writes each call as a line; `before_each` runs first, so that the host's
// journal can be flushed into the same log.
class RecordingProgress : public ProgressDisplay {
public:
    explicit RecordingProgress(std::function<void(Lines&)> before_each = {}) : before_each_(std::move(before_each)) {}
    void SetBarMin(float value) override { Add(L"progress min " + Number(value)); }
    void SetBarMax(float value) override { Add(L"progress max " + Number(value)); }
    void SetBarValue(float value) override { Add(L"progress value " + Number(value)); }
    void SetAssemblyLine(std::wstring_view text) override { Add(L"progress assembly " + std::wstring(text)); }
    void SetOccurrenceLine(std::wstring_view text) override { Add(L"progress occurrence " + std::wstring(text)); }
    void Repaint() override { Add(L"progress repaint"); }
    Lines& lines() { return lines_; }

private:
    static std::wstring Number(float value);
    void Add(std::wstring line) {
        if (before_each_) before_each_(lines_);
        lines_.push_back(std::move(line));
    }
    std::function<void(Lines&)> before_each_;
    Lines lines_;
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
    simhost::Host& StartHost(std::wstring_view scenario);
    // One run; the merged log is in log_, what its check found in found_.
    // Returns the error that ended it.
    std::optional<Error> Run(std::int16_t level, bool ground) { FixedOptions options(level, ground); return Run(options); }
    std::optional<Error> Run(FixedOptions& options);
    // The readiness check alone; its journal lines are in log_.
    HostReadiness CheckReady();
    Lines LinesStartingWith(std::wstring_view prefix) const;
    int CountLines(std::wstring_view line) const { return static_cast<int>(std::ranges::count(log_, line)); }
    // Each test runs in a single-threaded apartment, as the program's UI thread does.
    ComApartment apartment_;
    std::unique_ptr<simhost::Host> host_;
    Lines log_;
    HostReadiness found_ = HostReadiness::Ready;

private:
    void FlushJournal(Lines& log);
    std::size_t journal_read_ = 0;
};

}  // namespace marsitel::testing
