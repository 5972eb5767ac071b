#include "host_fixture.h"

#include <algorithm>
#include <cwchar>
#include <iterator>

#include "core/readiness.h"
#include "core/removal.h"

namespace marsitel::testing {

std::wstring RecordingProgress::Number(float value) {
    wchar_t text[32] = {};
    swprintf(text, std::size(text), L"%g", static_cast<double>(value));
    return text;
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

void HostTest::FlushJournal(Lines& log) {
    if (!host_) return;
    const auto journal = host_->Journal();
    for (; journal_read_ < journal.size(); ++journal_read_) {
        const auto& entry = journal[journal_read_];
        std::wstring line = entry.object + L" " + entry.kind + L" " + entry.member;
        for (const auto& argument : entry.args) line += L" " + argument;
        log.push_back(std::move(line));
    }
}

std::optional<Error> HostTest::Run(FixedOptions& options) {
    RecordingProgress progress([this](Lines& log) { FlushJournal(log); });
    std::optional<Error> failure;
    try {
        found_ = RunRelationRemoval(options, progress, {});
    } catch (const Error& error) {
        failure = error;
    }
    FlushJournal(progress.lines());
    log_ = progress.lines();
    return failure;
}

HostReadiness HostTest::CheckReady() {
    const HostReadiness ready = CheckHostReady({});
    log_.clear();
    FlushJournal(log_);
    return ready;
}

Lines HostTest::LinesStartingWith(std::wstring_view prefix) const {
    Lines lines;
    std::copy_if(log_.begin(), log_.end(), std::back_inserter(lines),
                 [&](const std::wstring& line) { return line.starts_with(prefix); });
    return lines;
}

}  // namespace marsitel::testing
