// The notice of a busy host and the waits that drive it. On Windows COM asks the
// filter while it retries a refused call and while messages arrive during a call,
// and returns a cancelled call at once; Wine asks only the latter and waits on.
// These tests ask the program's filter as COM would, a fake host waiting as COM does on Windows.
#include "core/host/busy_host.h"
#include "core/host/dispatch.h"
#include "core/host/error_mapping.h"
#include "core/host/host_objects.h"
#include "shared/com.h"
#include "shared/unique_handle.h"
#include "ui/control_ids.h"
#include "ui/busy_notice_window.h"
#include "test_platform.h"
#include "ui_test_support.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <utility>
#include <vector>

namespace marsitel::ui {
namespace {

using namespace testing;
using Microsoft::WRL::ComPtr;
namespace id = busy_id;
using Clock = std::chrono::steady_clock;
using Millis = std::chrono::milliseconds;

constexpr DWORD kCancelCall = 0xFFFFFFFF;
constexpr DWORD kKeepWaiting = PENDINGMSG_WAITDEFPROCESS;
constexpr DWORD kCancelPending = PENDINGMSG_CANCELCALL;
constexpr wchar_t kEnding[] = L"Marsitel wird beendet \u2026";
constexpr wchar_t kRefusingStopped[] = L"Abgebrochen, während Solid Edge beschäftigt war. Was bis dahin geändert "
                                       L"wurde, bleibt geändert. Marsitel wird beendet.";
constexpr wchar_t kUnansweredStopped[] = L"Abgebrochen, während Solid Edge nicht antwortete. Was bis dahin geändert "
                                         L"wurde, bleibt geändert. Marsitel wird beendet.";

// The filter that the thread's scope registered, as COM finds it.
ComPtr<IMessageFilter> RegisteredFilter() {
    ComPtr<IMessageFilter> filter;
    CoRegisterMessageFilter(nullptr, filter.GetAddressOf());
    CoRegisterMessageFilter(filter.Get(), nullptr);
    return filter;
}

// A call's end: cancelled or answered, at a tick counted as COM counts.
struct ComWait { bool cancelled = false; DWORD tick = 0; };

// What COM does on Windows while the host has a call: it waits for the
// answer and, as each message arrives, asks the thread's filter, which may
// cancel the call; a cancelled call comes back at once. Without `answer`,
// none comes. `outFor`: how long the call has been out when this begins.
ComWait WaitAsWindowsComDoes(HANDLE answer = nullptr, DWORD outFor = 0) {
    const ComPtr<IMessageFilter> filter = RegisteredFilter();
    const DWORD start = GetTickCount() - outFor;
    const DWORD handles = answer ? 1 : 0;
    for (;;) {
        const DWORD woken = MsgWaitForMultipleObjectsEx(handles, &answer, INFINITE,
                                                        QS_SENDMESSAGE | QS_POSTMESSAGE | QS_PAINT, 0);
        const DWORD tick = GetTickCount() - start;
        if (woken == WAIT_OBJECT_0 && answer) return {false, tick};
        if (filter->MessagePending(nullptr, tick, PENDINGTYPE_TOPLEVEL) == kCancelPending) return {true, tick};
    }
}

// A host that takes every call and never answers, its calls and its
// release made as on Windows. It lives on the test's stack.
class UnansweringHost final : public IDispatch {
public:
    std::vector<ComWait> calls;
    std::vector<ComWait> releases;
    DWORD firstCallOutFor = 0;
    HRESULT cancelledStatus = RPC_E_CALL_CANCELED;
    bool holdsItsRelease = false;
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
        *object = iid == IID_IUnknown || iid == IID_IDispatch ? this : nullptr;
        return *object ? S_OK : E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override {
        if (std::exchange(holdsItsRelease, false)) releases.push_back(WaitAsWindowsComDoes(nullptr, 5000));
        return 1;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override {
        calls.push_back(WaitAsWindowsComDoes(nullptr, std::exchange(firstCallOutFor, 0)));
        return cancelledStatus;
    }
};

// A click in the middle of the button, as the mouse leaves it queued.
void QueueClick(HWND button) {
    const RECT box = ClientRect(button);
    const LPARAM middle = MAKELPARAM(box.right / 2, box.bottom / 2);
    PostMessageW(button, WM_LBUTTONDOWN, MK_LBUTTON, middle);
    PostMessageW(button, WM_LBUTTONUP, 0, middle);
}

// The user, on a thread of their own: clicks "Abbrechen" once the notice
// shows, then watches it say that the program ends, until the test is over.
class User {
public:
    User() : thread_([this](std::stop_token stop) { Act(stop); }) {}
    bool sawEnding() const { return sawEnding_; }
    // After the notice first said so: not visible, its button enabled or
    // another text, at least once.
    bool sawOtherwise() const { return sawOtherwise_; }
    Clock::time_point clickedAt() const { return clickedAt_; }
    void Stop() { thread_.request_stop(), thread_.join(); }

private:
    void Act(std::stop_token stop) {
        HWND notice = nullptr;
        while (!stop.stop_requested() && !(notice = FindWindowW(kBusyClass, nullptr), notice && IsWindowVisible(notice))) {
            Sleep(10);
        }
        if (!notice) return;
        clickedAt_ = Clock::now();
        QueueClick(GetDlgItem(notice, id::kCancelButton));
        for (; !stop.stop_requested(); Sleep(10)) {
            const bool ending = IsWindowVisible(notice) && !IsWindowEnabled(GetDlgItem(notice, id::kCancelButton)) &&
                                TextOf(GetDlgItem(notice, id::kText), InternalGetWindowText) == kEnding;
            if (sawEnding_ && !ending) sawOtherwise_ = true;
            sawEnding_ = sawEnding_ || ending;
        }
    }
    std::atomic<bool> sawEnding_{false};
    std::atomic<bool> sawOtherwise_{false};
    Clock::time_point clickedAt_{};
    std::jthread thread_;
};

class BusyNoticeTest : public ::testing::Test {
protected:
    void TearDown() override {
        notice.Hide();
        DiscardQuit();
    }
    host::BusyContext Context(host::BusyBounds bounds = {}) { return {&notice, bounds}; }
    HWND Button() const { return GetDlgItem(notice.hwnd(), id::kCancelButton); }
    bool Showing() const { return notice.hwnd() && IsWindowVisible(notice.hwnd()); }
    bool ShowsTheEnd() const {
        return Showing() && !IsWindowEnabled(Button()) && TextOf(GetDlgItem(notice.hwnd(), id::kText)) == kEnding;
    }
    void QueueKey(WORD key) const {
        PostMessageW(Button(), WM_KEYDOWN, key, 0);
        PostMessageW(Button(), WM_KEYUP, key, 0xC0000000);
    }
    const ComApartment apartment;
    BusyNoticeWindow notice;
};

// Where it stands, in literal pixels (the end-to-end tests see it on the
// screen): below the progress window's outer rectangle during a run, given
// the notice's outer size, at 96, 120 and 144 DPI, on a 1280 by 1024 screen
// whose taskbar takes the bottom 40 pixels.
TEST(BusyNoticePlace, BelowTheProgressWindowAboveWhereNoRoomIsLeftAndAlwaysInTheWorkArea) {
    const RECT work{0, 0, 1280, 984};
    const struct { const char* name; RECT anchor; SIZE size; RECT expected; } cases[] = {
        {"96 DPI", {100, 100, 617, 207}, {366, 150}, {100, 207, 466, 357}},
        {"120 DPI", {125, 125, 1091, 309}, {683, 264}, {125, 309, 808, 573}},
        {"144 DPI", {150, 150, 926, 309}, {549, 224}, {150, 309, 699, 533}},
        {"no room below", {100, 800, 617, 907}, {366, 150}, {100, 650, 466, 800}},
        {"out at the right", {1000, 100, 1517, 207}, {366, 150}, {914, 207, 1280, 357}},
    };
    for (const auto& c : cases) EXPECT_TRUE(SameRect(NoticeRectBeside(c.anchor, c.size, work), c.expected)) << c.name;
}

// Once pressed, the notice says that the program ends and its button is
// disabled.
TEST_F(BusyNoticeTest, InputQueuedBeforeItShowsIsDroppedAfterwardsItsButtonWorksByMouseAndKeys) {
    notice.Show(host::BusyReason::Refusing);
    // Activated by the user, it hands the keyboard to its button.
    SetForegroundWindow(notice.hwnd());
    EXPECT_EQ(GetFocus(), Button());
    notice.Hide();
    QueueKey(VK_RETURN);
    QueueClick(Button());
    notice.Show(host::BusyReason::Refusing);
    notice.ServeInput();
    EXPECT_FALSE(notice.StopRequested()) << "input typed before the notice came pressed its button";
    // A click (0), Space, Enter and Escape.
    for (const WORD key : {WORD{0}, WORD{VK_SPACE}, WORD{VK_RETURN}, WORD{VK_ESCAPE}}) {
        notice.Show(host::BusyReason::Refusing);
        key ? QueueKey(key) : QueueClick(Button());
        notice.ServeInput();
        EXPECT_TRUE(notice.StopRequested()) << key;
        EXPECT_TRUE(ShowsTheEnd()) << key;
        notice.Hide();
    }
    // Showing it again forgets the last request.
    notice.Show(host::BusyReason::Refusing);
    EXPECT_FALSE(notice.StopRequested());
    EXPECT_TRUE(IsWindowEnabled(Button()));
}

int loopsEntered = 0;

LRESULT CALLBACK CountLoopsEntered(int code, WPARAM wParam, LPARAM lParam) {
    const UINT message = reinterpret_cast<const CWPSTRUCT*>(lParam)->message;
    if (message == WM_ENTERSIZEMOVE || message == WM_ENTERMENULOOP) ++loopsEntered;
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

// Dragging, moving or sizing the notice, or its system menu, would hold the
// thread in the system's modal loop while a host call waits: neither the
// caption nor those system commands start one, and the call ends as it
// comes back.
TEST_F(BusyNoticeTest, NoMoveLoopStartsWhileACallIsOut) {
    const HHOOK hook = SetWindowsHookExW(WH_CALLWNDPROC, &CountLoopsEntered, nullptr, GetCurrentThreadId());
    ASSERT_NE(hook, nullptr);
    const UniqueHandle answer(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    {
        const host::BusyFilterScope scope(Context());
        const host::BusyWait wait;
        RegisteredFilter()->RetryRejectedCall(nullptr, 2000, SERVERCALL_RETRYLATER);
        ASSERT_TRUE(Showing());
        RECT outer{};
        GetWindowRect(notice.hwnd(), &outer);
        const POINT onCaption{outer.left + 40, outer.top + GetSystemMetrics(SM_CYCAPTION) / 2 + 3};
        EXPECT_EQ(SendMessageW(notice.hwnd(), WM_NCHITTEST, 0, MAKELPARAM(onCaption.x, onCaption.y)), HTCLIENT);
        for (const WPARAM command : {SC_MOVE, SC_MOVE | HTCAPTION, SC_SIZE, SC_KEYMENU}) {
            PostMessageW(notice.hwnd(), WM_SYSCOMMAND, command, 0);
        }
        // The host answers after a moment; a loop, should one start, ends
        // with the Escapes that follow.
        std::jthread host([&, window = notice.hwnd()](std::stop_token stop) {
            Sleep(500);
            SetEvent(answer.get());
            for (int i = 0; !stop.stop_requested(); ++i, Sleep(10)) {
                if (i >= 300 && i % 10 == 0) PostMessageW(window, WM_KEYDOWN, VK_ESCAPE, 0);
            }
        });
        const auto begun = Clock::now();
        EXPECT_FALSE(WaitAsWindowsComDoes(answer.get()).cancelled);
        EXPECT_LT(Clock::now() - begun, Millis{2500});
        EXPECT_EQ(loopsEntered, 0);
    }
    UnhookWindowsHookEx(hook);
}

// COM's questions with literal answers: the pause, the notice from 2 s on, -1
// once the user's click has reached the button through MessagePending (paint
// served too, other input left queued); not tried again. Asked once more about
// a cancelled call (Wine's COM does), the program ends there with the warning.
TEST_F(BusyNoticeTest, OnWindowsPathTheFilterShowsTheNoticeServesItsButtonAndEndsTheWait) {
    const HWND other = CreateWindowExW(0, L"STATIC", L"", WS_POPUP | WS_VISIBLE, 0, 0, 20, 20, nullptr, nullptr,
                                       nullptr, nullptr);
    ASSERT_NE(other, nullptr);
    UpdateWindow(other);
    const host::BusyFilterScope scope(Context());
    const ComPtr<IMessageFilter> filter = RegisteredFilter();
    int attempts = 0;
    const SeenMessageBox report = TheBoxTheProgramEndsWith([&] {
        host::CallWhileBusy([&] {
            ++attempts;
            EXPECT_EQ(filter->RetryRejectedCall(nullptr, 1000, SERVERCALL_RETRYLATER), 500u);
            EXPECT_FALSE(Showing());
            EXPECT_EQ(filter->RetryRejectedCall(nullptr, 2000, SERVERCALL_RETRYLATER), 1000u);
            EXPECT_TRUE(Showing());
            InvalidateRect(other, nullptr, TRUE);
            PostMessageW(other, WM_KEYDOWN, VK_SPACE, 0);
            QueueClick(Button());
            EXPECT_EQ(filter->MessagePending(nullptr, 2100, PENDINGTYPE_TOPLEVEL), kKeepWaiting);
            EXPECT_TRUE(notice.StopRequested());
            EXPECT_FALSE(GetUpdateRect(other, nullptr, FALSE)) << "paint was not served";
            MSG message;
            EXPECT_TRUE(PeekMessageW(&message, other, WM_KEYDOWN, WM_KEYDOWN, PM_REMOVE)) << "the key was taken";
            EXPECT_EQ(filter->RetryRejectedCall(nullptr, 3000, SERVERCALL_RETRYLATER), kCancelCall);
            return RPC_E_CALL_REJECTED;
        });
    });
    EXPECT_EQ(attempts, 1);
    EXPECT_EQ(report.text, kRefusingStopped);
    EXPECT_TRUE(ShowsTheEnd());
    {
        host::BusyWait wait;
        EXPECT_EQ(filter->MessagePending(nullptr, 0, PENDINGTYPE_TOPLEVEL), kCancelPending) << "after the stop";
        EXPECT_EQ(TheBoxTheProgramEndsWith([&] { filter->MessagePending(nullptr, 250, PENDINGTYPE_TOPLEVEL); }).text,
                  kRefusingStopped);
    }
    DestroyWindow(other);
}

// In Windows' order: a call the host does not answer is stopped and comes back
// at once; the flag's reset, unanswered too, is cancelled at its bound; the
// host's objects are left to the process's end. Meanwhile the notice shows the
// end; the warning comes within 5 s of the click. Both calls come back with
// another status, as GetActiveObject's may: the stop is the user's all the same.
TEST_F(BusyNoticeTest, InWindowsOrderTheNoticeShowsTheEndUntilTheWarningWithinFiveSecondsOfTheClick) {
    UnansweringHost host;
    host.firstCallOutFor = 5000;
    host.cancelledStatus = CO_E_OBJNOTCONNECTED;
    User user;
    const SeenMessageBox warning = TheBoxTheProgramEndsWith([&] {
        const host::BusyFilterScope scope(Context());
        const host::HostApplication application{host::DispatchObject(ComPtr<IDispatch>(&host))};
        try {
            application.SetWalkFlag(true);
        } catch (...) {
            EXPECT_THROW(application.SetWalkFlag(false, host::CallBound::Last), host::HostBusyError);
            throw;
        }
    });
    const auto clickToWarning = Clock::now() - user.clickedAt();
    user.Stop();
    EXPECT_EQ(warning.text, kUnansweredStopped);
    EXPECT_LT(clickToWarning, Millis{5000});
    EXPECT_TRUE(user.sawEnding());
    EXPECT_FALSE(user.sawOtherwise()) << "the notice changed before the warning";
    EXPECT_TRUE(ShowsTheEnd());
    ASSERT_EQ(host.calls.size(), 2u);
    EXPECT_TRUE(host.calls[0].cancelled && host.calls[1].cancelled);
    // The reset is cancelled on the ticker's first beat after its bound.
    EXPECT_GE(host.calls[1].tick, 3000u);
    EXPECT_LT(host.calls[1].tick, 3600u);
}

// Dropping the last reference to a host object is a call to the host as
// well, and a host that computes after its answer holds it up: the same
// notice, and its button cancels the release, which comes back at once on
// Windows; the program ends as it does, the notice showing the end.
TEST_F(BusyNoticeTest, AReleaseTheHostDoesNotAnswerIsWaitedForAsACall) {
    UnansweringHost host;
    User user;
    const SeenMessageBox warning = TheBoxTheProgramEndsWith([&] {
        const host::BusyFilterScope scope(Context());
        host::HostPointer<IDispatch> held{ComPtr<IDispatch>(&host)};
        host.holdsItsRelease = true;
    });
    user.Stop();
    EXPECT_EQ(warning.text, kUnansweredStopped);
    ASSERT_EQ(host.releases.size(), 1u);
    EXPECT_TRUE(host.releases[0].cancelled);
    EXPECT_TRUE(ShowsTheEnd());
}

// The ticker makes COM ask about a call that is out: never more than one
// of its messages waits unread, and none comes while no call is out.
TEST_F(BusyNoticeTest, TheTickerPostsOnlyWhileACallIsOutAndOneTickAtATime) {
    const auto ticksQueued = [] {
        int ticks = 0;
        MSG message;
        while (PeekMessageW(&message, reinterpret_cast<HWND>(-1), WM_APP, 0xBFFF, PM_REMOVE)) ++ticks;
        return ticks;
    };
    {
        const host::BusyFilterScope scope(Context());
        Sleep(700);
        EXPECT_EQ(ticksQueued(), 0) << "no call out";
        {
            const host::BusyWait wait;
            Sleep(1200);
            EXPECT_EQ(ticksQueued(), 1) << "a call out";
        }
        Sleep(700);
        EXPECT_EQ(ticksQueued(), 0) << "the call back";
    }
    Sleep(700);
    EXPECT_EQ(ticksQueued(), 0) << "the scope gone";
}

// The program's own retry loop, as under Wine: the host refuses until the
// notice has come and its button is clicked; the call is then not tried
// again and ends with the warning.
TEST_F(BusyNoticeTest, OnTheProgramsOwnLoopTheButtonEndsTheWaitBeforeTheHostIsAskedAgain) {
    int attempts = 0;
    int attemptsAfterTheClick = 0;
    bool clicked = false;
    const auto refused = [&] {
        ++attempts;
        if (clicked) ++attemptsAfterTheClick;
        if (Showing() && !clicked) {
            QueueClick(Button());
            clicked = true;
        }
        return RPC_E_CALL_REJECTED;
    };
    const SeenMessageBox report = TheBoxTheProgramEndsWith([&] {
        const host::BusyFilterScope scope(Context());
        host::CallWhileBusy(refused);
    });
    EXPECT_EQ(report.text, kRefusingStopped);
    EXPECT_EQ(report.icon, LoadIconW(nullptr, IDI_EXCLAMATION));
    EXPECT_TRUE(clicked);
    EXPECT_EQ(attemptsAfterTheClick, 0);
    // Refused at 0, 0.1, 0.2, 0.3, 0.45, 0.68, 1.01, 1.52 and 2.28 seconds;
    // the notice came with the pause after the ninth, the click during the
    // tenth, and there was no eleventh.
    EXPECT_EQ(attempts, 10);
    EXPECT_TRUE(ShowsTheEnd());
}

// At the bound (shortened here from a minute) the wait ends with the
// run-time error report, its number that of the rejection.
TEST_F(BusyNoticeTest, AtTheBoundTheWaitEndsWithTheErrorReport) {
    const SeenMessageBox report = TheBoxTheProgramEndsWith([&] {
        const host::BusyFilterScope scope(Context({Millis{1500}, Millis{3000}}));
        host::CallWhileBusy([] { return RPC_E_SERVERCALL_RETRYLATER; });
    });
    EXPECT_EQ(report.text, L"Laufzeitfehler '-2147417846':\r\n\r\nSolid Edge hat eine Minute lang nicht geantwortet, "
                           L"weil es beschäftigt war. Was bis dahin geändert wurde, bleibt geändert.");
    EXPECT_EQ(report.icon, LoadIconW(nullptr, IDI_ERROR));
}

}  // namespace
}  // namespace marsitel::ui
