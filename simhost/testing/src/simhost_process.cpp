#include "simhost/testing/simhost_process.h"

#include <atomic>
#include <cwchar>
#include <filesystem>
#include <stdexcept>

#include "simhost/support/utf8.h"

namespace simhost::testing {

namespace {

constexpr std::chrono::milliseconds kReadyTimeout{60'000};
constexpr std::chrono::milliseconds kQuitTimeout{60'000};
constexpr wchar_t kReferencesPrefix[] = L"# client references at exit: ";

std::wstring UniqueStem() {
    static std::atomic<int> counter{0};
    return L"simhost-" + std::to_wstring(GetCurrentProcessId()) + L"-" + std::to_wstring(++counter) + L"-" +
           std::to_wstring(GetTickCount64());
}

marsitel::UniqueHandle NewEvent(const std::wstring& name) {
    marsitel::UniqueHandle event(CreateEventW(nullptr, TRUE, FALSE, name.c_str()));
    if (!event) throw std::runtime_error("cannot create the events");
    return event;
}

std::vector<std::wstring> WithEvents(std::vector<std::wstring> arguments, const std::wstring& events) {
    arguments.insert(arguments.end(), {L"--ready-event", events + L"-ready", L"--quit-event", events + L"-quit"});
    return arguments;
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

}  // namespace

SimhostChild::SimhostChild(std::vector<std::wstring> arguments, HANDLE output)
    : events_(L"Local\\" + UniqueStem()),
      ready_(NewEvent(events_ + L"-ready")),
      quit_(NewEvent(events_ + L"-quit")),
      process_(marsitel::RunningProgram().parent_path() / L"simhost.exe", WithEvents(std::move(arguments), events_),
               output) {}

bool SimhostChild::WaitReady(std::chrono::milliseconds timeout) const {
    const HANDLE waits[] = {ready_.get(), process_.Handle()};
    return WaitForMultipleObjects(2, waits, FALSE, static_cast<DWORD>(timeout.count())) == WAIT_OBJECT_0;
}

std::string SimhostChild::NotReady() const {
    std::string message = "simhost.exe did not become ready";
    if (!process_.Running()) message += " (exit code " + std::to_string(process_.ExitCode()) + ")";
    return message;
}

bool SimhostChild::Quit(std::chrono::milliseconds timeout) const {
    SetEvent(quit_.get());
    return process_.WaitForExit(timeout);
}

SimhostProcess::SimhostProcess(Options options) {
    const std::wstring stem = (std::filesystem::temp_directory_path() / UniqueStem()).wstring();
    save_file_ = stem + L"-saved.txt";
    journal_file_ = stem + L"-journal.txt";
    error_file_ = stem + L"-stderr.txt";
    if (!options.scenario_text.empty()) {
        scenario_file_ = stem + L"-scenario.txt";
        if (!marsitel::WriteUtf8File(scenario_file_, options.scenario_text)) {
            throw std::runtime_error("cannot write the scenario file");
        }
    }
    SECURITY_ATTRIBUTES inherit{sizeof(inherit), nullptr, TRUE};
    const marsitel::UniqueHandle error(CreateFileW(error_file_.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit,
                                                   CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    host_.emplace(Arguments(options), error.get());
    if (!host_->WaitReady(kReadyTimeout)) {
        throw std::runtime_error(host_->NotReady() + ": " + marsitel::ToUtf8(ReadFileText(error_file_)));
    }
}

SimhostProcess::~SimhostProcess() {
    // The child's owner ends a host that does not quit.
    if (Running()) host_->Quit(kQuitTimeout);
    host_.reset();
    for (const std::wstring* f : {&scenario_file_, &save_file_, &journal_file_, &error_file_}) {
        if (!f->empty()) DeleteFileW(f->c_str());
    }
}

std::vector<std::wstring> SimhostProcess::Arguments(const Options& options) const {
    std::vector<std::wstring> args;
    if (!scenario_file_.empty()) args.insert(args.end(), {L"--scenario", scenario_file_});
    args.insert(args.end(), {L"--save", save_file_, L"--journal", journal_file_});
    args.insert(args.end(), options.extra_args.begin(), options.extra_args.end());
    return args;
}

void SimhostProcess::Quit() {
    if (!Running()) return;
    if (!host_->Quit(kQuitTimeout)) {
        host_->Process().Kill();
        throw std::runtime_error("simhost.exe did not quit");
    }
}

void SimhostProcess::Kill() { if (Running()) host_->Process().Kill(); }

bool SimhostProcess::WaitForExit(std::chrono::milliseconds timeout) { return host_->Process().WaitForExit(timeout); }

bool SimhostProcess::Running() const { return host_ && host_->Process().Running(); }

std::wstring SimhostProcess::SavedState() const { return ReadFileText(save_file_); }

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
    const std::wstring line = ClientReferencesLine();
    return line.empty() ? -1 : std::wcstol(line.c_str() + wcslen(kReferencesPrefix), nullptr, 10);
}

}  // namespace simhost::testing
