#pragma once
// A ProgressDisplay and RunOptions for tests. The progress display writes
// each call as a line into a shared log, so that it can be interleaved with
// the host's journal.
#include <cstdint>
#include <cwchar>
#include <iterator>
#include <functional>
#include <string>
#include <vector>

#include "core/progress_display.h"
#include "core/run_options.h"

namespace marsitel::testing {

class RecordingProgress : public ProgressDisplay {
public:
    // `before_each` runs before a line is recorded: the journal-interleaving
    // tests flush the host's journal into the log there.
    explicit RecordingProgress(std::function<void(std::vector<std::wstring>&)> before_each = {})
        : before_each_(std::move(before_each)) {}

    void SetBarMin(float value) override { Add(L"progress min " + Number(value)); }
    void SetBarMax(float value) override { Add(L"progress max " + Number(value)); }
    void SetBarValue(float value) override { Add(L"progress value " + Number(value)); }
    void SetAssemblyLine(std::wstring_view text) override { Add(L"progress assembly " + std::wstring(text)); }
    void SetOccurrenceLine(std::wstring_view text) override { Add(L"progress occurrence " + std::wstring(text)); }
    void Repaint() override { Add(L"progress repaint"); }

    const std::vector<std::wstring>& lines() const { return lines_; }
    std::vector<std::wstring>& lines() { return lines_; }

private:
    static std::wstring Number(float value) {
        wchar_t text[32] = {};
        swprintf(text, std::size(text), L"%g", static_cast<double>(value));
        return text;
    }
    void Add(std::wstring line) {
        if (before_each_) before_each_(lines_);
        lines_.push_back(std::move(line));
    }

    std::function<void(std::vector<std::wstring>&)> before_each_;
    std::vector<std::wstring> lines_;
};

class FixedOptions : public RunOptions {
public:
    FixedOptions(std::int16_t level, bool ground) : level_(level), ground_(ground) {}
    std::int16_t Level() const override {
        ++level_reads;
        return level_;
    }
    bool GroundAll() const override {
        ++ground_reads;
        return ground_;
    }

    mutable int level_reads = 0;
    mutable int ground_reads = 0;

private:
    std::int16_t level_;
    bool ground_;
};

}  // namespace marsitel::testing
