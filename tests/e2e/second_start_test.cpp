// A second start while the first copy still shows its splash; the second
// start after the dialog has come is in e2e_tests.cpp.
#include <gtest/gtest.h>

#include "marsitel_app.h"

namespace marsitel::e2e {
namespace {

// The user has gone on working elsewhere and starts Marsitel again: the
// second copy brings the first copy's splash to the front and ends.
TEST(E2eStartUp, ASecondStartDuringTheSplashBringsTheFirstCopysSplashToTheFront) {
    MarsitelApp first;
    const HWND splash = first.WaitForSplash();
    ASSERT_NE(splash, nullptr);
    const HWND elsewhere =
        CreateWindowExW(0, L"STATIC", L"", WS_POPUP | WS_VISIBLE, 0, 0, 100, 100, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(elsewhere, nullptr);
    SetForegroundWindow(elsewhere);
    ASSERT_EQ(GetForegroundWindow(), elsewhere);

    MarsitelApp second;
    ASSERT_TRUE(second.Process().WaitForExit(kWindowWait));
    EXPECT_EQ(second.Process().ExitCode(), 0u);
    ASSERT_TRUE(IsWindowVisible(splash)) << "the splash closed by itself before the second copy ended";
    EXPECT_EQ(GetForegroundWindow(), splash);
    DestroyWindow(elsewhere);
}

}  // namespace
}  // namespace marsitel::e2e
