// Runs against simhost.exe, so that every call crosses a process boundary
// through the marshalled interfaces, as with the real host.
#include <gtest/gtest.h>

#include <algorithm>
#include <thread>

#include "core/host/busy_host.h"
#include "core/host/error_mapping.h"
#include "core/removal.h"
#include "host_fixture.h"
#include "simhost/testing/simhost_process.h"

namespace marsitel {
namespace {

using simhost::testing::SimhostProcess;

// The notice of a busy host as a user who clicks "Abbrechen" as soon as it
// shows.
class StoppedAtOnce final : public host::BusyNotice {
public:
    void Show(host::BusyReason reason, Owner& owner) noexcept override {
        if (reason == host::BusyReason::Ending) return;
        ++shows;
        owner.StopPressed();
    }
    void Hide() noexcept override {}
    void Prepare() noexcept override {}
    void ServeInput() noexcept override {}
    void EndWithWarning(const std::wstring&) noexcept override {}
    int shows = 0;
};

class CrossProcess : public ::testing::Test {
protected:
    ComApartment apartment_;
};

int keysDispatched = 0;

LRESULT CALLBACK CountKeys(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_KEYDOWN) ++keysDispatched;
    return DefWindowProcW(window, message, wParam, lParam);
}

// The host busy for about two seconds mid-run: meanwhile the thread answers
// what another thread sends to its windows (a repaint, Windows asking before
// it calls a program not responding), and no key posted to them reaches
// them: Windows may keep such input or discard it while COM waits.
TEST_F(CrossProcess, ABusySpellMidRunKeepsTheThreadAnsweringAndDispatchesNoKey) {
    SimhostProcess process(SimhostProcess::Options{L"", {L"--hidden", L"--busy-at", L"60:8"}});
    WNDCLASSW keyCounter{};
    keyCounter.lpfnWndProc = &CountKeys;
    keyCounter.lpszClassName = L"Marsitel.KeyCounter";
    RegisterClassW(&keyCounter);
    const HWND window = CreateWindowExW(0, keyCounter.lpszClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                        nullptr, nullptr);
    ASSERT_NE(window, nullptr);
    // Wine counts a thread that has not asked for messages for five seconds
    // (while simhost started) as hung, and refuses to wait for it at all.
    MSG message;
    PeekMessageW(&message, nullptr, 0, 0, PM_NOREMOVE);
    int sent = 0, unanswered = 0;
    // Stopped and joined however the run ends: a thread left running would
    // end the test program and leave simhost registered for the next test.
    std::jthread other([&](std::stop_token stop) {
        while (!stop.stop_requested()) {
            PostMessageW(window, WM_KEYDOWN, VK_SPACE, 0);
            DWORD_PTR result = 0;
            const bool answered = SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 500, &result) != 0;
            // The last one may still wait while the test thread joins.
            if (!stop.stop_requested()) {
                ++sent;
                unanswered += answered ? 0 : 1;
            }
        }
    });
    testing::FixedOptions options(10, true);
    testing::Rows shown;
    testing::RecordingProgress progress(shown);
    RunRelationRemoval(options, progress, {});
    other.request_stop();
    other.join();
    DestroyWindow(window);
    process.Quit();
    EXPECT_GT(sent, 10);
    EXPECT_EQ(unanswered, 0) << "of " << sent;
    EXPECT_EQ(keysDispatched, 0);
    const testing::Rows journal = testing::JournalRows(process.JournalLines());
    EXPECT_EQ(std::ranges::count(journal, testing::Row{L"app", L"call", testing::Member(host::dispid::kFinish)}), 1);
    EXPECT_EQ(process.ClientReferencesAtExit(), 0);
}

// The host refuses 14 calls from its 21st on; the user stops the wait as the
// notice shows, about nine refusals in. The flag is then set back as the last
// call, tried within its short bound without the notice, until the host takes it.
TEST_F(CrossProcess, AfterTheUserStopsTheWaitTheFlagIsSetBackWithinTheShortBoundWithoutTheNotice) {
    StoppedAtOnce notice;
    SimhostProcess process(SimhostProcess::Options{L"", {L"--hidden", L"--busy-at", L"20:14"}});
    testing::FixedOptions options(10, true);
    testing::Rows shown;
    testing::RecordingProgress progress(shown);
    EXPECT_THROW(RunRelationRemoval(options, progress, {&notice, {}}), host::BusyWaitStoppedError);
    EXPECT_EQ(notice.shows, 1);
    process.Quit();
    const testing::Rows journal = testing::JournalRows(process.JournalLines());
    ASSERT_EQ(journal.size(), 21u);
    EXPECT_EQ(journal.back(), (testing::Row{L"app", L"put", testing::Member(host::dispid::kWalkFlag), {L"VT_BOOL 0"}}));
}

}  // namespace
}  // namespace marsitel
