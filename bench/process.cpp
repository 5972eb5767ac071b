#include "bench/process.h"

#include <stdexcept>
#include <vector>

namespace marsitel::bench {
namespace {

double Seconds(const FILETIME& time) {
    ULARGE_INTEGER value;
    value.LowPart = time.dwLowDateTime;
    value.HighPart = time.dwHighDateTime;
    return static_cast<double>(value.QuadPart) / 1e7;
}

}  // namespace

std::wstring UniqueEventName(const wchar_t* purpose) {
    static long counter = 0;
    return L"MarsitelBench." + std::wstring(purpose) + L'.' + std::to_wstring(GetCurrentProcessId()) + L'.' +
           std::to_wstring(++counter);
}

UniqueHandle CreateNamedEvent(const std::wstring& name) {
    UniqueHandle event(CreateEventW(nullptr, TRUE, FALSE, name.c_str()));
    if (!event) throw std::runtime_error("CreateEvent failed");
    return event;
}

ChildProcess::ChildProcess(const std::filesystem::path& program, const std::wstring& arguments) {
    std::wstring command_line = Quoted(program.wstring()) + L' ' + arguments;
    std::vector<wchar_t> buffer(command_line.begin(), command_line.end());
    buffer.push_back(L'\0');
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION info{};
    if (!CreateProcessW(program.c_str(), buffer.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &info)) {
        throw std::runtime_error("cannot start " + program.filename().string());
    }
    CloseHandle(info.hThread);
    process_.reset(info.hProcess);
}

ChildProcess::~ChildProcess() {
    if (!WaitForExit(0)) Kill();
}

bool ChildProcess::WaitForExit(DWORD milliseconds) const noexcept {
    return WaitForSingleObject(process_.get(), milliseconds) == WAIT_OBJECT_0;
}

DWORD ChildProcess::ExitCode() const noexcept {
    DWORD code = STILL_ACTIVE;
    GetExitCodeProcess(process_.get(), &code);
    return code;
}

void ChildProcess::Kill() noexcept {
    TerminateProcess(process_.get(), 1);
    WaitForSingleObject(process_.get(), 5000);
}

double ChildProcess::CpuSeconds() const noexcept { return ProcessCpuSeconds(process_.get()); }

double ProcessCpuSeconds(HANDLE process) noexcept {
    FILETIME created, exited, kernel, user;
    if (!GetProcessTimes(process, &created, &exited, &kernel, &user)) return 0.0;
    return Seconds(kernel) + Seconds(user);
}

std::filesystem::path ProgramFolder() {
    std::vector<wchar_t> buffer(MAX_PATH);
    for (;;) {
        const DWORD length = GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (length == 0) throw std::runtime_error("GetModuleFileName failed");
        if (length < buffer.size()) return std::filesystem::path(std::wstring(buffer.data(), length)).parent_path();
        buffer.resize(buffer.size() * 2);
    }
}

std::wstring Quoted(const std::wstring& argument) {
    if (!argument.empty() && argument.find_first_of(L" \t\"") == std::wstring::npos) return argument;
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
    quoted.append(backslashes * 2, L'\\');
    return quoted + L'"';
}

}  // namespace marsitel::bench
