// Synthetic assemblies for the benchmark. Every sub-assembly is a document
// of its own, so a client's walk finds relations to delete at every visit.
#include <stdexcept>

#include "simhost/model.h"

namespace simhost {

namespace {

constexpr long long kMaxOccurrences = 2'000'000;
constexpr const wchar_t* kKinds[] = {L"mate", L"planar", L"axial", L"angle"};

class Generator {
public:
    explicit Generator(const GeneratorOptions& o) : o_(o) {}

    Model Run() {
        model_.enumerator = o_.enumerator;
        for (int k = 1; k <= o_.occurrences_per_assembly; ++k) {
            Document part;
            part.doctext = L"Teil_" + std::to_wstring(k) + L".par";
            part.display_name = L"Teil " + std::to_wstring(k);
            model_.documents.push_back(std::move(part));
        }
        std::wstring top = Assembly(L"", 1);
        model_.active = top;
        return std::move(model_);
    }

private:
    // Creates the assembly at `path` (depth `level`) and everything below it;
    // sub-assemblies come first so that each is declared before it is placed.
    std::wstring Assembly(const std::wstring& path, int level) {
        std::vector<std::wstring> children;
        if (level < o_.depth) {
            for (int j = 1; j <= o_.fan_out; ++j) {
                children.push_back(Assembly(path + L"_" + std::to_wstring(j), level + 1));
            }
        }
        Document doc;
        doc.assembly = true;
        doc.doctext = path.empty() ? L"Generiert.asm" : L"Baugruppe" + path + L".asm";
        doc.display_name = path.empty() ? L"Generierte Baugruppe" : L"Baugruppe" + path;
        int parts = o_.occurrences_per_assembly - static_cast<int>(children.size());
        for (int k = 1; k <= parts; ++k) {
            doc.occurrences.push_back(
                Occurrence{L"Teil_" + std::to_wstring(k) + L":1", L"Teil_" + std::to_wstring(k) + L".par"});
        }
        for (std::size_t j = 0; j < children.size(); ++j) {
            doc.occurrences.push_back(Occurrence{children[j].substr(0, children[j].size() - 4) + L":1", children[j]});
        }
        AddRelations(doc);
        model_.documents.push_back(std::move(doc));
        return model_.documents.back().doctext;
    }

    void AddRelations(Document& doc) {
        int n = static_cast<int>(doc.occurrences.size());
        for (int i = 1; i <= n; ++i) {
            for (int r = 0; r < o_.relations_per_occurrence; ++r) {
                Relation rel;
                rel.id = doc.next_relation_id++;
                rel.kind = kKinds[r % 4];
                rel.occurrences = {i};
                if (n > 1) rel.occurrences.push_back(i % n + 1);
                doc.relations.push_back(std::move(rel));
            }
        }
    }

    const GeneratorOptions& o_;
    Model model_;
};

}  // namespace

Model GenerateModel(const GeneratorOptions& o) {
    if (o.occurrences_per_assembly < 0 || o.relations_per_occurrence < 0 || o.depth < 1 || o.fan_out < 0) {
        throw std::invalid_argument("generator options must not be negative, depth at least 1");
    }
    if (o.depth > 1 && o.fan_out > o.occurrences_per_assembly) {
        throw std::invalid_argument("fan-out cannot exceed the occurrences per assembly");
    }
    long long assemblies = 1, level = 1;
    for (int d = 1; d < o.depth; ++d) {
        level *= o.fan_out;
        assemblies += level;
        if (assemblies * o.occurrences_per_assembly > kMaxOccurrences) break;
    }
    if (assemblies * o.occurrences_per_assembly > kMaxOccurrences) {
        throw std::invalid_argument("the generated model would exceed 2,000,000 occurrences");
    }
    GeneratorOptions fixed = o;
    if (fixed.depth == 1) fixed.fan_out = 0;
    return Generator(fixed).Run();
}

}  // namespace simhost
