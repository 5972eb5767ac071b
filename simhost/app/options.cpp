#include "options.h"

#include <cwchar>
#include <utility>

#include "shared/utf8.h"

namespace simhost {

namespace {

constexpr wchar_t kHelp[] =
    LR"(simhost - a simulated host application for testing automation clients.

Registers the ProgID SolidEdge.Application for itself, serves the host
automation objects from a scenario, and shows the active document as a tree.

Usage: simhost [options]

  --scenario FILE         load the documents from FILE (UTF-8 scenario text);
                          default: the built-in gearbox
  --generate O,R,D,F      instead, generate a synthetic assembly: O occurrences
                          per assembly, R relations per occurrence, depth D,
                          fan-out F (sub-assemblies per assembly)
  --save FILE             write the state, in the scenario format, on exit
  --journal FILE          write one line per call, as calls arrive
  --ready-event NAME      set the named event once registered and ready
  --quit-event NAME       save and exit when the named event is set
  --fail KIND.MEMBER:N:NUMBER:DESCRIPTION
                          fail the N-th call of MEMBER on objects of KIND with a
                          host error (EXCEPINFO): KIND is app, docs, doc, aux,
                          occs, occ, rels or rel; MEMBER a dispatch id or a
                          name (Delete, Count, ActiveDocument, Documents)
  --fail-hresult KIND.MEMBER:N:0xHRESULT
                          the same with a bare failure HRESULT
  --fail-qi KIND:N:0xHRESULT
                          fail the N-th query for a host interface on objects
                          of KIND with the failure HRESULT (E_NOINTERFACE
                          0x80004002, a lost connection 0x80010108, ...)
  --busy N                reject the next N incoming calls as busy
                          (SERVERCALL_RETRYLATER)
  --busy-at K:N           once K calls have been served, reject the next N
                          incoming calls as busy (a busy spell mid-run)
  --hang-at K:MS          once K calls have been served, answer the next call
                          only after MS milliseconds, serving nothing meanwhile
  --compute-after K:MS    once call K has been answered (0: once ready), serve
                          nothing for MS milliseconds, not even the release of
                          an object
  --exit-after K          end the process abruptly when call K+1 arrives
  --no-document           no document open (ActiveDocument fails, Count is 0)
  --active DOCTEXT        make DOCTEXT the active document
  --enumerator live|snapshot
                          how relation enumerators behave
  --own-bitness           register the interfaces for simhost's own bitness
                          alone: programs of the other cannot marshal them
  --hidden                do not show the window
  --help                  show this text

Closing the window also ends simhost (like the quit event: saved, registry
entries removed). Exit codes: 0 clean, 2 bad command line or scenario,
3 the ProgID belongs to another program (nothing changed), 4 registration
failed, 5 ended by --exit-after.
)";

int ParseCount(const std::wstring& option, const std::wstring& text) {
    wchar_t* end = nullptr;
    long value = std::wcstol(text.c_str(), &end, 10);
    if (text.empty() || *end != L'\0' || value < 0 || value > 100'000'000) {
        throw UsageError(option + L" expects a non-negative number, not \"" + text + L"\"");
    }
    return static_cast<int>(value);
}

std::int32_t ParseNumber(const std::wstring& option, const std::wstring& text) {
    wchar_t* end = nullptr;
    long long value = std::wcstoll(text.c_str(), &end, 0);
    if (text.empty() || *end != L'\0' || value < -2147483648LL || value > 0xFFFFFFFFLL) {
        throw UsageError(option + L" expects a number, not \"" + text + L"\"");
    }
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(value & 0xFFFFFFFFLL));
}

