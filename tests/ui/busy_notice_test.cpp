// The notice of a busy host: what it shows, which input reaches its button,
// and how the waits drive it. On Windows COM asks the message filter while
// it retries a call (RetryRejectedCall) and while messages arrive
// (MessagePending); Wine never does, so these tests ask it directly, as COM
// would, with the notice the program uses.
#include "core/host/busy_host.h"
#include "core/host/error_mapping.h"
#include "ui/control_ids.h"
#include "ui/frm_busy.h"
#include "test_platform.h"
#include "ui_test_support.h"

#include <gtest/gtest.h>

namespace marsitel::ui {
namespace {

using namespace testing;
namespace id = busy_id;
using std::chrono::milliseconds;

constexpr DWORD kCancelCall = 0xFFFFFFFF;
constexpr DWORD kKeepWaiting = PENDINGMSG_WAITDEFPROCESS;
constexpr DWORD kCancelPending = PENDINGMSG_CANCELCALL;
constexpr wchar_t kUnansweredStopped[] = L"Abgebrochen, während Solid Edge nicht antwortete. Was bis dahin geändert "
                                         L"wurde, bleibt geändert. Marsitel wird beendet.";

class BusyNoticeTest : public ::testing::Test {
protected:
    void SetUp() override { host::SetBusyNotice(&notice); }
    void TearDown() override {
        host::SetBusyNotice(nullptr);
        DiscardQuit();
    }

    HWND Button() const { return GetDlgItem(notice.hwnd(), id::cmdCancel); }
    bool Showing() const { return notice.hwnd() && IsWindowVisible(notice.hwnd()); }
    // A click in the middle of the button, as the mouse leaves it queued.
    void QueueClick() const {
        const RECT box = ClientRect(Button());
        const LPARAM middle = MAKELPARAM(box.right / 2, box.bottom / 2);
        PostMessageW(Button(), WM_LBUTTONDOWN, MK_LBUTTON, middle);
        PostMessageW(Button(), WM_LBUTTONUP, 0, middle);
    }
    void QueueKey(WORD key) const {
        PostMessageW(Button(), WM_KEYDOWN, key, 0);
        PostMessageW(Button(), WM_KEYUP, key, 0xC0000000);
    }

