#include "ui/controls.h"
#include "ui/layout.h"

#include <gtest/gtest.h>

#include <limits>

namespace marsitel::ui {
namespace {

// 96 DPI is checked against the windows' tables in the window tests; here
// the scaling above it and the inputs no table holds.
TEST(Layout, ScalesAboveNinetySixDpiAndKeepsAdjoiningBoxesAdjoining) {
    EXPECT_EQ(Layout(120).FontHeight(825), -14);
    EXPECT_EQ(Layout(96).PixelsFromFloat(1500.0f), 100);
    const Layout at120(120);
    const RECT left = at120.Rect(TwipsRect{0, 0, 1001, 10});
    const RECT right = at120.Rect(TwipsRect{1001, 0, 1001, 10});
    EXPECT_EQ(left.right, right.left);
}

TEST(Layout, FloatTwipsOutOfAnyRangeDoNotOverflow) {
    const Layout at96(96);
    EXPECT_EQ(at96.PixelsFromFloat(std::numeric_limits<float>::quiet_NaN()), 0);
    EXPECT_GT(at96.PixelsFromFloat(1e30f), 0);
    EXPECT_LT(at96.PixelsFromFloat(-1e30f), 0);
}

}  // namespace
}  // namespace marsitel::ui
