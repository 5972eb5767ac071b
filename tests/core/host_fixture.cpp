#include "host_fixture.h"

#include <algorithm>
#include <cwchar>
#include <iterator>
#include <stdexcept>

#include "core/removal.h"

namespace marsitel::testing {
namespace {

constexpr int kMessageTextId = 0xFFFF;
constexpr wchar_t kDialogClass[] = L"#32770";

thread_local MessageBoxWatcher* active_watcher = nullptr;

// GetWindowTextW or GetClassNameW.
std::wstring Text(HWND window, int(WINAPI* read)(HWND, LPWSTR, int)) {
    wchar_t buffer[1024] = {};
    const int length = read(window, buffer, static_cast<int>(std::size(buffer)));
    return std::wstring(buffer, length > 0 ? length : 0);
}

BOOL CALLBACK SurveyChild(HWND child, LPARAM context) {
    auto& seen = *reinterpret_cast<SeenMessageBox*>(context);
    const std::wstring window_class = Text(child, GetClassNameW);
    if (_wcsicmp(window_class.c_str(), L"Button") == 0) {
        seen.button_ids.push_back(GetDlgCtrlID(child));
    } else if (_wcsicmp(window_class.c_str(), L"Static") == 0 &&
               (GetWindowLongW(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON) {
        const auto icon = reinterpret_cast<HICON>(SendMessageW(child, STM_GETICON, 0, 0));
        seen.exclamation_icon = seen.exclamation_icon || (icon && icon == LoadIconW(nullptr, IDI_EXCLAMATION));
    }
    return TRUE;
}

}  // namespace

MessageBoxWatcher::MessageBoxWatcher() {
    hook_ = SetWindowsHookExW(WH_CBT, &MessageBoxWatcher::HookProcedure, nullptr, GetCurrentThreadId());
    if (!hook_) throw std::runtime_error("SetWindowsHookEx failed");
    active_watcher = this;
}

MessageBoxWatcher::~MessageBoxWatcher() {
    active_watcher = nullptr;
    UnhookWindowsHookEx(hook_);
}

LRESULT CALLBACK MessageBoxWatcher::HookProcedure(int code, WPARAM wparam, LPARAM lparam) {
    if (code == HCBT_ACTIVATE && active_watcher) {
        const auto window = reinterpret_cast<HWND>(wparam);
        if (Text(window, GetClassNameW) == kDialogClass) {
            try {
                active_watcher->Record(window);
            } catch (...) {
            }
        }
    }
    return CallNextHookEx(nullptr, code, wparam, lparam);
}

void MessageBoxWatcher::Record(HWND box) {
    // A box can be activated more than once; it is the same box.
    for (const auto& seen : boxes_) {
        if (seen.window == box) return;
    }
    SeenMessageBox seen;
    seen.window = box;
    seen.caption = Text(box, GetWindowTextW);
    seen.text = Text(GetDlgItem(box, kMessageTextId), GetWindowTextW);
    EnumChildWindows(box, &SurveyChild, reinterpret_cast<LPARAM>(&seen));
    boxes_.push_back(std::move(seen));
    PostMessageW(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(box, IDOK)));
}

std::wstring RecordingProgress::Number(float value) {
    wchar_t text[32] = {};
    swprintf(text, std::size(text), L"%g", static_cast<double>(value));
    return text;
}

void ExpectSameLines(const Lines& actual, const Lines& expected) {
    if (actual == expected) return;
    const auto differs = std::mismatch(actual.begin(), actual.end(), expected.begin(), expected.end()).first;
    const std::size_t first = static_cast<std::size_t>(differs - actual.begin());
    std::wstring report = L"first difference at line " + std::to_wstring(first);
    for (const auto& [title, lines] : {std::pair{L"\nactual:\n", &actual}, std::pair{L"expected:\n", &expected}}) {
        report += title;
        for (std::size_t i = first; i < std::min(lines->size(), first + 6); ++i) report += L"  " + (*lines)[i] + L"\n";
    }
    ADD_FAILURE() << report;
}

void HostTest::TearDown() {
    if (!host_) return;
    EXPECT_EQ(host_->ClientReferences(), 0) << "host references left behind";
    host_.reset();
}

simhost::Host& HostTest::StartHost(std::wstring_view scenario) {
    host_ = simhost::Host::FromScenario(scenario);
    host_->Register();
    host_->ClearJournal();
    journal_read_ = 0;
    return *host_;
}

void HostTest::FlushJournal(Lines& log) {
    const auto journal = host_->Journal();
    for (; journal_read_ < journal.size(); ++journal_read_) {
        const auto& entry = journal[journal_read_];
        std::wstring line = entry.object + L" " + entry.kind + L" " + entry.member;
        for (const auto& argument : entry.args) line += L" " + argument;
        log.push_back(std::move(line));
    }
}

std::optional<Error> HostTest::Run(std::int16_t level, bool ground) {
    FixedOptions options(level, ground);
    return Run(options);
}

std::optional<Error> HostTest::Run(FixedOptions& options) {
    RecordingProgress progress([this](Lines& log) { FlushJournal(log); });
    std::optional<Error> failure;
    try {
        RunRelationRemoval(options, progress);
    } catch (const Error& error) {
        failure = error;
    }
    FlushJournal(progress.lines());
    log_ = progress.lines();
    return failure;
}

bool HostTest::CheckReady() {
    const bool ready = CheckHostReady();
    log_.clear();
    FlushJournal(log_);
    return ready;
}

Lines HostTest::LinesStartingWith(std::wstring_view prefix) const {
    Lines lines;
    std::copy_if(log_.begin(), log_.end(), std::back_inserter(lines),
                 [&](const std::wstring& line) { return line.starts_with(prefix); });
    return lines;
}

int HostTest::CountLines(std::wstring_view line) const {
    return static_cast<int>(std::count(log_.begin(), log_.end(), line));
}

}  // namespace marsitel::testing
