// The notice of a busy host and the waits that drive it. COM is faked as Windows
// documents it: it retries a refused call itself, asking the filter for the
// pause; while a call is out it delivers the messages sent from other threads
// and asks the filter about input alone; a cancelled call comes back at once.
// Wine's COM, which asks about every message, meets the program end to end.
#include "core/host/busy_host.h"
#include "core/host/dispatch.h"
#include "core/host/error_mapping.h"
#include "core/host/host_objects.h"
#include "shared/com.h"
#include "ui/busy_notice_window.h"
#include "shared/control_ids.h"
#include "ui/frm_progress.h"
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
constexpr DWORD kCancelPending = PENDINGMSG_CANCELCALL;
constexpr wchar_t kEnding[] = L"Marsitel wird beendet \u2026";
constexpr wchar_t kUnanswered[] = L"Solid Edge antwortet nicht. Vielleicht rechnet es noch. Marsitel wartet, bis "
                                  L"Solid Edge antwortet. „Abbrechen“ beendet Marsitel; was bis dahin geändert "
                                  L"wurde, bleibt geändert.";
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

HWND VisibleNotice() {
    const HWND notice = FindWindowW(kBusyClass, nullptr);
    return notice && IsWindowVisible(notice) ? notice : nullptr;
}

// Keys and clicks, the ones the tests post included.
bool InputQueued() {
    MSG message;
    return PeekMessageW(&message, nullptr, WM_KEYFIRST, WM_KEYLAST, PM_NOREMOVE) ||
           PeekMessageW(&message, nullptr, WM_MOUSEFIRST, WM_MOUSELAST, PM_NOREMOVE);
}

// A call's end, at a tick counted as COM counts; when the notice came, and
// what it said then.
struct ComWait {
    bool cancelled = false;
    DWORD tick = 0;
    DWORD noticeAt = 0;
    std::wstring notice;
};

