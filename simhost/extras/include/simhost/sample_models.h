#pragma once
// The models simhost makes itself: the built-in gearbox, and synthetic
// assemblies for --generate and the benchmark.
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "simhost/model.h"

namespace simhost {

// The built-in German machine assembly used when no scenario is given.
std::wstring_view BuiltInScenarioText();

// A document of a synthetic assembly. An assembly places each document of
// `places` as often as given, in that order; its occurrences are named after
// the placed document and numbered ("Teil_1:1", "Rahmen:2").
struct SyntheticDocument {
    std::wstring doctext;
    std::wstring display_name;
    bool assembly = false;
    std::vector<std::pair<std::wstring, int>> places;  // doctext, how often
};
// The documents in the order given, none active. Each occurrence of an
// assembly gets `relations_per_occurrence` relations with the next one (the
// last with the first), of the kinds mate, planar, axial and angle in turn.
Model SyntheticModel(const std::vector<SyntheticDocument>& documents, int relations_per_occurrence);

struct GeneratorOptions {
    int occurrences_per_assembly = 10;
    int relations_per_occurrence = 2;  // relations created per occurrence, each with the next one
    int depth = 2;                     // levels of assemblies, 1 = the top assembly only
    int fan_out = 2;                   // occurrences per assembly that are sub-assemblies
    EnumeratorMode enumerator = EnumeratorMode::Snapshot;
};
// Every assembly below the top is its own document (no sharing), so each
// visit has real work. Throws std::invalid_argument on unusable options.
Model GenerateModel(const GeneratorOptions& options);

}  // namespace simhost
