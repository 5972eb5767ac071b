#pragma once
// Starts simhost.exe (next to the running test program) for a test and ends
// it again: a scenario in a temp file, the ready and quit events, the saved
// state and the journal.
#include <windows.h>

#include <string>
#include <vector>

namespace simhost::testing {

class SimhostProcess {
public:
    struct Options {
        std::wstring scenario_text;  // empty: the built-in scenario
        std::vector<std::wstring> extra_args;  // quoted when they hold blanks
        // When false, a process that ends before it is ready is no failure
        // (to test refusals); check ExitCode() and ErrorOutput().
        bool expect_ready = true;
        std::wstring program{};  // empty: simhost.exe next to this program
    };

    // Throws std::runtime_error when the program cannot start or (with
    // expect_ready) does not become ready within a bounded time.
    explicit SimhostProcess(Options options);
    ~SimhostProcess();
    SimhostProcess(const SimhostProcess&) = delete;
    SimhostProcess& operator=(const SimhostProcess&) = delete;

    // Sets the quit event and waits for the exit; throws if it does not come.
    void Quit();
    void Kill();
    // Waits (bounded) for the process to end by itself.
    bool WaitForExit(DWORD milliseconds);
    DWORD ExitCode() const;
    bool Running() const;
    bool Ready() const { return ready_; }
    DWORD ProcessId() const { return process_ ? GetProcessId(process_) : 0; }

    std::wstring SavedState() const;               // after Quit(): the saved scenario text
    std::vector<std::wstring> JournalLines() const;  // call lines written so far
    std::wstring ClientReferencesLine() const;     // "# client references at exit: N" after Quit()
    long ClientReferencesAtExit() const;           // N from that line, -1 if absent
    std::wstring ErrorOutput() const;              // what the program wrote to stderr

    static std::wstring ProgramDirectory();

private:
    std::wstring Arguments(const Options& options) const;

    std::wstring scenario_file_, save_file_, journal_file_, error_file_;
    std::wstring quit_name_, ready_name_;
    HANDLE quit_ = nullptr;
    HANDLE ready_event_ = nullptr;
    HANDLE process_ = nullptr;
    bool ready_ = false;
};

}  // namespace simhost::testing
