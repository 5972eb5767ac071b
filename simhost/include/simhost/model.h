#pragma once
// The host's documents as plain data, and the scenario text that describes
// them. Everything here is independent of COM.
#include <cstddef>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace simhost {

enum class EnumeratorMode { Snapshot, Live };

struct Relation {
    int id = 0;                    // stable within its assembly, never reused
    std::wstring kind;             // "ground", "mate", "planar", "axial", ...
    std::vector<int> occurrences;  // 1-based occurrence indexes, one or two
};

struct Occurrence {
    std::wstring name;    // display name, unique within its assembly
    std::wstring placed;  // document text of the placed document
};

struct Document {
    std::wstring doctext;  // the file name, e.g. "Getriebe.asm"
    bool assembly = false;
    std::wstring display_name;
    std::vector<Occurrence> occurrences;  // assemblies only; never removed
    std::vector<Relation> relations;      // assemblies only, in creation order
    int next_relation_id = 1;
};

class ScenarioError : public std::runtime_error {
public:
    ScenarioError(int line, std::wstring message);
    // "line N: message"
    std::wstring Text() const;

private:
    int line_;
    std::wstring message_;
};

class Model {
public:
    EnumeratorMode enumerator = EnumeratorMode::Snapshot;
    std::vector<Document> documents;
    std::optional<std::wstring> active;

    const Document* Find(std::wstring_view doctext) const;
    Document* Find(std::wstring_view doctext);
    // Whether `from` places `target` somewhere below it (or is it).
    bool Contains(std::wstring_view from, std::wstring_view target) const;

    // Relation ids of an assembly, in order; with occurrence > 0 only those
    // that involve that occurrence.
    std::vector<int> RelationIds(std::wstring_view assembly, int occurrence = 0) const;
    // False when the relation no longer exists.
    bool DeleteRelation(std::wstring_view assembly, int id);
    // Appends a ground relation.
    void AddGround(std::wstring_view assembly, int occurrence);

    int RelationCount(std::wstring_view assembly) const;
    int GroundCount(std::wstring_view assembly) const;
    int OccurrenceRelationCount(std::wstring_view assembly, int occurrence) const;
};

// Strict parser: throws ScenarioError with the 1-based line of the fault.
Model ParseScenario(std::wstring_view text);
std::wstring SaveScenario(const Model& model);

}  // namespace simhost
