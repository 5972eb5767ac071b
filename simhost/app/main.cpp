// simhost.exe: reads its command line, loads a scenario, registers as the
// running host, serves calls on its one apartment thread until the window
// closes or the quit event is set, then saves the state and removes its
// registration.
#include <windows.h>
#include <objbase.h>

#include <cstdio>
#include <cwchar>
#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <variant>
#include <vector>

#include "shared/com.h"
#include "shared/unique_handle.h"
#include "simhost/host.h"
#include "simhost/host_window.h"
#include "simhost/sample_models.h"
#include "simhost/support/utf8.h"

namespace {

using namespace simhost;
using marsitel::FromUtf8;
using marsitel::ToUtf8;
using marsitel::UniqueHandle;

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
  --hidden                make no window; messages go to stderr alone
  --help                  show this text

Closing the window also ends simhost (like the quit event: saved, registry
entries removed). Exit codes: 0 clean, 2 bad command line or scenario,
3 the ProgID belongs to another program (nothing changed), 4 registration
failed, 5 ended by --exit-after.
)";

namespace exit_code {
constexpr int kClean = 0;
constexpr int kUsage = 2;         // bad command line, unreadable or invalid scenario
constexpr int kRefused = 3;       // the ProgID or an interface belongs to another program
constexpr int kRegistration = 4;  // registration failed otherwise
constexpr int kCallLimit = 5;     // ended abruptly by --exit-after
}  // namespace exit_code

// A bad command line, or a scenario that cannot be used; the message names
// the offending option or file.
struct UsageError {
    std::wstring message;
};

struct ProgramOptions {
    bool help = false;
    std::optional<std::wstring> scenario_file;
    std::optional<GeneratorOptions> generate;
    std::optional<std::wstring> save_file;
    std::optional<std::wstring> journal_file;
    std::optional<std::wstring> ready_event;
    std::optional<std::wstring> quit_event;
    std::vector<Fault> faults;   // in the order given
    std::size_t exit_after = 0;  // 0: never
    bool no_document = false;
    std::optional<std::wstring> active;
    std::optional<EnumeratorMode> enumerator;
    bool own_bitness = false;
    bool hidden = false;
};

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

// --busy-at K:N, --hang-at K:MS or --compute-after K:MS; a length in
// milliseconds is at least one.
Fault ParseSpell(const std::wstring& option, const std::wstring& text) {
    const auto parts = SplitFields(option, text, 2);
    const auto calls = static_cast<std::size_t>(ParseCount(option, parts[0]));
    const int length = ParseCount(option, parts[1]);
    if (option == L"--busy-at") return {AfterServed{calls}, RefuseBusy{length}};
    if (length == 0) throw UsageError(option + L" expects at least 1 millisecond");
    if (option == L"--hang-at") return {AfterServed{calls}, Hold{static_cast<DWORD>(length)}};
    return {CallNumber{calls}, ComputeAfterAnswer{static_cast<DWORD>(length)}};
}