    frmBusy notice;
    host::BusyMessageFilter filter;
};

// The user is in another window, most likely the host's dialog, when the
// notice comes: the foreground and the focus stay there, also when the
// notice goes. A window of this thread stands in for it; the end-to-end
// tests use one of another process.
TEST_F(BusyNoticeTest, ItShowsTopmostWithoutTakingTheForegroundOrTheFocusAndGivesNothingBack) {
    const HWND other = CreateWindowExW(0, L"EDIT", L"", WS_POPUP | WS_VISIBLE, 600, 600, 100, 30, nullptr, nullptr,
                                       nullptr, nullptr);
    ASSERT_NE(other, nullptr);
    MARSITEL_SKIP_IF_WINDOWS_REFUSED_THE_FOREGROUND(SetForegroundWindow(other));
    SetFocus(other);
    notice.Show(host::BusyReason::Refusing);
    ASSERT_TRUE(Showing());
    EXPECT_TRUE(ExStyleOf(notice.hwnd()) & WS_EX_TOPMOST);
    EXPECT_EQ(GetForegroundWindow(), other);
    EXPECT_EQ(GetFocus(), other);
    // Activated by the user, it hands the keyboard to its button.
    SetForegroundWindow(notice.hwnd());
    EXPECT_EQ(GetFocus(), Button());
    SetForegroundWindow(other);
    notice.Hide();
    EXPECT_FALSE(Showing());
    EXPECT_EQ(GetForegroundWindow(), other);
    DestroyWindow(other);
}

// Where it stands, in literal pixels (the end-to-end tests see it on the
// screen): below the progress window's outer rectangle during a run, given
// the notice's outer size, at 96, 120 and 144 DPI, on a 1280 by 1024 screen
// whose taskbar takes the bottom 40 pixels.
TEST(BusyNoticePlace, BelowTheProgressWindowAboveWhereNoRoomIsLeftAndAlwaysInTheWorkArea) {
    const RECT work{0, 0, 1280, 984};
    const struct {
        const char* name;
        RECT anchor;
        SIZE size;
        RECT expected;
    } cases[] = {
        {"96 DPI", {100, 100, 617, 207}, {366, 150}, {100, 207, 466, 357}},
        {"120 DPI", {125, 125, 1091, 309}, {683, 264}, {125, 309, 808, 573}},
        {"144 DPI", {150, 150, 926, 309}, {549, 224}, {150, 309, 699, 533}},
        {"no room below", {100, 800, 617, 907}, {366, 150}, {100, 650, 466, 800}},
        {"out at the right", {1000, 100, 1517, 207}, {366, 150}, {914, 207, 1280, 357}},
    };
    for (const auto& c : cases) EXPECT_TRUE(SameRect(NoticeRectBeside(c.anchor, c.size, work), c.expected)) << c.name;
}

TEST_F(BusyNoticeTest, InputQueuedBeforeItShowsIsDroppedAfterwardsItsButtonWorksByMouseAndKeys) {
    notice.Show(host::BusyReason::Refusing);
    notice.Hide();
    QueueKey(VK_RETURN);
    QueueClick();
    notice.Show(host::BusyReason::Refusing);
    notice.ServeInput();
    EXPECT_FALSE(notice.StopRequested()) << "input typed before the notice came pressed its button";

    // A click (0), Space, Enter and Escape.
    for (const WORD key : {WORD{0}, WORD{VK_SPACE}, WORD{VK_RETURN}, WORD{VK_ESCAPE}}) {
        notice.Show(host::BusyReason::Refusing);
        key ? QueueKey(key) : QueueClick();
        notice.ServeInput();
        EXPECT_TRUE(notice.StopRequested()) << key;
        notice.Hide();
    }
    // Showing it again forgets the last request.
    notice.Show(host::BusyReason::Refusing);
    EXPECT_FALSE(notice.StopRequested());
}

// COM's questions with literal answers: the schedule's pause in
// milliseconds, the notice from two seconds on, -1 once the user has
// stopped the wait; the click on the button reaches it through
// MessagePending while COM waits. Paint is served there too, other input
// stays queued.
TEST_F(BusyNoticeTest, OnWindowsPathTheFilterShowsTheNoticeServesItsButtonAndEndsTheWait) {
    const HWND other = CreateWindowExW(0, L"STATIC", L"", WS_POPUP | WS_VISIBLE, 0, 0, 20, 20, nullptr, nullptr,
                                       nullptr, nullptr);
    ASSERT_NE(other, nullptr);
    UpdateWindow(other);
    {
        host::BusyWait wait;
        EXPECT_EQ(filter.RetryRejectedCall(nullptr, 1000, SERVERCALL_RETRYLATER), 500u);
        EXPECT_FALSE(Showing());
        EXPECT_EQ(filter.RetryRejectedCall(nullptr, 2000, SERVERCALL_RETRYLATER), 1000u);
        EXPECT_TRUE(Showing());

        InvalidateRect(other, nullptr, TRUE);
        PostMessageW(other, WM_KEYDOWN, VK_SPACE, 0);
        QueueClick();
        EXPECT_EQ(filter.MessagePending(nullptr, 2100, PENDINGTYPE_TOPLEVEL), kKeepWaiting);
        EXPECT_TRUE(notice.StopRequested());
        EXPECT_FALSE(GetUpdateRect(other, nullptr, FALSE)) << "paint was not served";
        MSG message;
        EXPECT_TRUE(PeekMessageW(&message, other, WM_KEYDOWN, WM_KEYDOWN, PM_REMOVE)) << "the key was taken";

        EXPECT_EQ(filter.RetryRejectedCall(nullptr, 3000, SERVERCALL_RETRYLATER), kCancelCall);
        EXPECT_EQ(wait.end(), host::BusyEnd::Stopped);
    }
    EXPECT_FALSE(Showing()) << "the notice outlived its wait";
    {
        // A click that COM did not report while it waited is found when it
        // asks about the next retry.
        host::BusyWait wait;
        EXPECT_EQ(filter.RetryRejectedCall(nullptr, 2000, SERVERCALL_RETRYLATER), 1000u);
        QueueClick();
        EXPECT_EQ(filter.RetryRejectedCall(nullptr, 3000, SERVERCALL_RETRYLATER), kCancelCall);
        // COM then fails the call; the caller does not try it again.
        EXPECT_THROW(wait.AfterRejection(RPC_E_CALL_REJECTED), host::BusyWaitStoppedError);
        EXPECT_TRUE(Showing());
    }
    EXPECT_FALSE(Showing()) << "the notice outlived its wait";
    {
        // Refused until COM's retry at 3 s, then taken and not answered: the
        // notice says so five seconds after that retry.
        host::BusyWait wait;
        EXPECT_EQ(filter.RetryRejectedCall(nullptr, 2000, SERVERCALL_RETRYLATER), 1000u);
        EXPECT_EQ(filter.MessagePending(nullptr, 7999, PENDINGTYPE_TOPLEVEL), kKeepWaiting);
        EXPECT_TRUE(TextOf(GetDlgItem(notice.hwnd(), id::lblBusy)).starts_with(L"Solid Edge ist beschäftigt."));
        EXPECT_EQ(filter.MessagePending(nullptr, 8000, PENDINGTYPE_TOPLEVEL), kKeepWaiting);
        EXPECT_TRUE(TextOf(GetDlgItem(notice.hwnd(), id::lblBusy)).starts_with(L"Solid Edge antwortet nicht."));
    }
    DestroyWindow(other);
}

// After a failure the program resets the host's flag under a short bound,
// so that the report of the failure is not held back: the notice, whose
// button would end a wait that ends by itself within seconds, stays away,
// and a reset that the host has taken and not answered is cancelled at the
// bound as a refused one is given up.
TEST_F(BusyNoticeTest, NoNoticeWhileTheFlagIsResetAfterAFailureAndAnUnansweredResetEndsAtTheBound) {
    const host::ShortBusyBound shortBound;
    host::BusyWait wait;
    EXPECT_EQ(filter.RetryRejectedCall(nullptr, 2500, SERVERCALL_RETRYLATER), 500u);
    EXPECT_EQ(filter.MessagePending(nullptr, 2999, PENDINGTYPE_TOPLEVEL), kKeepWaiting);
    EXPECT_EQ(filter.MessagePending(nullptr, 3000, PENDINGTYPE_TOPLEVEL), kCancelPending);
    EXPECT_FALSE(Showing());
}

// COM's questions while the host has taken a call and not answered, with
// literal ticks: no host call out, nothing; the notice from five seconds
// on, with its own text; the call cancelled once the user has asked to
// stop, and the stop's warning when the cancelled call comes back. Should
// COM ask once more about the cancelled call (Wine's does not let it go),
// the program ends there with the same warning.
TEST_F(BusyNoticeTest, WhileTheHostDoesNotAnswerTheNoticeComesAtFiveSecondsAndItsButtonCancelsTheCall) {
    const host::BusyFilterScope scope;
    EXPECT_EQ(filter.MessagePending(nullptr, 60000, PENDINGTYPE_TOPLEVEL), kKeepWaiting);
    EXPECT_FALSE(Showing());
    host::BusyWait wait;
    EXPECT_EQ(filter.MessagePending(nullptr, 4999, PENDINGTYPE_TOPLEVEL), kKeepWaiting);
    EXPECT_FALSE(Showing());
    EXPECT_EQ(filter.MessagePending(nullptr, 5000, PENDINGTYPE_TOPLEVEL), kKeepWaiting);
    ASSERT_TRUE(Showing());
    EXPECT_EQ(TextOf(GetDlgItem(notice.hwnd(), id::lblBusy)),
              L"Solid Edge antwortet nicht. Vielleicht rechnet es noch. Marsitel wartet, bis Solid Edge antwortet. "
              L"„Abbrechen“ beendet Marsitel; was bis dahin geändert wurde, bleibt geändert.");
    EXPECT_EQ(filter.MessagePending(nullptr, 90000, PENDINGTYPE_TOPLEVEL), kKeepWaiting) << "no bound";

    QueueClick();
    EXPECT_EQ(filter.MessagePending(nullptr, 90250, PENDINGTYPE_TOPLEVEL), kCancelPending);
    EXPECT_EQ(TheBoxTheProgramEndsWith([&] { wait.AfterCancel(RPC_E_CALL_CANCELED); }).text, kUnansweredStopped);
    const SeenMessageBox end =
        TheBoxTheProgramEndsWith([&] { filter.MessagePending(nullptr, 90500, PENDINGTYPE_TOPLEVEL); });
    EXPECT_EQ(end.text, kUnansweredStopped);
    EXPECT_EQ(end.icon, LoadIconW(nullptr, IDI_EXCLAMATION));
    EXPECT_FALSE(Showing());
}

// Dropping the last reference to a host object is a call to the host as
// well, and a host that computes after its answer holds it up: the same
// notice at five seconds, and its button cancels the release. On Windows
// COM then lets the release go, and the program ends as it comes back.
TEST_F(BusyNoticeTest, AReleaseTheHostDoesNotAnswerIsWaitedForAsACall) {
    const host::BusyFilterScope scope;
    const SeenMessageBox end = TheBoxTheProgramEndsWith([&] {
        host::ReleaseWhileBusy([&]() noexcept {
            EXPECT_EQ(filter.MessagePending(nullptr, 4999, PENDINGTYPE_TOPLEVEL), kKeepWaiting);
            EXPECT_FALSE(Showing());
            EXPECT_EQ(filter.MessagePending(nullptr, 5000, PENDINGTYPE_TOPLEVEL), kKeepWaiting);
            EXPECT_TRUE(Showing());
            QueueClick();
            EXPECT_EQ(filter.MessagePending(nullptr, 5250, PENDINGTYPE_TOPLEVEL), kCancelPending);
        });
    });
    EXPECT_EQ(end.text, kUnansweredStopped);
}

// A press on the notice's caption would start the system's move loop inside
// the host call, and that loop takes the keys queued for every window of
// the thread: a key typed into the progress window meanwhile is gone.
TEST_F(BusyNoticeTest, APressOnItsCaptionLeavesInputForOtherWindowsQueued) {
    const HWND other = CreateWindowExW(0, L"STATIC", L"", WS_POPUP | WS_VISIBLE, 0, 0, 20, 20, nullptr, nullptr,
                                       nullptr, nullptr);
    ASSERT_NE(other, nullptr);
    notice.Show(host::BusyReason::Refusing);
    SetForegroundWindow(notice.hwnd());
    RECT caption{};
    GetWindowRect(notice.hwnd(), &caption);
    const LPARAM onCaption = MAKELPARAM(caption.left + 40, caption.top + 8);
    PostMessageW(other, WM_KEYDOWN, VK_SPACE, 0);
    PostMessageW(notice.hwnd(), WM_NCLBUTTONDOWN, HTCAPTION, onCaption);
    PostMessageW(notice.hwnd(), WM_LBUTTONUP, 0, 0);
    notice.ServeInput();
    MSG message;
    EXPECT_TRUE(PeekMessageW(&message, other, WM_KEYDOWN, WM_KEYDOWN, PM_REMOVE)) << "the key was taken";
    notice.Hide();
    DestroyWindow(other);
}

// The program's own retry loop, as under Wine: the host refuses until the
// notice has come and its button is clicked; the call is then not tried
// again and ends with the busy report.
TEST_F(BusyNoticeTest, OnTheProgramsOwnLoopTheButtonEndsTheWaitBeforeTheHostIsAskedAgain) {
    int attempts = 0;
    int attemptsAfterTheClick = 0;
    bool clicked = false;
    const auto refused = [&] {
        ++attempts;
        if (clicked) ++attemptsAfterTheClick;
        if (Showing() && !clicked) {
            QueueClick();
            clicked = true;
        }
        return RPC_E_CALL_REJECTED;
    };
    const SeenMessageBox report = TheBoxTheProgramEndsWith([&] { host::CallWhileBusy(refused); });
    EXPECT_EQ(report.text, L"Abgebrochen, während Solid Edge beschäftigt war. Was bis dahin geändert wurde, bleibt "
                           L"geändert. Marsitel wird beendet.");
    EXPECT_EQ(report.icon, LoadIconW(nullptr, IDI_EXCLAMATION));
    EXPECT_TRUE(clicked);
    EXPECT_EQ(attemptsAfterTheClick, 0);
    // Refused at 0, 0.1, 0.2, 0.3, 0.45, 0.68, 1.01, 1.52 and 2.28 seconds;
    // the notice came with the pause after the ninth, the click during the
    // tenth, and there was no eleventh.
    EXPECT_EQ(attempts, 10);
    EXPECT_FALSE(Showing());
}

// At the bound (shortened here from a minute) the wait ends with the
// run-time error report, its number that of the rejection.
TEST_F(BusyNoticeTest, AtTheBoundTheWaitEndsWithTheErrorReport) {
    host::SetBusyLimit(milliseconds{1500});
    const SeenMessageBox report =
        TheBoxTheProgramEndsWith([] { host::CallWhileBusy([] { return RPC_E_SERVERCALL_RETRYLATER; }); });
    host::SetBusyLimit(host::kDefaultBusyLimit);
    EXPECT_EQ(report.text, L"Laufzeitfehler '-2147417846':\r\n\r\nSolid Edge hat eine Minute lang nicht geantwortet, "
                           L"weil es beschäftigt war. Was bis dahin geändert wurde, bleibt geändert.");
    EXPECT_EQ(report.icon, LoadIconW(nullptr, IDI_ERROR));
}

}  // namespace
}  // namespace marsitel::ui