// COM on Windows while the host has a call: the host answers after
// `answerAfter` ms (never: INFINITE); `outFor` ms have passed already. The
// filter is asked about input only, and not at all without `asksAboutInput`.
ComWait WaitAsWindowsComDoes(DWORD answerAfter = INFINITE, DWORD outFor = 0, bool asksAboutInput = true) {
    const ComPtr<IMessageFilter> filter = RegisteredFilter();
    const DWORD start = GetTickCount() - outFor;
    ComWait wait;
    for (;;) {
        wait.tick = GetTickCount() - start;
        if (wait.tick >= answerAfter) return wait;
        MsgWaitForMultipleObjectsEx(0, nullptr, answerAfter == INFINITE ? INFINITE : answerAfter - wait.tick,
                                    QS_SENDMESSAGE | QS_INPUT | QS_POSTMESSAGE, 0);
        MSG message;
        PeekMessageW(&message, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
        if (const HWND notice = VisibleNotice(); notice && !wait.noticeAt) {
            wait.noticeAt = GetTickCount() - start;
            wait.notice = TextOf(GetDlgItem(notice, id::kText));
        }
        if (asksAboutInput && InputQueued() &&
            filter->MessagePending(nullptr, GetTickCount() - start, PENDINGTYPE_TOPLEVEL) == kCancelPending) {
            wait.cancelled = true;
            wait.tick = GetTickCount() - start;
            return wait;
        }
    }
}

// A host that takes every call and answers none, or after `answerAfter`; its
// release is held up as well when asked to. It lives on the test's stack.
class UnansweringHost final : public IDispatch {
public:
    std::vector<ComWait> calls;
    std::vector<ComWait> releases;
    DWORD answerAfter = INFINITE;
    HRESULT cancelledStatus = RPC_E_CALL_CANCELED;
    bool holdsItsRelease = false;
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
        *object = iid == IID_IUnknown || iid == IID_IDispatch ? this : nullptr;
        return *object ? S_OK : E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override {
        if (std::exchange(holdsItsRelease, false)) releases.push_back(WaitAsWindowsComDoes());
        return 1;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override {
        calls.push_back(WaitAsWindowsComDoes(answerAfter));
        return calls.back().cancelled ? cancelledStatus : S_OK;
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
    void Stop() { thread_.request_stop(), thread_.join(); }

private:
    void Act(std::stop_token stop) {
        HWND notice = nullptr;
        while (!stop.stop_requested() && !(notice = VisibleNotice())) Sleep(10);
        if (!notice) return;
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
    std::jthread thread_;
};

// The waits as the notice sees them: they count the presses of its button.
class PressCounter final : public host::BusyNotice::Owner {
public:
    void StopPressed() noexcept override { ++presses; }
    int presses = 0;
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
    ProgramEndRecorder ends;
    BusyNoticeWindow notice{ends};
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

// It comes without taking the foreground, listed by the taskbar (and Alt+Tab)
// by Windows' rule: visible, no tool window, unowned or an application window.
// Activated by the user, its button has the keyboard; input queued before it
// came presses nothing; as it goes, the foreground passes to the progress
// window, not to whichever window stands next.
TEST_F(BusyNoticeTest, ListedInTheTaskbarItTakesNoForegroundAndOnceActivatedItsButtonWorksByMouseAndKeys) {
    frmProgress progress(ends);
    progress.Create();
    progress.Show();
    const HWND other = CreateWindowExW(0, L"STATIC", L"", WS_POPUP | WS_VISIBLE, 0, 0, 20, 20, nullptr, nullptr,
                                       nullptr, nullptr);
    ASSERT_NE(other, nullptr);
    SetForegroundWindow(other);
    PressCounter owner;
    notice.Show(host::BusyReason::Refusing, owner);
    EXPECT_EQ(GetForegroundWindow(), other);
    const DWORD exStyle = ExStyleOf(notice.hwnd());
    EXPECT_TRUE(Showing() && !(exStyle & WS_EX_TOOLWINDOW) &&
                (!GetWindow(notice.hwnd(), GW_OWNER) || (exStyle & WS_EX_APPWINDOW)));
    SetForegroundWindow(notice.hwnd());
    EXPECT_EQ(GetFocus(), Button());
    notice.Hide();
    EXPECT_EQ(GetForegroundWindow(), progress.hwnd());
    QueueKey(VK_RETURN);
    QueueClick(Button());
    notice.Show(host::BusyReason::Refusing, owner);
    notice.ServeInput();
    EXPECT_EQ(owner.presses, 0) << "input typed before the notice came pressed its button";
    // A click (0), Space, Enter and Escape.
    for (const WORD key : {WORD{0}, WORD{VK_SPACE}, WORD{VK_RETURN}, WORD{VK_ESCAPE}}) {
        key ? QueueKey(key) : QueueClick(Button());
        notice.ServeInput();
    }
    EXPECT_EQ(owner.presses, 4);
    DestroyWindow(other);
}

int loopsEntered = 0;

LRESULT CALLBACK CountLoopsEntered(int code, WPARAM wParam, LPARAM lParam) {
    const UINT message = reinterpret_cast<const CWPSTRUCT*>(lParam)->message;
    if (message == WM_ENTERSIZEMOVE || message == WM_ENTERMENULOOP) ++loopsEntered;
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

// Dragging, moving or sizing the notice, or its system menu, would hold the
// thread in the system's modal loop while a host call waits: neither the
// caption nor those system commands start one.
TEST_F(BusyNoticeTest, NoMoveLoopStartsFromItsCaptionOrSystemCommands) {
    const HHOOK hook = SetWindowsHookExW(WH_CALLWNDPROC, &CountLoopsEntered, nullptr, GetCurrentThreadId());
    ASSERT_NE(hook, nullptr);
    PressCounter owner;
    notice.Show(host::BusyReason::Refusing, owner);
    RECT outer{};
    GetWindowRect(notice.hwnd(), &outer);
    const POINT onCaption{outer.left + 40, outer.top + GetSystemMetrics(SM_CYCAPTION) / 2 + 3};
    EXPECT_EQ(SendMessageW(notice.hwnd(), WM_NCHITTEST, 0, MAKELPARAM(onCaption.x, onCaption.y)), HTCLIENT);
    for (const WPARAM command : {SC_MOVE, SC_MOVE | HTCAPTION, SC_SIZE, SC_KEYMENU}) {
        PostMessageW(notice.hwnd(), WM_SYSCOMMAND, command, 0);
    }
    // A loop, should one start, ends with the Escapes that come later.
    std::jthread escapes([window = notice.hwnd()](std::stop_token stop) {
        for (int i = 0; !stop.stop_requested(); ++i, Sleep(10)) {
            if (i >= 100 && i % 10 == 0) PostMessageW(window, WM_KEYDOWN, VK_ESCAPE, 0);
        }
    });
    notice.ServeInput();
    EXPECT_EQ(loopsEntered, 0);
    UnhookWindowsHookEx(hook);
}

// In Windows' order: the host refuses, the notice says so at 2 s, the user
// presses "Abbrechen" while COM waits to retry, then the call comes back
// answered, or cancelled with another status than the cancel's (as
// GetActiveObject's may). Either way the warning is that of the notice the
// user pressed. Meanwhile paint is served and other input stays queued.
TEST_F(BusyNoticeTest, TheStopIsReportedInTheWordsOfTheNoticeTheUserPressed) {
    const HWND other = CreateWindowExW(0, L"STATIC", L"", WS_POPUP | WS_VISIBLE, 0, 0, 20, 20, nullptr, nullptr,
                                       nullptr, nullptr);
    ASSERT_NE(other, nullptr);
    for (const HRESULT comesBack : {S_OK, CO_E_OBJNOTCONNECTED}) {
        const SeenMessageBox warning = TheBoxTheProgramEndsWith(ends, [&] {
            const host::BusyFilterScope scope(Context());
            const ComPtr<IMessageFilter> filter = RegisteredFilter();
            host::CallWhileBusy([&] {
                EXPECT_EQ(filter->RetryRejectedCall(nullptr, 1000, SERVERCALL_RETRYLATER), 500u);
                EXPECT_FALSE(Showing());
                EXPECT_EQ(filter->RetryRejectedCall(nullptr, 2000, SERVERCALL_RETRYLATER), 1000u);
                EXPECT_TRUE(Showing());
                InvalidateRect(other, nullptr, TRUE);
                PostMessageW(other, WM_KEYDOWN, VK_SPACE, 0);
                QueueClick(Button());
                EXPECT_EQ(filter->MessagePending(nullptr, 2100, PENDINGTYPE_TOPLEVEL), kCancelPending);
                EXPECT_TRUE(ShowsTheEnd());
                EXPECT_FALSE(GetUpdateRect(other, nullptr, FALSE)) << "paint was not served";
                MSG message;
                EXPECT_TRUE(PeekMessageW(&message, other, WM_KEYDOWN, WM_KEYDOWN, PM_REMOVE)) << "the key was taken";
                return comesBack;
            });
        });
        EXPECT_EQ(warning.text, kRefusingStopped) << comesBack;
        EXPECT_TRUE(ShowsTheEnd());
        notice.Destroy();
    }
    DestroyWindow(other);
}

// The notice comes from the timer's messages, which Windows delivers in its
// wait, though COM never asks the filter. A tick that the timer sent while
// the last call was out (for over a second, so that it ticks), and that
// arrives only after it, holds up no later tick. The notice goes with the
// answer.
TEST_F(BusyNoticeTest, ANoticeComesThoughCOMNeverAsksTheFilterAndATickLeftFromTheLastCallDelaysItNot) {
    const host::BusyFilterScope scope(Context());
    host::CallWhileBusy([] {
        Sleep(1500);
        return S_OK;
    });
    Pump();
    ComWait call;
    host::CallWhileBusy([&] {
        call = WaitAsWindowsComDoes(6000, 0, false);
        return S_OK;
    });
    EXPECT_GE(call.noticeAt, 5000u);
    EXPECT_LE(call.noticeAt, 5500u);
    EXPECT_EQ(call.notice, kUnanswered);
    EXPECT_FALSE(Showing());
}

// After the user's stop the walk flag's reset is a call of its own, which a
// hanging host holds: COM has no input to ask about, and the timer ends the
// program with the warning a tick or two after the reset's bound of 3 s, well
// before the host answers at 5 s.
TEST_F(BusyNoticeTest, AResetHeldAfterTheStopEndsTheProgramAtItsBound) {
    UnansweringHost host;
    host.answerAfter = 5000;
    MessageBoxWatcher boxes;
    try {
        const host::BusyFilterScope scope(Context());
        const host::HostApplication application{host::DispatchObject(ComPtr<IDispatch>(&host))};
        try {
            host::CallWhileBusy([&] {
                RegisteredFilter()->RetryRejectedCall(nullptr, 2000, SERVERCALL_RETRYLATER);
                QueueClick(Button());
                return RegisteredFilter()->MessagePending(nullptr, 2100, PENDINGTYPE_TOPLEVEL) == kCancelPending
                           ? RPC_E_CALL_CANCELED
                           : S_OK;
            });
        } catch (const host::BusyWaitStoppedError&) {
            application.SetWalkFlag(false, host::CallBound::Last);
        }
    } catch (...) {
        ADD_FAILURE() << "the reset threw";
    }
    ASSERT_EQ(host.calls.size(), 1u);
    ASSERT_FALSE(boxes.boxes().empty());
    EXPECT_EQ(boxes.boxes()[0].text, kRefusingStopped);
    EXPECT_EQ(ends.exitCodes().front(), 1u);
    EXPECT_TRUE(ShowsTheEnd());
}

// Dropping the last reference to a host object is a call to the host as
// well, and a host that computes after its answer holds it up: the same
// notice, and its button cancels the release, which comes back at once on
// Windows; the program ends as it does, the notice showing the end.
TEST_F(BusyNoticeTest, AReleaseTheHostDoesNotAnswerIsWaitedForAsACall) {
    UnansweringHost host;
    User user;
    const SeenMessageBox warning = TheBoxTheProgramEndsWith(ends, [&] {
        const host::BusyFilterScope scope(Context());
        host::HostPointer<IDispatch> held{ComPtr<IDispatch>(&host)};
        host.holdsItsRelease = true;
    });
    user.Stop();
    EXPECT_EQ(warning.text, kUnansweredStopped);
    ASSERT_EQ(host.releases.size(), 1u);
    EXPECT_TRUE(host.releases[0].cancelled);
    EXPECT_TRUE(user.sawEnding());
    EXPECT_FALSE(user.sawOtherwise()) << "the notice changed before the warning";
    EXPECT_TRUE(ShowsTheEnd());
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
    const SeenMessageBox report = TheBoxTheProgramEndsWith(ends, [&] {
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
    const SeenMessageBox report = TheBoxTheProgramEndsWith(ends, [&] {
        const host::BusyFilterScope scope(Context({Millis{1500}, Millis{3000}}));
        host::CallWhileBusy([] { return RPC_E_SERVERCALL_RETRYLATER; });
    });
    EXPECT_EQ(report.text, L"Laufzeitfehler '-2147417846':\r\n\r\nSolid Edge hat eine Minute lang nicht geantwortet, "
                           L"weil es beschäftigt war. Was bis dahin geändert wurde, bleibt geändert.");
    EXPECT_EQ(report.icon, LoadIconW(nullptr, IDI_ERROR));
}

}  // namespace
}  // namespace marsitel::ui