GeneratorOptions ParseGenerator(const std::wstring& option, const std::wstring& text) {
    const auto parts = SplitFields(option, text, 4, L',');
    return {ParseCount(option, parts[0]), ParseCount(option, parts[1]), ParseCount(option, parts[2]),
            ParseCount(option, parts[3]), EnumeratorMode::Snapshot};
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
        } else if (a == L"--busy-at" || a == L"--hang-at" || a == L"--compute-after") {
            o.faults.push_back(ParseSpell(a, value()));
        } else if (a == L"--exit-after") {
            o.exit_after = static_cast<std::size_t>(ParseCount(a, value()));
            if (o.exit_after == 0) throw UsageError(a + L" expects at least 1");
        } else if (a == L"--no-document") {
            o.no_document = true;
        } else if (a == L"--active") {
            o.active = value();
        } else if (a == L"--enumerator") {
            const std::wstring mode = value();
            if (mode != L"live" && mode != L"snapshot") {
                throw UsageError(L"--enumerator expects live or snapshot, not \"" + mode + L"\"");
            }
            o.enumerator = mode == L"live" ? EnumeratorMode::Live : EnumeratorMode::Snapshot;
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

// Messages go to stderr, and to a message box when a person may be watching.
void Report(const std::wstring& text, bool hidden) {
    std::fputs(ToUtf8(L"simhost: " + text + L"\n").c_str(), stderr);
    std::fflush(stderr);
    if (!hidden) MessageBoxW(nullptr, text.c_str(), L"simhost", MB_OK | MB_ICONEXCLAMATION);
}

std::unique_ptr<Host> CreateHost(const ProgramOptions& o) {
    std::unique_ptr<Host> host;
    if (o.scenario_file) {
        try {
            const auto text = marsitel::ReadUtf8File(*o.scenario_file);
            if (!text) throw UsageError(L"cannot read \"" + *o.scenario_file + L"\"");
            host = Host::FromScenario(*text);
        } catch (const ScenarioError& e) {
            throw UsageError(*o.scenario_file + L": " + e.Text());
        }
    } else if (o.generate) {
        try {
            host = Host::FromModel(GenerateModel(*o.generate));
        } catch (const std::invalid_argument& e) {
            throw UsageError(L"--generate: " + FromUtf8(e.what()));
        }
    } else {
        host = Host::FromScenario(BuiltInScenarioText());
    }
    for (const Fault& f : o.faults) {
        try {
            host->AddFault(f);
        } catch (const std::invalid_argument&) {
            // Only the counted faults name a kind or a member.
            if (const auto* query = std::get_if<NthQueryOn>(&f.when)) {
                throw UsageError(L"unknown object kind \"" + query->kind + L"\"");
            }
            const NthCallOf& call = std::get<NthCallOf>(f.when);
            throw UsageError(L"unknown object kind or member in \"" + call.kind + L"." + call.member + L"\"");
        }
    }
    if (o.enumerator) host->SetEnumeratorMode(*o.enumerator);
    if (o.no_document) host->SetActiveDocument(std::nullopt);
    if (o.active) {
        if (!host->CurrentModel().Find(*o.active)) throw UsageError(L"--active: no document \"" + *o.active + L"\"");
        host->SetActiveDocument(*o.active);
    }
    return host;
}

// Counted after the registration is revoked, so that what the running object
// table kept for its entry is gone and only client references remain.
std::wstring ReferencesLine(const Host& host) {
    std::wstring line = L"# client references at exit: " + std::to_wstring(host.ClientReferences());
    for (const std::wstring& held : host.HeldObjects()) line += L" " + held;
    return line;
}

HANDLE OpenNamedEvent(const std::wstring& name) {
    HANDLE e = CreateEventW(nullptr, TRUE, FALSE, name.c_str());
    if (!e) throw UsageError(L"cannot create the event \"" + name + L"\"");
    return e;
}

void CALLBACK PostQuit(void* thread, BOOLEAN) {
    PostThreadMessageW(*static_cast<const DWORD*>(thread), WM_QUIT, 0, 0);
}
// Ends a wait, and waits for a callback that runs.
struct WaitUnregisterer {
    void operator()(HANDLE wait) const noexcept { UnregisterWaitEx(wait, INVALID_HANDLE_VALUE); }
};

// Serves calls until the window closes or the quit event is set, which posts
// WM_QUIT. The thread waits in GetMessage: under Wine, a cross-process call
// reaches a thread in GetMessage several times faster than one in
// MsgWaitForMultipleObjects.
void MessageLoop(HANDLE quit) {
    DWORD thread = GetCurrentThreadId();
    HANDLE wait = nullptr;
    if (quit && !RegisterWaitForSingleObject(&wait, quit, PostQuit, &thread, INFINITE, WT_EXECUTEONLYONCE)) {
        throw std::runtime_error("cannot watch the quit event");
    }
    const std::unique_ptr<void, WaitUnregisterer> watch(wait);
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        if (ComputeIfAsked(msg)) continue;
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

int Run(const ProgramOptions& o) {
    const marsitel::ComApartment com;
    if (FAILED(com.result())) {
        Report(L"COM could not be initialised.", o.hidden);
        return exit_code::kRegistration;
    }
    // Makes the thread's message queue before anything is posted to it (a
    // computation asked for at start, the quit event's WM_QUIT).
    MSG peek;
    PeekMessageW(&peek, nullptr, WM_USER, WM_USER, PM_NOREMOVE);
    std::unique_ptr<Host> host = CreateHost(o);
    std::ofstream journal;
    if (o.journal_file) {
        journal.open(std::filesystem::path(*o.journal_file), std::ios::binary | std::ios::app);
        if (!journal) throw UsageError(L"cannot write the journal \"" + *o.journal_file + L"\"");
    }
    // Flushed per line, so that a test reads everything up to an abrupt end.
    const auto write = [&](const std::wstring& line) {
        if (journal.is_open()) journal << ToUtf8(line) << '\n' << std::flush;
    };
    const UniqueHandle quit(o.quit_event ? OpenNamedEvent(*o.quit_event) : nullptr);
    const UniqueHandle ready(o.ready_event ? OpenNamedEvent(*o.ready_event) : nullptr);

    try {
        host->Register(o.own_bitness ? InterfaceViews::Own : InterfaceViews::Both);
    } catch (const RegistrationRefused& e) {
        Report(e.message(), o.hidden);
        return exit_code::kRefused;
    } catch (const RegistrationError& e) {
        wchar_t code[16];
        std::swprintf(code, 16, L"0x%08lX", static_cast<unsigned long>(e.hresult()));
        Report(e.message() + L" (" + code + L")", o.hidden);
        return exit_code::kRegistration;
    }

    // Only a shown simhost has a window. The loop needs none: the quit event
    // and a computation arrive as thread messages. A hidden simhost that made
    // one anyway failed to start where the window could not be made.
    std::optional<HostWindow> window;
    host->KeepJournalInMemory(false);
    host->SetCallObserver([&](const JournalEntry& entry) {
        write(entry.ToString());
        if (window) window->MarkChanged();
    });
    if (o.exit_after > 0) {
        Host* raw = host.get();
        host->SetCallLimit(o.exit_after, [raw] {
            raw->RemoveRegistryEntries();
            TerminateProcess(GetCurrentProcess(), exit_code::kCallLimit);
        });
    }
    if (!o.hidden) window.emplace(*host);
    if (ready.get()) SetEvent(ready.get());

    MessageLoop(quit.get());

    host->SetCallObserver(nullptr);
    host->Revoke();
    write(ReferencesLine(*host));
    if (o.save_file && !marsitel::WriteUtf8File(*o.save_file, host->Save())) {
        Report(L"cannot write the state to \"" + *o.save_file + L"\"", o.hidden);
    }
    return exit_code::kClean;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    ProgramOptions options;
    try {
        options = ParseProgramOptions(std::vector<std::wstring>(argv + 1, argv + argc));
        if (options.help) {
            std::fputs(ToUtf8(kHelp).c_str(), stdout);
            return exit_code::kClean;
        }
        return Run(options);
    } catch (const UsageError& e) {
        Report(e.message, true);
        return exit_code::kUsage;
    } catch (const std::exception& e) {
        Report(FromUtf8(e.what()), options.hidden);
        return exit_code::kRegistration;
    }
}
