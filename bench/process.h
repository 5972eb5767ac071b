#pragma once
// Child processes and named events for the benchmark, each handle owned.
#include <windows.h>

#include <filesystem>
#include <string>

#include "shared/unique_handle.h"

namespace marsitel::bench {

// A unique name for a named event of this benchmark run.
std::wstring UniqueEventName(const wchar_t* purpose);
UniqueHandle CreateNamedEvent(const std::wstring& name);

class ChildProcess {
public:
    // Starts `program` with the given command-line tail; throws on failure.
    ChildProcess(const std::filesystem::path& program, const std::wstring& arguments);
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    HANDLE handle() const noexcept { return process_.get(); }
    // False when the process is still running after `milliseconds`.
    bool WaitForExit(DWORD milliseconds) const noexcept;
    DWORD ExitCode() const noexcept;
    void Kill() noexcept;
    // User plus kernel time so far, in seconds.
    double CpuSeconds() const noexcept;

private:
    UniqueHandle process_;
};

// User plus kernel time of a process, in seconds.
double ProcessCpuSeconds(HANDLE process) noexcept;

// The folder this program was started from.
std::filesystem::path ProgramFolder();

// Quotes one command-line argument for CommandLineToArgvW.
std::wstring Quoted(const std::wstring& argument);

}  // namespace marsitel::bench
