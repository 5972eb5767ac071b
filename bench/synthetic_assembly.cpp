#include "bench/synthetic_assembly.h"

#include <algorithm>
#include <array>
#include <stdexcept>
#include <vector>

namespace marsitel::bench {
namespace {

constexpr std::array<const wchar_t*, 4> kRelationKinds = {L"mate", L"planar", L"axial", L"angle"};

struct AssemblyDocument {
    const wchar_t* doctext;
    const wchar_t* display_name;
    int parts;
    const AssemblyDocument* sub_assembly;  // placed `placements` times after the parts, or none
    int visits;                            // how often a complete run enters it
};

constexpr wchar_t kPartDoctext[] = L"Schraube.par";
constexpr wchar_t kPartName[] = L"Schraube";

std::wstring OccurrenceName(const wchar_t* base, int index) { return std::wstring(base) + L':' + std::to_wstring(index); }

std::wstring BaseName(const wchar_t* doctext) {
    std::wstring name(doctext);
    return name.substr(0, name.find(L'.'));
}

std::vector<std::wstring> OccurrenceNames(const AssemblyDocument& document, int placements) {
    std::vector<std::wstring> names;
    for (int k = 1; k <= document.parts; ++k) names.push_back(OccurrenceName(kPartName, k));
    if (document.sub_assembly) {
        const std::wstring base = BaseName(document.sub_assembly->doctext);
        for (int k = 1; k <= placements; ++k) names.push_back(OccurrenceName(base.c_str(), k));
    }
    return names;
}

void AppendOccurrences(std::wstring& text, const AssemblyDocument& document, const std::vector<std::wstring>& names) {
    for (std::size_t i = 0; i < names.size(); ++i) {
        const bool is_part = static_cast<int>(i) < document.parts;
        text += L"occurrence " + std::wstring(document.doctext) + L' ' + names[i] + L' ' +
                (is_part ? kPartDoctext : document.sub_assembly->doctext) + L'\n';
    }
}

void AppendRelations(std::wstring& text, const AssemblyDocument& document, const std::vector<std::wstring>& names,
                     int per_occurrence) {
    const std::size_t n = names.size();
    for (std::size_t i = 0; i < n; ++i) {
        for (int r = 0; r < per_occurrence; ++r) {
            text += L"relation " + std::wstring(document.doctext) + L' ' + kRelationKinds[r % kRelationKinds.size()] +
                    L' ' + names[i];
            if (n > 1) text += L' ' + names[(i + 1) % n];
            text += L'\n';
        }
    }
}

}  // namespace

AssemblyShape ShapeForOccurrences(int occurrences, int relations_per_occurrence) {
    AssemblyShape shape;
    shape.relations_per_occurrence = relations_per_occurrence;
    // Visits: top once, middle twice, lower four times.
    const int per_lower_visit = std::max(1, occurrences / 8);
    shape.lower_parts = per_lower_visit;
    shape.middle_parts = std::max(0, per_lower_visit - shape.placements);
    const int rest = occurrences - 4 * shape.lower_parts - 2 * (shape.middle_parts + shape.placements);
    shape.top_parts = std::max(0, rest - shape.placements);
    return shape;
}

SyntheticAssembly MakeSyntheticAssembly(const AssemblyShape& shape) {
    if (shape.top_parts < 0 || shape.middle_parts < 0 || shape.lower_parts < 1 ||
        shape.relations_per_occurrence < 0 || shape.placements < 1) {
        throw std::invalid_argument("unusable assembly shape");
    }
    const int p = shape.placements;
    const AssemblyDocument lower{L"Lager.asm", L"Lagerblock", shape.lower_parts, nullptr, p * p};
    const AssemblyDocument middle{L"Rahmen.asm", L"Rahmen", shape.middle_parts, &lower, p};
    const AssemblyDocument top{L"Gesamt.asm", L"Gesamtbaugruppe", shape.top_parts, &middle, 1};
    const AssemblyDocument* documents[] = {&top, &middle, &lower};

    SyntheticAssembly result;
    std::wstring& text = result.scenario;
    text = L"simhost-scenario 1\nenumerator snapshot\n";
    for (const AssemblyDocument* document : documents) {
        text += L"document " + std::wstring(document->doctext) + L" assembly \"" + document->display_name + L"\"\n";
    }
    text += std::wstring(L"document ") + kPartDoctext + L" part " + kPartName + L'\n';
    for (const AssemblyDocument* document : documents) {
        const std::vector<std::wstring> names = OccurrenceNames(*document, p);
        AppendOccurrences(text, *document, names);
        AppendRelations(text, *document, names, shape.relations_per_occurrence);

        const int n = static_cast<int>(names.size());
        result.occurrences_processed += n * document->visits;
        result.distinct_occurrences += n;
        // The first visit deletes the generated relations, every later one
        // the ground relations the visit before it added.
        result.relations_deleted += n * shape.relations_per_occurrence + n * (document->visits - 1);
        result.grounds_added += n * document->visits;
        result.assembly_visits += document->visits;
        if (document->sub_assembly) result.sub_assembly_occurrences_entered += p * document->visits;
    }
    text += std::wstring(L"active ") + top.doctext + L'\n';
    return result;
}

}  // namespace marsitel::bench
