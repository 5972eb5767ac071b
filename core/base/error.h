#pragma once
// The one error type of the program: a number and a description, as the
// run-time error report shows them. Which failure of the host and of COM
// gets which number is set out in core/host/error_mapping.cpp; the system's
// texts for failure codes come from error.cpp.
#include <windows.h>

#include <cstdint>
#include <exception>
#include <string>

namespace marsitel {

class Error : public std::exception {
public:
    Error(std::int32_t number, std::wstring description) : number_(number), description_(std::move(description)) {}

    std::int32_t number() const noexcept { return number_; }
    const std::wstring& description() const noexcept { return description_; }
    const char* what() const noexcept override { return "marsitel::Error"; }

private:
    std::int32_t number_;
    std::wstring description_;
};

namespace error_number {
inline constexpr std::int32_t kNone = 0;
inline constexpr std::int32_t kOverflow = 6;
inline constexpr std::int32_t kOutOfMemory = 7;
inline constexpr std::int32_t kTypeMismatch = 13;
inline constexpr std::int32_t kObjectNotSet = 91;
}  // namespace error_number

// The description of a failure that names itself no better: a status the
// system has no text for, or a host exception without a description.
inline constexpr wchar_t kAutomationErrorText[] = L"Automatisierungsfehler";

// The system's text for a failure status, without its line end.
std::wstring SystemErrorText(HRESULT status);
// A failure status as an error: the status itself, negative, with the
// system's text.
Error ErrorFromStatus(HRESULT status);
// The calling thread's last Win32 error as an error. A call that failed
// without setting one still gives a failure, never the number 0.
Error ErrorFromLastError();

}  // namespace marsitel
