// The run-time error report with what a host may put into a description: a
// whole log in words, or one endless word. The box, its number and its OK
// stay on the screen.
#include "ui/program_end.h"
#include "ui_test_support.h"

#include <gtest/gtest.h>

#include <string>

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
    MessageBoxWatcher boxes;
    ReportRuntimeError(4711, description);
    EXPECT_EQ(ends.exitCodes(), std::vector<unsigned>{1});
    EXPECT_EQ(boxes.boxes().size(), 1u);
    return boxes.boxes().empty() ? SeenMessageBox{} : boxes.boxes()[0];
}

std::wstring Repeated(const std::wstring& piece, int times) {
    std::wstring text;
    for (int i = 0; i < times; ++i) text += piece;
    return text;
}

void ExpectOnTheScreen(const SeenMessageBox& box) {
    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    GetMonitorInfoW(MonitorFromWindow(GetDesktopWindow(), MONITOR_DEFAULTTOPRIMARY), &monitor);
    EXPECT_TRUE(Inside(box.outer, monitor.rcWork));
    EXPECT_TRUE(Inside(box.ok, monitor.rcWork));
}

TEST(ErrorReport, AShortDescriptionIsShownAsItIs) {
    EXPECT_EQ(ReportOf(L"Beziehung ist gesperrt").text, std::wstring(kNumberLine) + L"Beziehung ist gesperrt");
}

// 100,000 characters in words of ten ("Protokoll "): cut at the blank
// before the 1001st character, so 99 words and a last one without its
// blank, then the ellipsis: 999 + 1 characters.
TEST(ErrorReport, ALogInWordsIsCutAtABlankAndTheBoxFitsTheScreen) {
    const SeenMessageBox box = ReportOf(Repeated(L"Protokoll ", 10000));
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

}  // namespace
}  // namespace marsitel::ui