// `fields` fields split at `separator`, the last one taking the rest.
std::vector<std::wstring> SplitFields(const std::wstring& option, const std::wstring& text, std::size_t fields,
                                      wchar_t separator = L':') {
    std::vector<std::wstring> parts;
    std::size_t start = 0;
    while (parts.size() + 1 < fields) {
        std::size_t end = text.find(separator, start);
        if (end == std::wstring::npos) break;
        parts.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    parts.push_back(text.substr(start));
    if (parts.size() != fields) throw UsageError(option + L": malformed value \"" + text + L"\"");
    return parts;
}

// KIND.MEMBER:N:NUMBER:DESCRIPTION, or KIND.MEMBER:N:0xHRESULT when bare.
Fault ParseFault(const std::wstring& option, const std::wstring& text, bool bare) {
    auto parts = SplitFields(option, text, bare ? 3 : 4);
    std::size_t dot = parts[0].find(L'.');
    if (dot == std::wstring::npos || dot == 0 || dot + 1 == parts[0].size()) {
        throw UsageError(option + L" expects KIND.MEMBER, not \"" + parts[0] + L"\"");
    }
    const int nth = ParseCount(option, parts[1]);
    if (nth < 1) throw UsageError(option + L": N counts from 1");
    HostFailure failure{ParseNumber(option, parts[2]), bare ? L"" : parts[3], bare};
    if (bare && failure.number >= 0) throw UsageError(option + L" expects a failure HRESULT (0x8...)");
    return {NthCallOf{parts[0].substr(0, dot), parts[0].substr(dot + 1), nth}, Fail{std::move(failure)}};
}

// KIND:N:0xHRESULT
Fault ParseQueryFault(const std::wstring& option, const std::wstring& text) {
    const auto parts = SplitFields(option, text, 3);
    const int nth = ParseCount(option, parts[1]);
    if (parts[0].empty() || nth < 1) throw UsageError(option + L" expects KIND:N:0xHRESULT with N from 1");
    const std::int32_t status = ParseNumber(option, parts[2]);
    if (status >= 0) throw UsageError(option + L" expects a failure HRESULT (0x8...)");
    return {NthQueryOn{parts[0], nth}, Fail{{status, L"", true}}};
}

// K:N, the number of calls and the length; a length in milliseconds is at least one.
std::pair<std::size_t, int> ParseSpell(const std::wstring& option, const std::wstring& text, bool milliseconds) {
    const auto parts = SplitFields(option, text, 2);
    const std::pair spell{static_cast<std::size_t>(ParseCount(option, parts[0])), ParseCount(option, parts[1])};
    if (milliseconds && spell.second == 0) throw UsageError(option + L" expects at least 1 millisecond");
    return spell;
}

GeneratorOptions ParseGenerator(const std::wstring& option, const std::wstring& text) {
    const auto parts = SplitFields(option, text, 4, L',');
    GeneratorOptions g;
    g.occurrences_per_assembly = ParseCount(option, parts[0]);
    g.relations_per_occurrence = ParseCount(option, parts[1]);
    g.depth = ParseCount(option, parts[2]);
    g.fan_out = ParseCount(option, parts[3]);
    return g;
}

}  // namespace

UsageError::UsageError(std::wstring message) : std::runtime_error(marsitel::ToUtf8(message)), message_(std::move(message)) {}

std::wstring ProgramHelpText() {
    return kHelp;
}

ProgramOptions ParseProgramOptions(const std::vector<std::wstring>& args) {
    ProgramOptions o;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::wstring& a = args[i];
        auto value = [&]() -> std::wstring {
            if (i + 1 >= args.size()) throw UsageError(a + L" needs a value");
            return args[++i];
        };
        if (a == L"--help" || a == L"-h" || a == L"/?") {
            o.help = true;
        } else if (a == L"--scenario") {
            o.scenario_file = value();
        } else if (a == L"--generate") {
            o.generate = ParseGenerator(a, value());
        } else if (a == L"--save") {
            o.save_file = value();
        } else if (a == L"--journal") {
            o.journal_file = value();
        } else if (a == L"--ready-event") {
            o.ready_event = value();
        } else if (a == L"--quit-event") {
            o.quit_event = value();
        } else if (a == L"--fail" || a == L"--fail-hresult") {
            o.faults.push_back(ParseFault(a, value(), a == L"--fail-hresult"));
        } else if (a == L"--fail-qi") {
            o.faults.push_back(ParseQueryFault(a, value()));
        } else if (a == L"--busy") {
            o.faults.push_back({AfterServed{0}, RefuseBusy{ParseCount(a, value())}});
        } else if (a == L"--busy-at") {
            const auto [after, calls] = ParseSpell(a, value(), false);
            o.faults.push_back({AfterServed{after}, RefuseBusy{calls}});
        } else if (a == L"--hang-at") {
            const auto [after, ms] = ParseSpell(a, value(), true);
            o.faults.push_back({AfterServed{after}, Hold{static_cast<DWORD>(ms)}});
        } else if (a == L"--compute-after") {
            const auto [answered, ms] = ParseSpell(a, value(), true);
            o.faults.push_back({CallNumber{answered}, ComputeAfterAnswer{static_cast<DWORD>(ms)}});
        } else if (a == L"--exit-after") {
            o.exit_after = static_cast<std::size_t>(ParseCount(a, value()));
            if (o.exit_after == 0) throw UsageError(a + L" expects at least 1");
        } else if (a == L"--no-document") {
            o.no_document = true;
        } else if (a == L"--active") {
            o.active = value();
        } else if (a == L"--enumerator") {
            std::wstring mode = value();
            if (mode == L"live") {
                o.enumerator = EnumeratorMode::Live;
            } else if (mode == L"snapshot") {
                o.enumerator = EnumeratorMode::Snapshot;
            } else {
                throw UsageError(L"--enumerator expects live or snapshot, not \"" + mode + L"\"");
            }
        } else if (a == L"--own-bitness") {
            o.own_bitness = true;
        } else if (a == L"--hidden") {
            o.hidden = true;
        } else {
            throw UsageError(L"unknown option \"" + a + L"\" (see --help)");
        }
    }
    if (o.scenario_file && o.generate) throw UsageError(L"--scenario and --generate exclude each other");
    if (o.no_document && o.active) throw UsageError(L"--no-document and --active exclude each other");
    return o;
}

}  // namespace simhost
