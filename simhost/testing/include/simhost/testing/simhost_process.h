#pragma once
// Starts simhost.exe (next to the running test program) for a test and ends
// it again: a scenario in a temp file, the ready and quit events, the saved
// state and the journal.
#include <windows.h>

#include <chrono>
#include <optional>
#include <string>
#include <vector>

#include "shared/child_process.h"
#include "shared/unique_handle.h"

namespace simhost::testing {

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

    std::wstring SavedState() const;               // after Quit(): the saved scenario text
    std::vector<std::wstring> JournalLines() const;  // call lines written so far
    std::wstring ClientReferencesLine() const;     // "# client references at exit: N" after Quit()
    long ClientReferencesAtExit() const;           // N from that line, -1 if absent

private:
    std::vector<std::wstring> Arguments(const Options& options) const;

    std::wstring scenario_file_, save_file_, journal_file_, error_file_;
    std::wstring quit_name_, ready_name_;
    marsitel::UniqueHandle quit_;
    marsitel::UniqueHandle ready_;
    std::optional<marsitel::ChildProcess> process_;
};

}  // namespace simhost::testing
