#include "simhost/model.h"

#include <algorithm>
#include <set>

#include "shared/utf8.h"

namespace simhost {

namespace {

bool Involves(const Relation& relation, int occurrence) {
    return std::find(relation.occurrences.begin(), relation.occurrences.end(), occurrence) !=
           relation.occurrences.end();
}

}  // namespace

ScenarioError::ScenarioError(int line, std::wstring message)
    : std::runtime_error("line " + std::to_string(line) + ": " + marsitel::ToUtf8(message)),
      line_(line),
      message_(std::move(message)) {}

std::wstring ScenarioError::Text() const {
    return L"line " + std::to_wstring(line_) + L": " + message_;
}

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
        if (occurrence == 0 || Involves(r, occurrence)) ids.push_back(r.id);
    }
    return ids;
}

bool Model::DeleteRelation(std::wstring_view assembly, int id) {
    Document* doc = Find(assembly);
    if (!doc) return false;
    auto it = std::find_if(doc->relations.begin(), doc->relations.end(),
                           [&](const Relation& r) { return r.id == id; });
    if (it == doc->relations.end()) return false;
    doc->relations.erase(it);
    return true;
}

int Model::AddGround(std::wstring_view assembly, int occurrence) {
    Document* doc = Find(assembly);
    if (!doc || !doc->assembly || occurrence < 1 ||
        occurrence > static_cast<int>(doc->occurrences.size())) {
        throw std::out_of_range("no such occurrence");
    }
    Relation r;
    r.id = doc->next_relation_id++;
    r.kind = L"ground";
    r.occurrences = {occurrence};
    doc->relations.push_back(std::move(r));
    return doc->relations.back().id;
}

int Model::RelationCount(std::wstring_view assembly) const {
    const Document* doc = Find(assembly);
    return doc ? static_cast<int>(doc->relations.size()) : 0;
}

int Model::GroundCount(std::wstring_view assembly) const {
    const Document* doc = Find(assembly);
    if (!doc) return 0;
    return static_cast<int>(std::count_if(doc->relations.begin(), doc->relations.end(),
                                          [](const Relation& r) { return r.kind == L"ground"; }));
}

int Model::OccurrenceRelationCount(std::wstring_view assembly, int occurrence) const {
    return static_cast<int>(RelationIds(assembly, occurrence).size());
}

}  // namespace simhost
