#pragma once
// Ending the program: End, a failed host check at load, and the run-time
// error report all end the process at once, without unwinding the windows.
#include <cstdint>
#include <functional>
#include <string>

namespace marsitel::ui {

// Ends the process with the given exit code. Tests replace the ending so that
// they can observe it; the replacement returns and the caller carries on.
void EndProgram(unsigned exitCode) noexcept;
void SetProgramEndHandler(std::function<void(unsigned)> handler);

// Shows the run-time error report and ends the program with exit code 1.
void ReportRuntimeError(std::int32_t number, const std::wstring& description) noexcept;

// Reports the exception that is being handled, and ends the program with
// exit code 1; for use inside a catch block at a callback boundary. A wait
// for a busy host that the user stopped is reported as a warning.
void ReportCurrentException() noexcept;

}  // namespace marsitel::ui
