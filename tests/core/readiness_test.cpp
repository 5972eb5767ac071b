// The readiness check and the run without a host: what the user sees.
#include <gtest/gtest.h>

#include "com_apartment.h"
#include "core/removal.h"
#include "message_box_watcher.h"
#include "recording_progress.h"

namespace marsitel {
namespace {

using testing::ComApartment;
using testing::MessageBoxWatcher;

void ExpectOneWarning(const MessageBoxWatcher& watcher, const wchar_t* text) {
    ASSERT_EQ(watcher.boxes().size(), 1u);
    const auto& box = watcher.boxes().front();
    EXPECT_EQ(box.text, text);
    EXPECT_EQ(box.caption, kAppTitle);
    EXPECT_TRUE(box.exclamation_icon);
    EXPECT_EQ(box.button_ids, std::vector<int>{IDOK});
}

TEST(ReadinessWithoutHost, WarnsThatTheHostIsNotRunning) {
    ComApartment apartment;
    MessageBoxWatcher watcher;
    EXPECT_FALSE(CheckHostReady());
    ExpectOneWarning(watcher, L"Solid Edge läuft ja gar nicht!");
}

TEST(ReadinessWithoutHost, RunEndsAfterTheWarningWithoutProgress) {
    ComApartment apartment;
    MessageBoxWatcher watcher;
    testing::FixedOptions options{10, true};
    testing::RecordingProgress progress;
    RunRelationRemoval(options, progress);
    ExpectOneWarning(watcher, L"Solid Edge läuft ja gar nicht!");
    EXPECT_TRUE(progress.lines().empty());
}

}  // namespace
}  // namespace marsitel
