// The run-time error report with what a host may put into a description: a
// whole log in words, or one endless word. The box, its number and its OK
// stay on the screen. And the report of what the event loop meets.
#include "core/base/error.h"
#include "shared/gdi.h"
#include "shared/unique_handle.h"
#include "simhost/support/child_process.h"
#include "ui/message_loop.h"
#include "ui/program_end.h"
#include "ui/window.h"
#include "test_platform.h"
#include "ui_test_support.h"

#include <gtest/gtest.h>

#include <chrono>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace marsitel::ui {
namespace {

using namespace testing;

constexpr wchar_t kNumberLine[] = L"Laufzeitfehler '4711':\r\n\r\n";

bool Inside(const RECT& inner, const RECT& outer) {
    return inner.left >= outer.left && inner.top >= outer.top && inner.right <= outer.right &&
           inner.bottom <= outer.bottom;
}

SeenMessageBox ReportOf(const std::wstring& description) {
    ProgramEndRecorder ends;
    return TheBoxTheProgramEndsWith(ends, [&] { ReportRuntimeError(4711, description, ends); });
}

// Set in the child process of the test at 144 DPI: the DPI it must run at.
constexpr wchar_t kDpiVariable[] = L"MARSITEL_TEST_DPI";

void ExpectOnTheScreen(const SeenMessageBox& box) {
    if (GetEnvironmentVariableW(kDpiVariable, nullptr, 0)) {
        EXPECT_EQ(GetDeviceCaps(WindowDC().get(), LOGPIXELSY), 144);
    }
    EXPECT_TRUE(Inside(box.ok, box.outer));
    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    GetMonitorInfoW(MonitorFromWindow(GetDesktopWindow(), MONITOR_DEFAULTTOPRIMARY), &monitor);
    EXPECT_TRUE(Inside(box.outer, monitor.rcWork));
    EXPECT_TRUE(Inside(box.ok, monitor.rcWork));
}

// A key typed while the run held the thread up, still queued when the
// report comes, would close it unread: it is gone by then.
TEST(ErrorReport, AKeyTypedBeforeItComesIsGoneWhenItShows) {
    const HWND focus = CreateWindowExW(0, L"EDIT", L"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    PostMessageW(focus, WM_KEYDOWN, VK_RETURN, 0);
    EXPECT_FALSE(ReportOf(L"Beziehung ist gesperrt").keyQueued);
    DestroyWindow(focus);
}

// 100,000 characters in words of ten ("Protokoll "): cut at the blank
// before the 1001st character, so 99 words and a last one without its
// blank, then the ellipsis: 999 + 1 characters.
TEST(ErrorReport, ALogInWordsIsCutAtABlankAndTheBoxFitsTheScreen) {
    const SeenMessageBox box = ReportOf([] {
        std::wstring log;
        while (log.size() < 100000) log += L"Protokoll ";
        return log;
    }());
    const std::wstring shown = box.text.substr(std::size(kNumberLine) - 1);
    EXPECT_EQ(shown.size(), 1000u);
    EXPECT_EQ(shown.substr(980), L"Protokoll Protokoll\u2026");
    ExpectOnTheScreen(box);
}

// 100,000 characters without a blank: cut after the 1000th, the ellipsis
// added, and a line break after every 64 characters: 15 breaks of two.
TEST(ErrorReport, OneEndlessWordIsCutAndBrokenAndTheBoxFitsTheScreen) {
    const SeenMessageBox box = ReportOf(std::wstring(100000, L'x'));
    const std::wstring shown = box.text.substr(std::size(kNumberLine) - 1);
    EXPECT_EQ(shown.size(), 1031u);
    EXPECT_EQ(shown.substr(0, 66), std::wstring(64, L'x') + L"\r\n");
    EXPECT_EQ(shown.substr(1031 - 43), L"\r\n" + std::wstring(40, L'x') + L"\u2026");
    ExpectOnTheScreen(box);
}

// A window's look at a message before it is dispatched runs outside its
// window procedure, and in the program nothing above the event loop
// catches: what it throws is reported all the same, and the loop goes on.
TEST(ErrorReport, WhatAWindowThrowsBeforeAMessageIsDispatchedIsReported) {
    static const WindowClassDef kThrowingClass{L"Marsitel.Test.Throwing", 0, COLOR_BTNFACE};
    struct Throwing final : Window {
        using Window::Window;
        void Create() { CreateTopLevel({&kThrowingClass, L"", WS_POPUP, 0, nullptr}, RECT{0, 0, 10, 10}); }
        bool PreTranslate(MSG&) override { throw Error(4711, L"Vorschau gestört"); }
    };
    ProgramEndRecorder ends;
    const SeenMessageBox box = TheBoxTheProgramEndsWith(ends, [&] {
        Throwing window(ends);
        window.Create();
        PostMessageW(window.hwnd(), WM_NULL, 0, 0);
        EXPECT_TRUE(ProcessPendingMessages());
    });
    EXPECT_EQ(box.text, L"Laufzeitfehler '4711':\r\n\r\nVorschau gestört");
}

// Wine, unlike Windows, takes a new system DPI from the registry at a
// program's start: the two cases above run again at 144 DPI in a child.
TEST(ErrorReport, UnderWineAt144DpiTooTheBoxesFitTheScreen) {
    MARSITEL_SKIP_UNLESS_WINE("Windows takes a new system DPI only at the next sign-in");
    HKEY desktop = nullptr;
    ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, L"Control Panel\\Desktop", 0, KEY_SET_VALUE, &desktop), ERROR_SUCCESS);
    const UniqueKey owned(desktop);
    const DWORD dpi = 144;
    RegSetValueExW(desktop, L"LogPixels", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&dpi), sizeof dpi);
    SetEnvironmentVariableW(kDpiVariable, L"144");
    std::optional<ChildProcess> child;
    try {
        child.emplace(RunningProgram(), std::vector<std::wstring>{L"--gtest_filter=ErrorReport.*Fits*"});
    } catch (const std::runtime_error&) {
    }
    SetEnvironmentVariableW(kDpiVariable, nullptr);
    const bool started = child.has_value();
    DWORD exitCode = 1;
    if (started && child->WaitForExit(std::chrono::milliseconds(60000))) exitCode = child->ExitCode();
    RegDeleteValueW(desktop, L"LogPixels");
    ASSERT_TRUE(started);
    EXPECT_EQ(exitCode, 0u) << "a box did not fit the screen at 144 DPI";
}

}  // namespace
}  // namespace marsitel::ui
