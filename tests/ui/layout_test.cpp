#include "ui/layout.h"
#include "ui/program_end.h"

#include <gtest/gtest.h>

#include <limits>

namespace marsitel::ui {
namespace {

TEST(Layout, FifteenTwipsAPixelAt96DpiAndScaledAbove) {
    const Layout at96(96);
    EXPECT_EQ(at96.Pixels(7530), 502);
    EXPECT_EQ(at96.Pixels(15), 1);
    const RECT box = at96.Rect(TwipsRect{1560, 2400, 255, 375});
    EXPECT_EQ(box.left, 104);
    EXPECT_EQ(box.top, 160);
    EXPECT_EQ(box.right, 121);
    EXPECT_EQ(box.bottom, 185);
    EXPECT_EQ(at96.PixelsFromFloat(1500.0f), 100);

    const Layout at144(144);
    EXPECT_EQ(at144.Pixels(7530), 753);
    // Adjoining boxes keep adjoining when the pixel grid does not fit.
    const Layout at120(120);
    const RECT left = at120.Rect(TwipsRect{0, 0, 1001, 10});
    const RECT right = at120.Rect(TwipsRect{1001, 0, 1001, 10});
    EXPECT_EQ(left.right, right.left);
}

TEST(Layout, FontHeightsFromPointSizes) {
    const Layout at96(96);
    EXPECT_EQ(at96.FontHeight(825), -11);
    EXPECT_EQ(at96.FontHeight(1200), -16);
    EXPECT_EQ(at96.FontHeight(1575), -21);
    EXPECT_EQ(at96.FontHeight(975), -13);
    EXPECT_EQ(Layout(120).FontHeight(825), -14);
}

TEST(Layout, FloatTwipsOutOfAnyRangeDoNotOverflow) {
    const Layout at96(96);
    EXPECT_EQ(at96.PixelsFromFloat(std::numeric_limits<float>::quiet_NaN()), 0);
    EXPECT_GT(at96.PixelsFromFloat(1e30f), 0);
    EXPECT_LT(at96.PixelsFromFloat(-1e30f), 0);
}

TEST(RuntimeErrorReport, ShowsNumberEmptyLineAndDescription) {
    EXPECT_EQ(FormatRuntimeErrorText(13, L"Typen unverträglich"), L"Laufzeitfehler '13':\r\n\r\nTypen unverträglich");
    EXPECT_EQ(FormatRuntimeErrorText(-2147221021, L"x"), L"Laufzeitfehler '-2147221021':\r\n\r\nx");
}

}  // namespace
}  // namespace marsitel::ui
