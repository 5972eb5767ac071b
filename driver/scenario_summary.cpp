#include "driver/scenario_summary.h"

#include <iterator>

#include "simhost/model.h"

namespace marsitel::e2e {
namespace {

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
    const simhost::Model model = simhost::ParseScenario(scenario_text);
    ScenarioSummary summary;
    for (const simhost::Document& document : model.documents) {
        summary.documents.push_back({document.doctext, document.assembly, static_cast<int>(document.occurrences.size()),
                                     model.RelationCount(document.doctext), model.GroundCount(document.doctext)});
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
