#include "bench/call_counts.h"

#include <array>

#include "shared/host_interface.h"
#include "simhost/support/utf8.h"

namespace marsitel::bench {
namespace {

constexpr std::size_t kJournalFields = 5;

bool IsFailure(std::wstring_view outcome) {
    return outcome.starts_with(L"error") || outcome.starts_with(L"hresult") || outcome.starts_with(L"E_");
}

}  // namespace

void CallCounts::Add(std::wstring_view kind, std::wstring_view member, std::wstring_view outcome) {
    ++total_;
    ++by_kind_[std::wstring(kind)];
    const bool failed = IsFailure(outcome);
    if (failed) ++failures_;
    if (kind == L"call" && member == marsitel::host::by_name::kDelete && !failed) ++relations_deleted_;
}

void CallCounts::AddJournalLine(std::string_view line) {
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (line.empty() || line.front() == '#') return;
    std::array<std::string_view, kJournalFields> fields;
    std::size_t found = 0;
    while (found + 1 < kJournalFields) {
        const std::size_t tab = line.find('\t');
        if (tab == std::string_view::npos) break;
        fields[found++] = line.substr(0, tab);
        line.remove_prefix(tab + 1);
    }
    if (found + 1 != kJournalFields) return;
    fields[found] = line;
    Add(FromUtf8(fields[1]), FromUtf8(fields[2]), FromUtf8(fields[4]));
}

std::size_t CallCounts::OfKind(const std::wstring& kind) const {
    const auto it = by_kind_.find(kind);
    return it == by_kind_.end() ? 0 : it->second;
}

}  // namespace marsitel::bench
