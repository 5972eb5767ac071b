#pragma once
// Host calls as the simulated host journals them: one journal line per call
// that reaches the host (dispatch calls, name look-ups, interface queries,
// enumerator steps and, where the host sees them, releases).
#include <cstddef>
#include <map>
#include <string>
#include <string_view>

namespace marsitel::bench {

class CallCounts {
public:
    // One line of the host's journal file: object TAB kind TAB member TAB
    // arguments TAB outcome. Lines that are not journal entries are ignored.
    void AddJournalLine(std::string_view line);

    std::size_t total() const noexcept { return total_; }
    std::size_t OfKind(const std::wstring& kind) const;
    // "Delete" calls the host answered without an error.
    std::size_t relations_deleted() const noexcept { return relations_deleted_; }
    // Calls the host answered with an error.
    std::size_t failures() const noexcept { return failures_; }

private:
    // One journal entry, by its kind ("get", "call", "names", "qi", ...),
    // member and outcome.
    void Add(std::wstring_view kind, std::wstring_view member, std::wstring_view outcome);

    std::size_t total_ = 0;
    std::size_t relations_deleted_ = 0;
    std::size_t failures_ = 0;
    std::map<std::wstring, std::size_t> by_kind_;
};

}  // namespace marsitel::bench
