#pragma once
// Counts per document of a host state in the simulated host's scenario format
// (its built-in scenario and the state it saves on exit): what the demo
// prints and the end-to-end tests compare.
#include <string>
#include <string_view>
#include <vector>

namespace marsitel::e2e {

struct DocumentCounts {
    std::wstring doctext;
    bool assembly = false;
    int occurrences = 0;
    int relations = 0;  // all relations of the assembly, ground relations included
    int grounds = 0;
};

struct ScenarioSummary {
    std::vector<DocumentCounts> documents;  // in the order they are declared

    // The counts of a document; a document the state does not name counts zero.
    DocumentCounts Of(std::wstring_view doctext) const;
    int TotalRelations() const;
    int TotalGrounds() const;
};

// Read by the simulated host's own parser: throws simhost::ScenarioError
// where the host would refuse the text.
ScenarioSummary Summarize(std::wstring_view scenario_text);

// A table of the assemblies, relations and ground relations before and after,
// with a closing line of the totals.
std::wstring FormatBeforeAfter(const ScenarioSummary& before, const ScenarioSummary& after);

}  // namespace marsitel::e2e
