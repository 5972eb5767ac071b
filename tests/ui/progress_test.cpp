#include "shared/control_ids.h"
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
    ProgramEndRecorder ends;
    frmProgress progress{ends};
};

TEST_F(ProgressTest, FixedBorderOutOfTheTaskbar) {
    EXPECT_FALSE(StyleOf(progress.hwnd()) & (WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX));
    EXPECT_FALSE(ExStyleOf(progress.hwnd()) & WS_EX_APPWINDOW);
    // Owned by a window that is never shown: no taskbar button.
    const HWND owner = GetWindow(progress.hwnd(), GW_OWNER);
    ASSERT_NE(owner, nullptr);
    EXPECT_FALSE(IsWindowVisible(owner));
}

// Each write, and the share of the bar shown after it (-1: not looked at).
// A sub-assembly with fewer occurrences leaves the old value above the new
// maximum until the first new value comes.
TEST_F(ProgressTest, EmptyRangeAndValuesOutsideANewRangeAreAccepted) {
    constexpr float kInfinity = std::numeric_limits<float>::infinity();
    const struct { void (frmProgress::*write)(float); float value; double shown; } steps[] = {
        {&frmProgress::SetBarMin, 0, -1},    {&frmProgress::SetBarMax, 0, 0},        {&frmProgress::SetBarValue, 1, 0},
        {&frmProgress::SetBarMax, 10, 0.1},  {&frmProgress::SetBarValue, 8, 0.8},    {&frmProgress::SetBarMin, 0, -1},  
        {&frmProgress::SetBarMax, 3, 1},     {&frmProgress::SetBarValue, 1, 1 / 3.}, {&frmProgress::SetBarValue, 3, 1},
        {&frmProgress::SetBarValue, -3, 0},  {&frmProgress::SetBarValue, 1e30f, 1},  {&frmProgress::SetBarMin, 5, 0},
        {&frmProgress::SetBarMax, -kInfinity, 0}, {&frmProgress::SetBarValue, std::numeric_limits<float>::quiet_NaN(), -1},
        {&frmProgress::SetBarMax, kInfinity, 0},
    };
    for (std::size_t i = 0; i < std::size(steps); ++i) {
        (progress.*steps[i].write)(steps[i].value);
        progress.Repaint();
        EXPECT_NEAR(steps[i].shown < 0 ? -1 : Shown(), steps[i].shown, 1e-4) << "after step " << i;
    }
}

TEST_F(ProgressTest, ClosingFromTheTitleBarIsNotOfferedAndIgnoredWhileTheRunWrites) {
    // Close is neither an enabled item of the system menu nor the caption's box.
    const int close = static_cast<int>(GetMenuState(GetSystemMenu(progress.hwnd(), FALSE), SC_CLOSE, MF_BYCOMMAND));
    EXPECT_TRUE(close == -1 || (close & (MF_GRAYED | MF_DISABLED))) << close;
    SendMessageW(progress.hwnd(), WM_CLOSE, 0, 0);
    EXPECT_TRUE((progress.hwnd() != nullptr));
    progress.Destroy();
    EXPECT_FALSE((progress.hwnd() != nullptr));
    // Writes after closing do not fail.
    EXPECT_NO_THROW({
        progress.SetAssemblyLine(L"Bearbeite x");
        progress.SetBarValue(2);
        progress.Repaint();
    });
}

}  // namespace
}  // namespace marsitel::ui
