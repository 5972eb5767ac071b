#include "host_fixture.h"

#include <algorithm>

#include "core/removal.h"

namespace marsitel::testing {

std::wstring JournalLine(const simhost::JournalEntry& entry) {
    std::wstring line = entry.object + L" " + entry.kind + L" " + entry.member;
    for (const auto& argument : entry.args) line += L" " + argument;
    return line;
}

void ExpectSameLines(const std::vector<std::wstring>& actual, const std::vector<std::wstring>& expected) {
    const std::size_t common = std::min(actual.size(), expected.size());
    std::size_t first = 0;
    while (first < common && actual[first] == expected[first]) ++first;
    if (first == common && actual.size() == expected.size()) return;
    std::wstring report = L"first difference at line " + std::to_wstring(first) + L"\nactual:\n";
    for (std::size_t i = first; i < std::min(actual.size(), first + 6); ++i) report += L"  " + actual[i] + L"\n";
    report += L"expected:\n";
    for (std::size_t i = first; i < std::min(expected.size(), first + 6); ++i) report += L"  " + expected[i] + L"\n";
    ADD_FAILURE() << report;
}

void HostTest::TearDown() {
    if (!host_) return;
    EXPECT_EQ(host_->ClientReferences(), 0) << "host references left behind";
    host_.reset();
}

simhost::Host& HostTest::StartHost(std::wstring_view scenario) {
    host_ = simhost::Host::FromScenario(scenario);
    host_->Register();
    host_->ClearJournal();
    journal_read_ = 0;
    return *host_;
}

void HostTest::FlushJournal(std::vector<std::wstring>& log) {
    const auto journal = host_->Journal();
    for (; journal_read_ < journal.size(); ++journal_read_) log.push_back(JournalLine(journal[journal_read_]));
}

std::optional<Error> HostTest::Run(std::int16_t level, bool ground) {
    FixedOptions options(level, ground);
    return Run(options);
}

std::optional<Error> HostTest::Run(FixedOptions& options) {
    RecordingProgress progress([this](std::vector<std::wstring>& log) { FlushJournal(log); });
    std::optional<Error> failure;
    try {
        RunRelationRemoval(options, progress);
    } catch (const Error& error) {
        failure = error;
    }
    FlushJournal(progress.lines());
    log_ = progress.lines();
    return failure;
}

bool HostTest::CheckReady() {
    const bool ready = CheckHostReady();
    log_.clear();
    FlushJournal(log_);
    return ready;
}

std::vector<std::wstring> HostTest::LinesStartingWith(std::wstring_view prefix) const {
    std::vector<std::wstring> lines;
    for (const auto& line : log_) {
        if (std::wstring_view(line).substr(0, prefix.size()) == prefix) lines.push_back(line);
    }
    return lines;
}

int HostTest::CountLines(std::wstring_view line) const {
    int count = 0;
    for (const auto& entry : log_) count += entry == line ? 1 : 0;
    return count;
}

}  // namespace marsitel::testing
