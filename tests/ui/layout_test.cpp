#include "ui/layout.h"

#include <gtest/gtest.h>

#include <array>

namespace marsitel::ui {
namespace {

// The conversion of positions is checked at 96 DPI against the dialog's
// table; here above it, where half pixels round away from zero, the font
// height, and the rule that each edge is converted on its own.
TEST(Layout, FontsGrowAboveNinetySixDpiAndAdjoiningBoxesStayAdjoining) {
    const RECT levelBox = Layout(144).Rect(TwipsRect{960, 2400, 615, 375});
    EXPECT_EQ((std::array<LONG, 4>{levelBox.left, levelBox.top, levelBox.right, levelBox.bottom}),
              (std::array<LONG, 4>{96, 240, 158, 278}));
    EXPECT_EQ(Layout(120).FontHeight(825), -14);
    const Layout at120(120);
    const RECT left = at120.Rect(TwipsRect{0, 0, 1001, 10});
    const RECT right = at120.Rect(TwipsRect{1001, 0, 1001, 10});
    EXPECT_EQ(left.right, right.left);
}

}  // namespace
}  // namespace marsitel::ui
