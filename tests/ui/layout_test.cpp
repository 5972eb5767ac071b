#include "ui/layout.h"

#include <gtest/gtest.h>

namespace marsitel::ui {
namespace {

// The conversion of positions is checked against the dialog's table; here
// the font height, and the rule that each edge is converted on its own.
TEST(Layout, FontsGrowAboveNinetySixDpiAndAdjoiningBoxesStayAdjoining) {
    EXPECT_EQ(Layout(120).FontHeight(825), -14);
    const Layout at120(120);
    const RECT left = at120.Rect(TwipsRect{0, 0, 1001, 10});
    const RECT right = at120.Rect(TwipsRect{1001, 0, 1001, 10});
    EXPECT_EQ(left.right, right.left);
}

}  // namespace
}  // namespace marsitel::ui
