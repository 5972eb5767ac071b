#include "simhost/model.h"

#include <algorithm>
#include <set>

#include "simhost/support/utf8.h"

namespace simhost {

ScenarioError::ScenarioError(int line, std::wstring message)
    : std::runtime_error("line " + std::to_string(line) + ": " + marsitel::ToUtf8(message)), line_(line),
      message_(std::move(message)) {}

std::wstring ScenarioError::Text() const { return L"line " + std::to_wstring(line_) + L": " + message_; }

const Document* Model::Find(std::wstring_view doctext) const {
    auto it = std::find_if(documents.begin(), documents.end(),
                           [&](const Document& d) { return d.doctext == doctext; });
    return it == documents.end() ? nullptr : &*it;
}

Document* Model::Find(std::wstring_view doctext) {
    return const_cast<Document*>(static_cast<const Model*>(this)->Find(doctext));
}

bool Model::Contains(std::wstring_view from, std::wstring_view target) const {
    // Each document is looked at once: sub-assemblies shared by many parents
    // would make a plain recursion exponential in the depth.
    std::vector<std::wstring_view> pending{from};
    std::set<std::wstring_view> seen{from};
    while (!pending.empty()) {
        std::wstring_view current = pending.back();
        pending.pop_back();
        if (current == target) return true;
        const Document* doc = Find(current);
        if (!doc) continue;
        for (const Occurrence& occ : doc->occurrences) {
            if (seen.insert(occ.placed).second) pending.push_back(occ.placed);
        }
    }
    return false;
}

std::vector<int> Model::RelationIds(std::wstring_view assembly, int occurrence) const {
    std::vector<int> ids;
    const Document* doc = Find(assembly);
    if (!doc) return ids;
    for (const Relation& r : doc->relations) {
        const bool involved = std::ranges::find(r.occurrences, occurrence) != r.occurrences.end();
        if (occurrence == 0 || involved) ids.push_back(r.id);
    }
    return ids;
}

bool Model::DeleteRelation(std::wstring_view assembly, int id) {
    Document* doc = Find(assembly);
    return doc && std::erase_if(doc->relations, [&](const Relation& r) { return r.id == id; }) > 0;
}

void Model::AddGround(std::wstring_view assembly, int occurrence) {
    Document* doc = Find(assembly);
    if (!doc || !doc->assembly || occurrence < 1 ||
        occurrence > static_cast<int>(doc->occurrences.size())) {
        throw std::out_of_range("no such occurrence");
    }
    doc->relations.push_back({doc->next_relation_id++, L"ground", {occurrence}});
}

int Model::RelationCount(std::wstring_view assembly) const {
    const Document* doc = Find(assembly);
    return doc ? static_cast<int>(doc->relations.size()) : 0;
}

int Model::GroundCount(std::wstring_view assembly) const {
    const Document* doc = Find(assembly);
    return doc ? static_cast<int>(std::ranges::count(doc->relations, L"ground", &Relation::kind)) : 0;
}

int Model::OccurrenceRelationCount(std::wstring_view assembly, int occurrence) const {
    return static_cast<int>(RelationIds(assembly, occurrence).size());
}

}  // namespace simhost
