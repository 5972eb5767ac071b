#include "simhost/support/child_process.h"

#include <stdexcept>
#include <string_view>

#include "simhost/support/utf8.h"

namespace marsitel {
namespace {

constexpr std::chrono::milliseconds kKillWait{60'000};

// One argument as it is without blanks, tabs and quotes, else in quotes,
// with each quote and the backslashes before it escaped.
std::wstring Quoted(std::wstring_view argument) {
    if (!argument.empty() && argument.find_first_of(L" \t\"") == std::wstring_view::npos) {
        return std::wstring(argument);
    }
    std::wstring quoted = L"\"";
    std::size_t backslashes = 0;
    for (const wchar_t c : argument) {
        if (c == L'\\') {
            ++backslashes;
            continue;
        }
        quoted.append(c == L'"' ? backslashes * 2 + 1 : backslashes, L'\\');
        backslashes = 0;
        quoted += c;
    }
    // The closing quote must not be taken as escaped.
    quoted.append(backslashes * 2, L'\\');
    return quoted + L'"';
}

std::wstring CommandLine(const std::filesystem::path& program, const std::vector<std::wstring>& arguments) {
    std::wstring line = Quoted(program.wstring());
    for (const std::wstring& argument : arguments) line += L' ' + Quoted(argument);
    return line;
}

}  // namespace

std::filesystem::path RunningProgram() {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length == 0) throw std::runtime_error("the running program's file is unknown");
        if (length < path.size()) return path.substr(0, length);
        path.resize(path.size() * 2);
    }
}

ChildProcess::ChildProcess(const std::filesystem::path& program, const std::vector<std::wstring>& arguments,
                           HANDLE output) {
    std::wstring commandLine = CommandLine(program, arguments);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    if (output) {
        startup.dwFlags = STARTF_USESTDHANDLES;
        startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
        startup.hStdOutput = output;
        startup.hStdError = output;
    }
    PROCESS_INFORMATION info{};
    if (!CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, output != nullptr,
                        output ? CREATE_NO_WINDOW : 0, nullptr, nullptr, &startup, &info)) {
        const DWORD error = GetLastError();
        throw std::runtime_error("cannot start " + ToUtf8(program.wstring()) + " (error " + std::to_string(error) +
                                 ")");
    }
    CloseHandle(info.hThread);
    process_.reset(info.hProcess);
    id_ = info.dwProcessId;
}

ChildProcess::~ChildProcess() {
    if (Running()) Kill();
}

bool ChildProcess::Running() const noexcept {
    return process_ && WaitForSingleObject(process_.get(), 0) == WAIT_TIMEOUT;
}

bool ChildProcess::WaitForExit(std::chrono::milliseconds timeout) const noexcept {
    return WaitForSingleObject(process_.get(), static_cast<DWORD>(timeout.count())) == WAIT_OBJECT_0;
}

DWORD ChildProcess::ExitCode() const noexcept {
    DWORD code = STILL_ACTIVE;
    GetExitCodeProcess(process_.get(), &code);
    return code;
}

void ChildProcess::Kill() noexcept {
    TerminateProcess(process_.get(), 1);
    WaitForExit(kKillWait);
}

}  // namespace marsitel
