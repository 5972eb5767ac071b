#include "simhost/testing/simhost_process.h"

#include <atomic>
#include <cwchar>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>

#include "shared/utf8.h"

namespace simhost::testing {

namespace {

constexpr DWORD kReadyTimeoutMs = 60'000;
constexpr DWORD kQuitTimeoutMs = 60'000;
constexpr wchar_t kReferencesPrefix[] = L"# client references at exit: ";

std::wstring UniqueStem() {
    static std::atomic<int> counter{0};
    return L"simhost-" + std::to_wstring(GetCurrentProcessId()) + L"-" + std::to_wstring(++counter) + L"-" +
           std::to_wstring(GetTickCount64());
}

std::wstring TempDirectory() {
    wchar_t dir[MAX_PATH + 1] = {};
    DWORD n = GetTempPathW(MAX_PATH, dir);
    if (n == 0 || n > MAX_PATH) throw std::runtime_error("no temp folder");
    return dir;
}

std::wstring ReadFileText(const std::wstring& path) { return marsitel::ReadUtf8File(path).value_or(L""); }

std::vector<std::wstring> Lines(const std::wstring& text) {
    std::vector<std::wstring> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find(L'\n', start);
        if (end == std::wstring::npos) end = text.size();
        std::wstring line = text.substr(start, end - start);
        if (!line.empty() && line.back() == L'\r') line.pop_back();
        lines.push_back(std::move(line));
        start = end + 1;
    }
    return lines;
}

std::wstring Quoted(const std::wstring& arg) {
    bool quoted = arg.size() >= 2 && arg.front() == L'"' && arg.back() == L'"';
    if (quoted || (!arg.empty() && arg.find_first_of(L" \t\"") == std::wstring::npos)) return arg;
    std::wstring out = L"\"";
    for (wchar_t c : arg) {
        if (c == L'"') out += L'\\';
        out += c;
    }
    return out + L"\"";
}

void CloseIf(HANDLE& h) {
    if (h) CloseHandle(h);
    h = nullptr;
}

}  // namespace

std::wstring SimhostProcess::ProgramDirectory() {
    std::wstring path(MAX_PATH, L'\0');
    DWORD n = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    path.resize(n);
    return path.substr(0, path.find_last_of(L"\\/") + 1);
}

