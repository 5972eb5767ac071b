#pragma once
// Ending the program: End, a failed host check at load, the run-time error
// report and the user's stop all end the process at once, without unwinding
// the windows. The windows that end it are given the end.
#include <windows.h>

#include <cstdint>
#include <string>

namespace marsitel::ui {

class ProgramEnd {
public:
    // The program's end does not return. A test's records the exit code and
    // returns, and its caller carries on.
    virtual void End(unsigned exitCode) noexcept = 0;

protected:
    ~ProgramEnd() = default;
};

// The program's own end.
class ProcessExit final : public ProgramEnd {
public:
    void End(unsigned exitCode) noexcept override { ExitProcess(exitCode); }
};

// Shows the run-time error report and ends the program with exit code 1.
void ReportRuntimeError(std::int32_t number, const std::wstring& description, ProgramEnd& end) noexcept;

// Reports the exception that is being handled, and ends the program with
// exit code 1; for use inside a catch block at a callback boundary. A wait
// for a busy host that the user stopped is reported as a warning.
void ReportCurrentException(ProgramEnd& end) noexcept;

}  // namespace marsitel::ui
