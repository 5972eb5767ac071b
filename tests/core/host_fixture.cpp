#include "host_fixture.h"

#include <algorithm>
#include <cwchar>
#include <iterator>

#include "core/readiness.h"
#include "core/removal.h"

namespace marsitel::testing {
namespace {

std::vector<std::wstring> Split(std::wstring_view text, std::wstring_view separator) {
    std::vector<std::wstring> parts;
    for (std::size_t start = 0;;) {
        const std::size_t end = text.find(separator, start);
        parts.emplace_back(text.substr(start, end - start));
        if (end == std::wstring_view::npos) return parts;
        start = end + separator.size();
    }
}

}  // namespace

void PrintTo(const Row& row, std::ostream* out) {
    std::wstring text = row.object + L" " + row.kind + L" " + row.member;
    for (const auto& argument : row.args) text += L" " + argument;
    *out << ::testing::PrintToString(text);
}

Rows JournalRows(const std::vector<std::wstring>& lines) {
    Rows rows;
    for (const auto& line : lines) {
        auto fields = Split(line, L"\t");
        fields.resize(5);
        Row row{fields[0], fields[1], fields[2]};
        if (fields[3] != L"-") row.args = Split(fields[3], L", ");
        rows.push_back(std::move(row));
    }
    return rows;
}

::testing::AssertionResult SameRows(const Rows& actual, const Rows& expected) {
    const auto [a, e] = std::ranges::mismatch(actual, expected);
    if (a == actual.end() && e == expected.end()) return ::testing::AssertionSuccess();
    auto failure = ::testing::AssertionFailure() << "row " << (e - expected.begin()) << ": expected ";
    failure << (e == expected.end() ? "none" : ::testing::PrintToString(*e)) << ", got "
            << (a == actual.end() ? "none" : ::testing::PrintToString(*a));
    return failure << " (" << actual.size() << " rows, " << expected.size() << " expected)";
}

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

simhost::Host& HostTest::StartHost(std::wstring_view scenario, bool record_calls) {
    host_ = simhost::Host::FromScenario(scenario);
    host_->Register();
    host_->ClearJournal();
    host_->KeepJournalInMemory(record_calls);
    if (record_calls) {
        host_->SetCallObserver([this](const simhost::JournalEntry& call) {
            log_.push_back({call.object, call.kind, call.member, call.args});
        });
    }
    return *host_;
}

std::optional<Error> HostTest::Run(FixedOptions& options) {
    log_.clear();
    RecordingProgress progress(log_);
    try {
        found_ = RunRelationRemoval(options, progress, {});
    } catch (const Error& error) {
        return error;
    }
    return std::nullopt;
}

HostReadiness HostTest::CheckReady() {
    log_.clear();
    return CheckHostReady({});
}

Rows HostTest::Where(const std::function<bool(const Row&)>& keep) const {
    Rows rows;
    std::ranges::copy_if(log_, std::back_inserter(rows), keep);
    return rows;
}

Rows HostTest::RowsOf(std::wstring_view object, std::wstring_view kind) const {
    return Where([&](const Row& row) { return row.object == object && (kind.empty() || row.kind == kind); });
}

Rows HostTest::From(const Row& first, std::size_t count) const {
    const auto start = std::ranges::find(log_, first);
    return Rows(start, start + std::min<std::ptrdiff_t>(log_.end() - start, static_cast<std::ptrdiff_t>(count)));
}

}  // namespace marsitel::testing
