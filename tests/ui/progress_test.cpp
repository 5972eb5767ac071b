#include "ui/control_ids.h"
#include "ui/frm_progress.h"
#include "ui_test_support.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include <limits>

namespace marsitel::ui {
namespace {

using namespace testing;
namespace id = progress_id;

class ProgressTest : public ::testing::Test {
protected:
    void SetUp() override {
        progress.Create();
        progress.Show();
        Pump();
    }
    void TearDown() override {
        progress.Destroy();
        DiscardQuit();
    }

    HWND Control(int controlId) const { return GetDlgItem(progress.hwnd(), controlId); }
    // The share of the bar that the control shows, 0 to 1.
    double Shown() const {
        const HWND bar = Control(id::kBar);
        const auto position = static_cast<double>(SendMessageW(bar, PBM_GETPOS, 0, 0));
        const auto high = static_cast<double>(SendMessageW(bar, PBM_GETRANGE, FALSE, 0));
        const auto low = static_cast<double>(SendMessageW(bar, PBM_GETRANGE, TRUE, 0));
        return (position - low) / (high - low);
    }

    frmProgress progress;
};

TEST_F(ProgressTest, DesignStateAt96DpiFixedBorderOutOfTheTaskbar) {
    EXPECT_TRUE(SameRect(ClientRect(progress.hwnd()), RECT{0, 0, 511, 82}));
    EXPECT_EQ(TextOf(Control(id::kAssemblyLine)), L"");
    EXPECT_EQ(TextOf(Control(id::kOccurrenceLine)), L"");
    EXPECT_EQ(Shown(), 0.0);
    EXPECT_FALSE(StyleOf(progress.hwnd()) & (WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX));
    EXPECT_FALSE(ExStyleOf(progress.hwnd()) & WS_EX_APPWINDOW);
    // Owned by a window that is never shown: no taskbar button.
    const HWND owner = GetWindow(progress.hwnd(), GW_OWNER);
    ASSERT_NE(owner, nullptr);
    EXPECT_FALSE(IsWindowVisible(owner));
}

TEST_F(ProgressTest, EmptyRangeAndValuesOutsideANewRangeAreAccepted) {
    progress.SetBarMin(0);
    progress.SetBarMax(0);
    progress.Repaint();
    EXPECT_EQ(Shown(), 0.0);
    progress.SetBarValue(1);
    EXPECT_EQ(Shown(), 0.0);

    progress.SetBarMax(10);
    EXPECT_DOUBLE_EQ(Shown(), 0.1);
    progress.SetBarValue(8);
    EXPECT_DOUBLE_EQ(Shown(), 0.8);
    // A sub-assembly with fewer occurrences: the old value lies above the
    // new maximum until the first new value comes.
    progress.SetBarMin(0);
    progress.SetBarMax(3);
    progress.Repaint();
    EXPECT_EQ(Shown(), 1.0);
    progress.SetBarValue(1);
    EXPECT_NEAR(Shown(), 1.0 / 3.0, 1e-4);
    progress.SetBarValue(3);
    EXPECT_EQ(Shown(), 1.0);

    progress.SetBarValue(-3);
    EXPECT_EQ(Shown(), 0.0);
    progress.SetBarValue(1e30f);
    EXPECT_EQ(Shown(), 1.0);
    progress.SetBarMin(5);
    EXPECT_EQ(Shown(), 0.0);
    progress.SetBarMax(-std::numeric_limits<float>::infinity());
    EXPECT_EQ(Shown(), 0.0);
    progress.SetBarValue(std::numeric_limits<float>::quiet_NaN());
    progress.SetBarMax(std::numeric_limits<float>::infinity());
    progress.Repaint();
    EXPECT_EQ(Shown(), 0.0);
}

TEST_F(ProgressTest, LinesShowTheLastTextAndNeverResizeTheWindow) {
    RECT before;
    GetWindowRect(progress.hwnd(), &before);
    const std::wstring longName = L"Bearbeite " + std::wstring(400, L'X') + L" & Co.asm";
    progress.SetAssemblyLine(longName);
    progress.SetOccurrenceLine(L"Vorkommnis Teil:1");
    progress.Repaint();
    EXPECT_EQ(TextOf(Control(id::kAssemblyLine)), longName);
    EXPECT_EQ(TextOf(Control(id::kOccurrenceLine)), L"Vorkommnis Teil:1");
    RECT after;
    GetWindowRect(progress.hwnd(), &after);
    EXPECT_TRUE(EqualRect(&before, &after));
}

TEST_F(ProgressTest, ClosingFromTheTitleBarIsNotOfferedAndIgnoredWhileTheRunWrites) {
    // Close is neither an enabled item of the system menu nor the caption's box.
    const int close = static_cast<int>(GetMenuState(GetSystemMenu(progress.hwnd(), FALSE), SC_CLOSE, MF_BYCOMMAND));
    EXPECT_TRUE(close == -1 || (close & (MF_GRAYED | MF_DISABLED))) << close;
    SendMessageW(progress.hwnd(), WM_CLOSE, 0, 0);
    EXPECT_TRUE(progress.IsOpen());
    progress.Destroy();
    EXPECT_FALSE(progress.IsOpen());
    // Writes after closing do not fail.
    EXPECT_NO_THROW({
        progress.SetAssemblyLine(L"Bearbeite x");
        progress.SetBarValue(2);
        progress.Repaint();
    });
}

}  // namespace
}  // namespace marsitel::ui
