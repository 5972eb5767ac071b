#include "bench/synthetic_assembly.h"

#include <algorithm>
#include <iterator>
#include <stdexcept>
#include <vector>

#include "simhost/sample_models.h"

namespace marsitel::bench {
namespace {

constexpr wchar_t kPartDoctext[] = L"Schraube.par";

struct AssemblyDocument {
    const wchar_t* doctext;
    const wchar_t* display_name;
    int parts;
    int visits;  // how often a complete run enters it
};

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
    // Each places the next one `p` times after its parts.
    const AssemblyDocument levels[] = {{L"Gesamt.asm", L"Gesamtbaugruppe", shape.top_parts, 1},
                                       {L"Rahmen.asm", L"Rahmen", shape.middle_parts, p},
                                       {L"Lager.asm", L"Lagerblock", shape.lower_parts, p * p}};
    std::vector<simhost::SyntheticDocument> documents;
    SyntheticAssembly result;
    for (std::size_t i = 0; i < std::size(levels); ++i) {
        const AssemblyDocument& level = levels[i];
        const bool places_next = i + 1 < std::size(levels);
        documents.push_back({level.doctext, level.display_name, true, {{kPartDoctext, level.parts}}});
        if (places_next) documents.back().places.push_back({levels[i + 1].doctext, p});

        const int n = level.parts + (places_next ? p : 0);
        result.occurrences_processed += n * level.visits;
        result.distinct_occurrences += n;
        // The first visit deletes the generated relations, every later one
        // the ground relations the visit before it added.
        result.relations_deleted += n * shape.relations_per_occurrence + n * (level.visits - 1);
        result.grounds_added += n * level.visits;
        result.assembly_visits += level.visits;
        if (places_next) result.sub_assembly_occurrences_entered += p * level.visits;
    }
    documents.push_back({kPartDoctext, L"Schraube", false, {}});
    simhost::Model model = simhost::SyntheticModel(documents, shape.relations_per_occurrence);
    model.active = levels[0].doctext;
    result.scenario = simhost::SaveScenario(model);
    return result;
}

}  // namespace marsitel::bench
