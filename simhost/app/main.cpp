// simhost.exe: loads a scenario, registers as the running host, serves calls
// on its one apartment thread until the window closes or the quit event is
// set, then saves the state and removes its registration.
#include <windows.h>
#include <objbase.h>

#include <cstdio>
#include <cwchar>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <variant>
#include <vector>

#include "shared/com.h"
#include "shared/unique_handle.h"
#include "shared/utf8.h"
#include "simhost/host.h"
#include "options.h"
#include "simhost/host_window.h"
#include "simhost/sample_models.h"

namespace {

using namespace simhost;
using marsitel::FromUtf8;
using marsitel::ToUtf8;
using marsitel::UniqueHandle;

// Messages go to stderr, and to a message box when a person may be watching.
void Report(const std::wstring& text, bool hidden) {
    std::fputs(ToUtf8(L"simhost: " + text + L"\n").c_str(), stderr);
    std::fflush(stderr);
    if (!hidden) MessageBoxW(nullptr, text.c_str(), L"simhost", MB_OK | MB_ICONEXCLAMATION);
}

// Appends journal lines as calls arrive; flushed per line, so that a test
// reads everything up to an abrupt end.
class JournalFile {
public:
    explicit JournalFile(const std::wstring& path) : out_(std::filesystem::path(path), std::ios::binary | std::ios::app) {
        if (!out_) throw UsageError(L"cannot write the journal \"" + path + L"\"");
    }
    void Write(const std::wstring& line) {
        out_ << ToUtf8(line) << '\n';
        out_.flush();
    }

private:
    std::ofstream out_;
};

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

// Posts WM_QUIT to the serving thread when the quit event is set. The thread
// itself waits in GetMessage: under Wine, a cross-process call reaches a
// thread in GetMessage several times faster than one in MsgWaitForMultipleObjects.
class QuitWatch {
public:
    QuitWatch(HANDLE quit, DWORD thread) : thread_(thread) {
        if (quit && !RegisterWaitForSingleObject(&wait_, quit, &QuitWatch::Fired, this, INFINITE, WT_EXECUTEONLYONCE)) {
            throw std::runtime_error("cannot watch the quit event");
        }
    }
    ~QuitWatch() {
        if (wait_) UnregisterWaitEx(wait_, INVALID_HANDLE_VALUE);
    }
    QuitWatch(const QuitWatch&) = delete;
    QuitWatch& operator=(const QuitWatch&) = delete;

private:
    static void CALLBACK Fired(void* self, BOOLEAN) {
        PostThreadMessageW(static_cast<QuitWatch*>(self)->thread_, WM_QUIT, 0, 0);
    }
    HANDLE wait_ = nullptr;
    DWORD thread_;
};

// Serves calls until the window closes or the quit event is set.
void MessageLoop(HANDLE quit) {
    QuitWatch watch(quit, GetCurrentThreadId());
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
    std::unique_ptr<Host> host = CreateHost(o);
    std::unique_ptr<JournalFile> journal;
    if (o.journal_file) journal = std::make_unique<JournalFile>(*o.journal_file);
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

    HostWindow window(*host);
    host->KeepJournalInMemory(false);
    host->SetCallObserver([&](const JournalEntry& entry) {
        if (journal) journal->Write(entry.ToString());
        window.MarkChanged();
    });
    if (o.exit_after > 0) {
        Host* raw = host.get();
        host->SetCallLimit(o.exit_after, [raw] {
            raw->RemoveRegistryEntries();
            TerminateProcess(GetCurrentProcess(), exit_code::kCallLimit);
        });
    }
    if (!o.hidden) window.Show();
    if (ready.get()) SetEvent(ready.get());

    MessageLoop(quit.get());

    host->SetCallObserver(nullptr);
    host->Revoke();
    if (journal) journal->Write(ReferencesLine(*host));
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
            std::fputs(ToUtf8(ProgramHelpText()).c_str(), stdout);
            return exit_code::kClean;
        }
        return Run(options);
    } catch (const UsageError& e) {
        Report(e.message(), true);
        return exit_code::kUsage;
    } catch (const std::exception& e) {
        Report(FromUtf8(e.what()), options.hidden);
        return exit_code::kRegistration;
    }
}
