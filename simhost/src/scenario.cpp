// The scenario text: one statement per line, blank-separated tokens, double
// quotes around tokens with blanks. Parsing is strict: the first fault ends
// it with its line number.
#include <algorithm>

#include "simhost/model.h"

namespace simhost {

namespace {

constexpr wchar_t kHeader[] = L"simhost-scenario";
constexpr wchar_t kVersion[] = L"1";

std::vector<std::wstring> Tokenize(std::wstring_view line, int number) {
    std::vector<std::wstring> tokens;
    std::size_t i = 0;
    while (i < line.size()) {
        wchar_t c = line[i];
        if (c == L' ' || c == L'\t') {
            ++i;
            continue;
        }
        if (c == L'#') break;  // a comment runs to the end of the line
        std::wstring token;
        if (c == L'"') {
            ++i;
            bool closed = false;
            while (i < line.size()) {
                wchar_t q = line[i++];
                if (q == L'"') {
                    closed = true;
                    break;
                }
                if (q == L'\\') {
                    if (i >= line.size() || (line[i] != L'"' && line[i] != L'\\')) {
                        throw ScenarioError(number, L"only \\\" and \\\\ may follow a backslash");
                    }
                    q = line[i++];
                }
                token.push_back(q);
            }
            if (!closed) throw ScenarioError(number, L"unterminated quoted token");
            if (i < line.size() && line[i] != L' ' && line[i] != L'\t') {
                throw ScenarioError(number, L"a quoted token must be followed by a blank");
            }
        } else {
            while (i < line.size() && line[i] != L' ' && line[i] != L'\t') {
                if (line[i] == L'"') throw ScenarioError(number, L"quote inside an unquoted token");
                token.push_back(line[i++]);
            }
        }
        tokens.push_back(std::move(token));
    }
    return tokens;
}

bool IsRelationKind(const std::wstring& kind) {
    return !kind.empty() && std::all_of(kind.begin(), kind.end(), [](wchar_t c) {
        return (c >= L'a' && c <= L'z') || (c >= L'0' && c <= L'9') || c == L'-' || c == L'_';
    });
}

class Parser {
public:
    Model Parse(std::wstring_view text) {
        if (text.size() && text.front() == 0xFEFF) text.remove_prefix(1);
        int number = 0;
        std::size_t pos = 0;
        while (pos <= text.size()) {
            std::size_t end = text.find(L'\n', pos);
            if (end == std::wstring_view::npos) end = text.size();
            std::wstring_view line = text.substr(pos, end - pos);
            if (!line.empty() && line.back() == L'\r') line.remove_suffix(1);
            ++number;
            std::vector<std::wstring> tokens = Tokenize(line, number);
            if (!tokens.empty()) Statement(tokens, number);
            pos = end + 1;
        }
        if (!header_seen_) throw ScenarioError(number, L"missing header line \"simhost-scenario 1\"");
        return std::move(model_);
    }

private:
    void Statement(const std::vector<std::wstring>& t, int n) {
        if (!header_seen_) {
            if (t.size() != 2 || t[0] != kHeader) {
                throw ScenarioError(n, L"the first line must be \"simhost-scenario 1\"");
            }
            if (t[1] != kVersion) throw ScenarioError(n, L"unsupported scenario version " + t[1]);
            header_seen_ = true;
            return;
        }
        const std::wstring& keyword = t[0];
        if (keyword == L"enumerator") return Enumerator(t, n);
        if (keyword == L"document") return DocumentLine(t, n);
        if (keyword == L"occurrence") return OccurrenceLine(t, n);
        if (keyword == L"relation") return RelationLine(t, n);
        if (keyword == L"active") return ActiveLine(t, n);
        throw ScenarioError(n, L"unknown statement \"" + keyword + L"\"");
    }

    static void Expect(const std::vector<std::wstring>& t, std::size_t min, std::size_t max, int n,
                       const wchar_t* usage) {
        if (t.size() < min || t.size() > max) throw ScenarioError(n, std::wstring(L"usage: ") + usage);
    }

    void Enumerator(const std::vector<std::wstring>& t, int n) {
        Expect(t, 2, 2, n, L"enumerator snapshot|live");
        if (enumerator_seen_) throw ScenarioError(n, L"enumerator given twice");
        enumerator_seen_ = true;
        if (t[1] != L"snapshot" && t[1] != L"live") {
            throw ScenarioError(n, L"enumerator must be snapshot or live, not \"" + t[1] + L"\"");
        }
        model_.enumerator = t[1] == L"live" ? EnumeratorMode::Live : EnumeratorMode::Snapshot;
    }

    void DocumentLine(const std::vector<std::wstring>& t, int n) {
        Expect(t, 4, 4, n, L"document <doctext> assembly|part <displayname>");
        if (t[1].empty()) throw ScenarioError(n, L"empty document text");
        if (t[1] == L"none") throw ScenarioError(n, L"\"none\" is reserved for \"active none\"");
        if (model_.Find(t[1])) throw ScenarioError(n, L"document \"" + t[1] + L"\" declared twice");
        if (t[2] != L"assembly" && t[2] != L"part") {
            throw ScenarioError(n, L"document kind must be assembly or part, not \"" + t[2] + L"\"");
        }
        model_.documents.push_back({t[1], t[2] == L"assembly", t[3], {}, {}});
    }

