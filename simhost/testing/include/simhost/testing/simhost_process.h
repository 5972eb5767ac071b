#pragma once
// Starts simhost.exe, the one built next to the running program, and ends it
// again: SimhostChild with the ready and quit events alone, for the tests,
// the demo's driver and the benchmark; SimhostProcess on top of it for a test,
// with a scenario in a temp file, the saved state and the journal.
#include <windows.h>

#include <chrono>
#include <optional>
#include <string>
#include <vector>

#include "shared/unique_handle.h"
#include "simhost/support/child_process.h"

namespace simhost::testing {

class SimhostChild {
public:
    // Starts the program with `arguments` and the events' options. With
    // `output`, it writes its standard output and error there and gets no
    // console. Throws std::runtime_error when the events cannot be made or
    // the program cannot start.
    explicit SimhostChild(std::vector<std::wstring> arguments, HANDLE output = nullptr);

    // False when the host ended first or was not ready within `timeout`.
    bool WaitReady(std::chrono::milliseconds timeout) const;
    // Why WaitReady failed, with the exit code when the host had ended.
    std::string NotReady() const;
    // Sets the quit event; false when the host still runs after `timeout`.
    bool Quit(std::chrono::milliseconds timeout) const;

    marsitel::ChildProcess& Process() noexcept { return process_; }
    const marsitel::ChildProcess& Process() const noexcept { return process_; }

private:
    std::wstring events_;  // the stem of both events' names
    marsitel::UniqueHandle ready_;
    marsitel::UniqueHandle quit_;
    marsitel::ChildProcess process_;
};

class SimhostProcess {
public:
    struct Options {
        std::wstring scenario_text;  // empty: the built-in scenario
        std::vector<std::wstring> extra_args;
    };

    // Throws std::runtime_error when the program cannot start or does not
    // become ready within a bounded time.
    explicit SimhostProcess(Options options);
    ~SimhostProcess();
    SimhostProcess(const SimhostProcess&) = delete;
    SimhostProcess& operator=(const SimhostProcess&) = delete;

    // Sets the quit event and waits for the exit; throws if it does not come.
    void Quit();
    void Kill();
    // Waits (bounded) for the process to end by itself.
    bool WaitForExit(std::chrono::milliseconds timeout);
    bool Running() const;
    DWORD ProcessId() const noexcept { return host_ ? host_->Process().Id() : 0; }

    std::wstring SavedState() const;               // after Quit(): the saved scenario text
    std::vector<std::wstring> JournalLines() const;  // call lines written so far
    std::wstring ClientReferencesLine() const;     // "# client references at exit: N" after Quit()
    long ClientReferencesAtExit() const;           // N from that line, -1 if absent

private:
    std::vector<std::wstring> Arguments(const Options& options) const;

    std::wstring scenario_file_, save_file_, journal_file_, error_file_;
    std::optional<SimhostChild> host_;
};

}  // namespace simhost::testing
