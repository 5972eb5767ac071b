#include "scenario_summary.h"

#include <algorithm>
#include <iterator>

namespace marsitel::e2e {
namespace {

constexpr std::wstring_view kGroundKind = L"ground";

struct Column {
    const wchar_t* title;
    int width;
};
constexpr Column kColumns[] = {
    {L"Assembly", 24}, {L"Occurrences", 12}, {L"Relations before", 17}, {L"after", 6}, {L"Ground before", 14}, {L"after", 6},
};

std::wstring PadRight(std::wstring text, int width) {
    if (static_cast<int>(text.size()) < width) text.append(static_cast<std::size_t>(width) - text.size(), L' ');
    return text;
}

std::wstring PadLeft(const std::wstring& text, int width) {
    if (static_cast<int>(text.size()) >= width) return text;
    return std::wstring(static_cast<std::size_t>(width) - text.size(), L' ') + text;
}

DocumentCounts* Find(std::vector<DocumentCounts>& documents, std::wstring_view doctext) {
    auto it = std::find_if(documents.begin(), documents.end(), [&](const DocumentCounts& d) { return d.doctext == doctext; });
    return it == documents.end() ? nullptr : &*it;
}

std::vector<std::wstring> SplitTokens(std::wstring_view line) {
    std::vector<std::wstring> tokens;
    std::size_t i = 0;
    while (i < line.size()) {
        if (line[i] == L' ' || line[i] == L'\t' || line[i] == L'\r') {
            ++i;
            continue;
        }
        std::wstring token;
        if (line[i] == L'"') {
            for (++i; i < line.size() && line[i] != L'"'; ++i) {
                if (line[i] == L'\\' && i + 1 < line.size()) ++i;
                token += line[i];
            }
            ++i;
        } else {
            for (; i < line.size() && line[i] != L' ' && line[i] != L'\t' && line[i] != L'\r'; ++i) token += line[i];
        }
        tokens.push_back(std::move(token));
    }
    return tokens;
}

}  // namespace

DocumentCounts ScenarioSummary::Of(std::wstring_view doctext) const {
    for (const auto& d : documents) {
        if (d.doctext == doctext) return d;
    }
    return DocumentCounts{std::wstring(doctext)};
}

int ScenarioSummary::TotalRelations() const {
    int total = 0;
    for (const auto& d : documents) total += d.relations;
    return total;
}

int ScenarioSummary::TotalGrounds() const {
    int total = 0;
    for (const auto& d : documents) total += d.grounds;
    return total;
}

ScenarioSummary Summarize(std::wstring_view scenario_text) {
    ScenarioSummary summary;
    std::size_t start = 0;
    while (start <= scenario_text.size()) {
        std::size_t end = scenario_text.find(L'\n', start);
        if (end == std::wstring_view::npos) end = scenario_text.size();
        const auto tokens = SplitTokens(scenario_text.substr(start, end - start));
        start = end + 1;
        if (tokens.empty() || tokens[0].starts_with(L"#")) continue;
        if (tokens[0] == L"document" && tokens.size() >= 3) {
            summary.documents.push_back({tokens[1], tokens[2] == L"assembly"});
        } else if (tokens[0] == L"occurrence" && tokens.size() >= 2) {
            if (auto* d = Find(summary.documents, tokens[1])) ++d->occurrences;
        } else if (tokens[0] == L"relation" && tokens.size() >= 3) {
            if (auto* d = Find(summary.documents, tokens[1])) {
                ++d->relations;
                if (tokens[2] == kGroundKind) ++d->grounds;
            }
        }
    }
    return summary;
}

std::wstring FormatBeforeAfter(const ScenarioSummary& before, const ScenarioSummary& after) {
    std::wstring out;
    out += PadRight(kColumns[0].title, kColumns[0].width) + L" ";
    for (std::size_t i = 1; i < std::size(kColumns); ++i) out += PadLeft(kColumns[i].title, kColumns[i].width) + L" ";
    out += L"\n";
    for (const auto& document : before.documents) {
        if (!document.assembly) continue;
        const DocumentCounts now = after.Of(document.doctext);
        const int values[] = {document.occurrences, document.relations, now.relations, document.grounds, now.grounds};
        out += PadRight(document.doctext, kColumns[0].width) + L" ";
        for (std::size_t i = 0; i < std::size(values); ++i) {
            out += PadLeft(std::to_wstring(values[i]), kColumns[i + 1].width) + L" ";
        }
        out += L"\n";
    }
    const int other_before = before.TotalRelations() - before.TotalGrounds();
    const int other_after = after.TotalRelations() - after.TotalGrounds();
    out += L"Relations other than ground: " + std::to_wstring(other_before) + L" before, " + std::to_wstring(other_after) +
           L" after (" + std::to_wstring(other_before - other_after) + L" removed).\n";
    out += L"Ground relations: " + std::to_wstring(before.TotalGrounds()) + L" before, " + std::to_wstring(after.TotalGrounds()) +
           L" after (" + std::to_wstring(after.TotalGrounds() - before.TotalGrounds()) + L" added).\n";
    return out;
}

}  // namespace marsitel::e2e
