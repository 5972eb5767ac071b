#pragma once
// Another program started as a child process, with a command line that
// hands it exactly the arguments given (as CommandLineToArgvW and the C
// runtime read a command line).
#include <windows.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

#include "shared/unique_handle.h"

namespace marsitel {

// The file of the running program.
std::filesystem::path RunningProgram();

// The owner ends the program if it still runs when the owner goes, so that
// a failing test or benchmark leaves no process behind.
class ChildProcess {
public:
    // With `output`, the program writes its standard output and error there
    // and gets no console of its own. Throws std::runtime_error when the
    // program cannot be started.
    ChildProcess(const std::filesystem::path& program, const std::vector<std::wstring>& arguments,
                 HANDLE output = nullptr);
    ChildProcess(ChildProcess&&) noexcept = default;
    ChildProcess& operator=(ChildProcess&&) noexcept = default;
    ~ChildProcess();

    DWORD Id() const noexcept { return id_; }
    HANDLE Handle() const noexcept { return process_.get(); }
    bool Running() const noexcept;
    // False when the program still runs after `timeout`.
    bool WaitForExit(std::chrono::milliseconds timeout) const noexcept;
    // STILL_ACTIVE while the program runs.
    DWORD ExitCode() const noexcept;
    // Ends the program at once and waits, at most a minute, until it has.
    void Kill() noexcept;

private:
    UniqueHandle process_;
    DWORD id_ = 0;
};

}  // namespace marsitel