SimhostProcess::SimhostProcess(Options options) {
    std::wstring stem = TempDirectory() + UniqueStem();
    save_file_ = stem + L"-saved.txt";
    journal_file_ = stem + L"-journal.txt";
    error_file_ = stem + L"-stderr.txt";
    std::wstring unique = UniqueStem();
    quit_name_ = L"Local\\" + unique + L"-quit";
    ready_name_ = L"Local\\" + unique + L"-ready";
    if (!options.scenario_text.empty()) {
        scenario_file_ = stem + L"-scenario.txt";
        if (!marsitel::WriteUtf8File(scenario_file_, options.scenario_text)) {
            throw std::runtime_error("cannot write the scenario file");
        }
    }
    quit_ = CreateEventW(nullptr, TRUE, FALSE, quit_name_.c_str());
    ready_event_ = CreateEventW(nullptr, TRUE, FALSE, ready_name_.c_str());
    if (!quit_ || !ready_event_) throw std::runtime_error("cannot create the events");

    SECURITY_ATTRIBUTES inherit{sizeof(inherit), nullptr, TRUE};
    HANDLE error = CreateFileW(error_file_.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit, CREATE_ALWAYS,
                               FILE_ATTRIBUTE_NORMAL, nullptr);
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    startup.hStdOutput = error;
    startup.hStdError = error;
    std::wstring program = options.program.empty() ? ProgramDirectory() + L"simhost.exe" : options.program;
    std::wstring command = Quoted(program) + Arguments(options);
    PROCESS_INFORMATION info{};
    BOOL started = CreateProcessW(program.c_str(), command.data(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW, nullptr,
                                  nullptr, &startup, &info);
    if (error != INVALID_HANDLE_VALUE) CloseHandle(error);
    if (!started) throw std::runtime_error("cannot start simhost.exe");
    CloseHandle(info.hThread);
    process_ = info.hProcess;

    HANDLE waits[] = {ready_event_, process_};
    DWORD result = WaitForMultipleObjects(2, waits, FALSE, kReadyTimeoutMs);
    ready_ = result == WAIT_OBJECT_0;
    if (!ready_ && options.expect_ready) {
        std::string message = "simhost.exe did not become ready";
        if (result == WAIT_OBJECT_0 + 1) message += " (exit code " + std::to_string(ExitCode()) + ")";
        message += ": " + marsitel::ToUtf8(ErrorOutput());
        Kill();
        throw std::runtime_error(message);
    }
}

SimhostProcess::~SimhostProcess() {
    if (Running()) {
        SetEvent(quit_);
        if (WaitForSingleObject(process_, kQuitTimeoutMs) != WAIT_OBJECT_0) Kill();
    }
    CloseIf(process_);
    CloseIf(quit_);
    CloseIf(ready_event_);
    for (const std::wstring* f : {&scenario_file_, &save_file_, &journal_file_, &error_file_}) {
        if (!f->empty()) DeleteFileW(f->c_str());
    }
}

std::wstring SimhostProcess::Arguments(const Options& options) const {
    std::wstring args;
    if (!scenario_file_.empty()) args += L" --scenario " + Quoted(scenario_file_);
    args += L" --save " + Quoted(save_file_) + L" --journal " + Quoted(journal_file_);
    args += L" --ready-event " + Quoted(ready_name_) + L" --quit-event " + Quoted(quit_name_);
    for (const std::wstring& a : options.extra_args) args += L" " + Quoted(a);
    return args;
}

void SimhostProcess::Quit() {
    if (!Running()) return;
    SetEvent(quit_);
    if (WaitForSingleObject(process_, kQuitTimeoutMs) != WAIT_OBJECT_0) {
        Kill();
        throw std::runtime_error("simhost.exe did not quit");
    }
}

void SimhostProcess::Kill() {
    if (Running()) {
        TerminateProcess(process_, 9);
        WaitForSingleObject(process_, kQuitTimeoutMs);
    }
}

bool SimhostProcess::WaitForExit(DWORD milliseconds) {
    return !process_ || WaitForSingleObject(process_, milliseconds) == WAIT_OBJECT_0;
}

DWORD SimhostProcess::ExitCode() const {
    DWORD code = 0;
    if (!process_ || !GetExitCodeProcess(process_, &code)) return static_cast<DWORD>(-1);
    return code;
}

bool SimhostProcess::Running() const {
    return process_ && WaitForSingleObject(process_, 0) == WAIT_TIMEOUT;
}

std::wstring SimhostProcess::SavedState() const {
    return ReadFileText(save_file_);
}

std::vector<std::wstring> SimhostProcess::JournalLines() const {
    std::vector<std::wstring> calls;
    for (std::wstring& line : Lines(ReadFileText(journal_file_))) {
        if (!line.empty() && line[0] != L'#') calls.push_back(std::move(line));
    }
    return calls;
}

std::wstring SimhostProcess::ClientReferencesLine() const {
    for (const std::wstring& line : Lines(ReadFileText(journal_file_))) {
        if (line.rfind(kReferencesPrefix, 0) == 0) return line;
    }
    return {};
}

long SimhostProcess::ClientReferencesAtExit() const {
    std::wstring line = ClientReferencesLine();
    if (line.empty()) return -1;
    return std::wcstol(line.c_str() + wcslen(kReferencesPrefix), nullptr, 10);
}

std::wstring SimhostProcess::ErrorOutput() const {
    return ReadFileText(error_file_);
}

}  // namespace simhost::testing