    Document& Assembly(const std::wstring& doctext, int n) {
        Document* doc = model_.Find(doctext);
        if (!doc) throw ScenarioError(n, L"unknown document \"" + doctext + L"\"");
        if (!doc->assembly) throw ScenarioError(n, L"\"" + doctext + L"\" is a part, not an assembly");
        return *doc;
    }

    void OccurrenceLine(const std::vector<std::wstring>& t, int n) {
        Expect(t, 4, 4, n, L"occurrence <assembly-doctext> <occ-displayname> <placed-doctext>");
        Document& parent = Assembly(t[1], n);
        if (t[2].empty()) throw ScenarioError(n, L"empty occurrence name");
        if (!model_.Find(t[3])) throw ScenarioError(n, L"unknown document \"" + t[3] + L"\"");
        if (std::ranges::find(parent.occurrences, t[2], &Occurrence::name) != parent.occurrences.end()) {
            throw ScenarioError(n, L"occurrence \"" + t[2] + L"\" appears twice in \"" + t[1] + L"\"");
        }
        if (model_.Contains(t[3], t[1])) {
            throw ScenarioError(n, L"\"" + t[1] + L"\" would contain itself through \"" + t[3] + L"\"");
        }
        parent.occurrences.push_back(Occurrence{t[2], t[3]});
    }

    void RelationLine(const std::vector<std::wstring>& t, int n) {
        Expect(t, 4, 5, n, L"relation <assembly-doctext> <kind> <occ-displayname> [<occ-displayname>]");
        Document& parent = Assembly(t[1], n);
        if (!IsRelationKind(t[2])) throw ScenarioError(n, L"bad relation kind \"" + t[2] + L"\"");
        if (t[2] == L"ground" && t.size() != 4) {
            throw ScenarioError(n, L"a ground relation involves exactly one occurrence");
        }
        Relation r;
        r.kind = t[2];
        for (std::size_t i = 3; i < t.size(); ++i) {
            const auto it = std::ranges::find(parent.occurrences, t[i], &Occurrence::name);
            if (it == parent.occurrences.end()) {
                throw ScenarioError(n, L"no occurrence \"" + t[i] + L"\" in \"" + t[1] + L"\"");
            }
            r.occurrences.push_back(static_cast<int>(it - parent.occurrences.begin()) + 1);
        }
        if (r.occurrences.size() == 2 && r.occurrences[0] == r.occurrences[1]) {
            throw ScenarioError(n, L"a relation cannot involve the same occurrence twice");
        }
        r.id = parent.next_relation_id++;
        parent.relations.push_back(std::move(r));
    }

    void ActiveLine(const std::vector<std::wstring>& t, int n) {
        Expect(t, 2, 2, n, L"active <doctext>|none");
        if (active_seen_) throw ScenarioError(n, L"active given twice");
        active_seen_ = true;
        if (t[1] == L"none") return model_.active.reset();
        if (!model_.Find(t[1])) throw ScenarioError(n, L"unknown document \"" + t[1] + L"\"");
        model_.active = t[1];
    }

    Model model_;
    bool header_seen_ = false;
    bool enumerator_seen_ = false;
    bool active_seen_ = false;
};

bool NeedsQuotes(const std::wstring& token) {
    return token.empty() || token.find_first_of(L" \t\"\\#") != std::wstring::npos;
}

std::wstring Quote(const std::wstring& token) {
    if (!NeedsQuotes(token)) return token;
    std::wstring out = L"\"";
    for (wchar_t c : token) {
        if (c == L'"' || c == L'\\') out.push_back(L'\\');
        out.push_back(c);
    }
    out.push_back(L'"');
    return out;
}

}  // namespace

Model ParseScenario(std::wstring_view text) { return Parser().Parse(text); }

std::wstring SaveScenario(const Model& model) {
    std::wstring out = L"simhost-scenario 1\n";
    out += model.enumerator == EnumeratorMode::Live ? L"enumerator live\n" : L"enumerator snapshot\n";
    for (const Document& d : model.documents) {
        out += L"document " + Quote(d.doctext) + (d.assembly ? L" assembly " : L" part ") +
               Quote(d.display_name) + L"\n";
    }
    for (const Document& d : model.documents) {
        for (const Occurrence& o : d.occurrences) {
            out += L"occurrence " + Quote(d.doctext) + L" " + Quote(o.name) + L" " + Quote(o.placed) + L"\n";
        }
        for (const Relation& r : d.relations) {
            out += L"relation " + Quote(d.doctext) + L" " + r.kind;
            for (int i : r.occurrences) {
                out += L" " + Quote(d.occurrences[static_cast<std::size_t>(i - 1)].name);
            }
            out += L"\n";
        }
    }
    out += L"active " + (model.active ? Quote(*model.active) : std::wstring(L"none")) + L"\n";
    return out;
}

}  // namespace simhost
