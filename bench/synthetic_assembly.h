#pragma once
// Synthetic assemblies for the benchmark, written in the simulated host's
// scenario format. Three levels, and each sub-assembly placed twice by its
// parent, so that a run through all levels visits shared documents more than
// once, as real assemblies with repeated sub-assemblies make it do.
#include <string>

namespace marsitel::bench {

struct AssemblyShape {
    int top_parts = 0;     // parts placed directly in the top assembly
    int middle_parts = 0;  // parts in the middle sub-assembly
    int lower_parts = 1;   // parts in the lower sub-assembly
    // Relations created per occurrence, each tying it to the next occurrence
    // of its assembly (the last one to the first).
    int relations_per_occurrence = 4;
    int placements = 2;    // how often each sub-assembly is placed in its parent
};

// A shape whose complete run processes `occurrences` occurrences, about a
// quarter of them at each of the two upper levels and half at the lowest.
AssemblyShape ShapeForOccurrences(int occurrences, int relations_per_occurrence = 4);

struct SyntheticAssembly {
    std::wstring scenario;
    // What a run through all levels with grounding does to it.
    int occurrences_processed = 0;
    int distinct_occurrences = 0;  // placed in the three documents
    int relations_deleted = 0;
    int grounds_added = 0;
    int assembly_visits = 0;
    int sub_assembly_occurrences_entered = 0;
};

// Throws std::invalid_argument for a shape with negative counts or without
// any lower part.
SyntheticAssembly MakeSyntheticAssembly(const AssemblyShape& shape);

}  // namespace marsitel::bench
