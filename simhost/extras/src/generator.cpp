// Synthetic assemblies, for simhost --generate and for the benchmark.
#include <stdexcept>

#include "simhost/sample_models.h"

namespace simhost {

namespace {

constexpr long long kMaxOccurrences = 2'000'000;
constexpr const wchar_t* kKinds[] = {L"mate", L"planar", L"axial", L"angle"};

Document Synthetic(const SyntheticDocument& source, int relations_per_occurrence) {
    Document document{source.doctext, source.assembly, source.display_name, {}, {}};
    for (const auto& [placed, times] : source.places) {
        const std::wstring base = placed.substr(0, placed.rfind(L'.'));
        for (int k = 1; k <= times; ++k) document.occurrences.push_back({base + L':' + std::to_wstring(k), placed});
    }
    const int n = static_cast<int>(document.occurrences.size());
    for (int i = 1; i <= n; ++i) {
        for (int r = 0; r < relations_per_occurrence; ++r) {
            Relation relation{document.next_relation_id++, kKinds[r % 4], {i}};
            if (n > 1) relation.occurrences.push_back(i % n + 1);
            document.relations.push_back(std::move(relation));
        }
    }
    return document;
}

// The documents of GenerateModel: the parts first, then each assembly after
// the sub-assemblies it places, so that each is declared before it is placed.
class TreeShape {
public:
    explicit TreeShape(const GeneratorOptions& o) : o_(o) {
        for (int k = 1; k <= o_.occurrences_per_assembly; ++k) {
            documents_.push_back({L"Teil_" + std::to_wstring(k) + L".par", L"Teil " + std::to_wstring(k), false, {}});
        }
        Assembly(L"", 1);
    }
    const std::vector<SyntheticDocument>& documents() const { return documents_; }

private:
    // The assembly at `path` (depth `level`) and everything below it.
    void Assembly(const std::wstring& path, int level) {
        SyntheticDocument document{path.empty() ? L"Generiert.asm" : L"Baugruppe" + path + L".asm",
                                   path.empty() ? L"Generierte Baugruppe" : L"Baugruppe" + path, true, {}};
        const int children = level < o_.depth ? o_.fan_out : 0;
        for (int k = 1; k <= o_.occurrences_per_assembly - children; ++k) {
            document.places.push_back({L"Teil_" + std::to_wstring(k) + L".par", 1});
        }
        for (int j = 1; j <= children; ++j) {
            const std::wstring child = path + L"_" + std::to_wstring(j);
            Assembly(child, level + 1);
            document.places.push_back({documents_.back().doctext, 1});
        }
        documents_.push_back(std::move(document));
    }

    const GeneratorOptions& o_;
    std::vector<SyntheticDocument> documents_;
};

}  // namespace

Model SyntheticModel(const std::vector<SyntheticDocument>& documents, int relations_per_occurrence) {
    Model model;
    for (const SyntheticDocument& document : documents) {
        model.documents.push_back(Synthetic(document, relations_per_occurrence));
    }
    return model;
}

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
    const TreeShape shape(fixed);
    Model model = SyntheticModel(shape.documents(), fixed.relations_per_occurrence);
    model.enumerator = fixed.enumerator;
    model.active = shape.documents().back().doctext;
    return model;
}

}  // namespace simhost
