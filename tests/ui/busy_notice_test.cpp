// The notice of a busy host: what it shows, which input reaches its button,
// and how the waits drive it. On Windows COM asks the message filter while
// it retries a call (RetryRejectedCall) and while messages arrive
// (MessagePending); Wine never does, so these tests ask it directly, as COM
// would, with the notice the program uses.
#include "core/host/busy_host.h"
#include "core/error.h"
#include "ui/control_ids.h"
#include "ui/frm_busy.h"
#include "ui_test_support.h"

#include <gtest/gtest.h>

namespace marsitel::ui {
namespace {

using namespace testing;
namespace id = busy_id;
using std::chrono::milliseconds;

constexpr DWORD kCancelCall = 0xFFFFFFFF;

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

TEST_F(BusyNoticeTest, ATopmostNoticeInTheProgramsFontsWithOneFocusedButton) {
    notice.Show();
    ASSERT_TRUE(Showing());
    EXPECT_TRUE(ExStyleOf(notice.hwnd()) & WS_EX_TOPMOST);
    EXPECT_FALSE(StyleOf(notice.hwnd()) & WS_SYSMENU);
    EXPECT_EQ(TextOf(notice.hwnd()), L"Marsitel");
    EXPECT_EQ(TextOf(GetDlgItem(notice.hwnd(), id::lblBusy)),
              L"Solid Edge ist beschäftigt. Ist dort noch ein Dialog offen? Marsitel wartet, bis Solid Edge wieder "
              L"antwortet.");
    EXPECT_EQ(TextOf(Button()), L"Abbrechen");
    EXPECT_EQ(GetFocus(), Button());
    // 5400 by 1755 twips; the button 1695 by 375, centred.
    EXPECT_TRUE(SameRect(ClientRect(notice.hwnd()), RECT{0, 0, 360, 117}));
    EXPECT_TRUE(SameRect(RectInParent(Button()), RECT{123, 80, 236, 105}));
    EXPECT_STREQ(FontOf(Button()).lfFaceName, L"MS Sans Serif");
    EXPECT_EQ(FontOf(Button()).lfWeight, FW_BOLD);
    EXPECT_EQ(FontOf(GetDlgItem(notice.hwnd(), id::lblBusy)).lfHeight, -11);
    EXPECT_TRUE(CentredOnPrimaryMonitor(notice.hwnd()));
    notice.Hide();
    EXPECT_FALSE(Showing());
}

TEST_F(BusyNoticeTest, InputQueuedBeforeItShowsIsDroppedAfterwardsItsButtonWorksByMouseAndKeys) {
    notice.Show();
    notice.Hide();
    QueueKey(VK_RETURN);
    QueueClick();
    notice.Show();
    notice.ServeInput();
    EXPECT_FALSE(notice.StopRequested()) << "input typed before the notice came pressed its button";

    const struct {
        const char* name;
        WORD key;  // 0: a click
    } ways[] = {{"click", 0}, {"Space", VK_SPACE}, {"Enter", VK_RETURN}, {"Escape", VK_ESCAPE}};
    for (const auto& way : ways) {
        notice.Show();
        if (way.key) {
            QueueKey(way.key);
        } else {
            QueueClick();
        }
        notice.ServeInput();
        EXPECT_TRUE(notice.StopRequested()) << way.name;
        notice.Hide();
    }
    // Showing it again forgets the last request.
    notice.Show();
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
        EXPECT_EQ(filter.MessagePending(nullptr, 2100, PENDINGTYPE_TOPLEVEL),
                  static_cast<DWORD>(PENDINGMSG_WAITDEFPROCESS));
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
        try {
            wait.AfterRejection(RPC_E_CALL_REJECTED);
            ADD_FAILURE() << "the wait went on";
        } catch (const Error& error) {
            EXPECT_EQ(error.number(), -2147418111);
            EXPECT_EQ(error.description().rfind(L"Solid Edge ist beschäftigt", 0), 0u) << error.description();
        }
        EXPECT_TRUE(Showing());
    }
    EXPECT_FALSE(Showing()) << "the notice outlived its wait";
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
    try {
        host::CallWhileBusy(refused);
        ADD_FAILURE() << "the wait went on";
    } catch (const Error& error) {
        EXPECT_EQ(error.number(), -2147418111);
        EXPECT_EQ(error.description().rfind(L"Solid Edge ist beschäftigt", 0), 0u) << error.description();
    }
    EXPECT_TRUE(clicked);
    EXPECT_EQ(attemptsAfterTheClick, 0);
    // Refused at 0, 0.1, 0.2, 0.3, 0.45, 0.68, 1.01, 1.52 and 2.28 seconds;
    // the notice came with the pause after the ninth, the click during the
    // tenth, and there was no eleventh.
    EXPECT_EQ(attempts, 10);
    EXPECT_FALSE(Showing());
}

}  // namespace
}  // namespace marsitel::ui
