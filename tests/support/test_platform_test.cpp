#include "test_platform.h"

namespace marsitel::testing {
namespace {

// Cross-compiled test programs run under Wine (the build's emulator), native
// builds on Windows.
TEST(TestPlatform, RunningUnderWineAnswersForTheMachineTheSuiteRunsOn) {
    EXPECT_EQ(RunningUnderWine(), MARSITEL_TESTS_RUN_UNDER_WINE != 0);
}

}  // namespace
}  // namespace marsitel::testing
