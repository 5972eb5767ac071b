// Marsitel.exe and simhost.exe as separate processes, Marsitel driven from
// outside through window messages only, the host's state read from what it
// saves on exit.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <optional>
#include <string>
#include <thread>

#include "app/single_instance.h"
#include "core/base/app_title.h"
#include "core/elevation.h"
#include "driver/marsitel_app.h"
#include "driver/scenario_summary.h"
#include "shared/host_interface.h"
#include "shared/unique_handle.h"
#include "simhost/support/utf8.h"
#include "simhost/testing/simhost_process.h"
#include "test_platform.h"
#include "shared/control_ids.h"

namespace marsitel::e2e {
namespace {

namespace ids = marsitel::ui::dialog_id;
using simhost::testing::SimhostProcess;

void OpenDialog(MarsitelApp& app) {
    ASSERT_TRUE(app.DismissSplash()) << "the splash did not show";
    ASSERT_TRUE(app.WaitForDialog()) << "the main dialog did not show";
}

void EndAndExpectCleanExit(MarsitelApp& app) {
    app.ClickEnd();
    ASSERT_TRUE(app.Process().WaitForExit(kWindowWait)) << "End did not end the program";
    EXPECT_EQ(app.Process().ExitCode(), 0u);
}

// A message box as the program's warnings and error reports show it.
void ExpectBox(const MessageBoxView& box, BoxIcon icon) {
    EXPECT_EQ(ToUtf8(box.caption), ToUtf8(kAppTitle));
    EXPECT_EQ(box.icon, icon) << ToString(box.icon);
    EXPECT_EQ(box.buttons.size(), 1u);
}

TEST(E2eStartUp, WithoutARunningHostWarnsAndEndsWithoutShowingTheDialog) {
    MarsitelApp app;
    ASSERT_TRUE(app.DismissSplash());
    const auto box = WaitForMessageBox(app.Id());
    ASSERT_TRUE(box.has_value()) << "no warning";
    EXPECT_FALSE(app.AnyDialogVisible());
    // As the program words it with the rights that it, like this test, runs with.
    EXPECT_EQ(ToUtf8(box->text), ToUtf8(RunsElevated() ? L"Solid Edge läuft ja gar nicht! Marsitel läuft mit "
                                                         L"Administratorrechten und erreicht kein Solid Edge, das "
                                                         L"ohne Administratorrechte gestartet wurde."
                                                       : L"Solid Edge läuft ja gar nicht!"));
    ExpectBox(*box, BoxIcon::Exclamation);
    SaveWindowPicture(box->window, ScreenshotDirectory(), L"warning-host-not-running");
    ASSERT_TRUE(PressOk(*box));
    bool dialog_seen = false;
    ASSERT_TRUE(WaitUntil([&] { return (dialog_seen = dialog_seen || app.AnyDialogVisible()), !app.Process().Running(); },
                          kWindowWait, Millis{1}));
    EXPECT_FALSE(dialog_seen);
    EXPECT_EQ(app.Process().ExitCode(), 0u);
}

TEST(E2eStartUp, ASecondStartRaisesTheRunningCopyAndEndsWithoutSplashOrHostCall) {
    SimhostProcess host({L"", {L"--hidden"}});
    MarsitelApp first;
    OpenDialog(first);
    const std::size_t calls = host.JournalLines().size();
    // Minimized: the user gets it back from the taskbar, or by starting again.
    ShowWindow(first.Dialog(), SW_MINIMIZE);
    ASSERT_TRUE(IsIconic(first.Dialog()));
    MarsitelApp second;
    bool splashSeen = false;
    ASSERT_TRUE(WaitUntil(
        [&] {
            splashSeen = splashSeen || VisibleTopLevel(second.Id(), marsitel::ui::kSplashClass);
            return !second.Process().Running();
        },
        kWindowWait, Millis{1}));
    EXPECT_FALSE(splashSeen);
    EXPECT_EQ(second.Process().ExitCode(), 0u);
    // The restore is posted to the first copy, which takes it in its own time.
    EXPECT_TRUE(WaitUntil([&] { return !IsIconic(first.Dialog()); }, kWindowWait));
    EXPECT_EQ(GetForegroundWindow(), first.Dialog());
    EXPECT_EQ(host.JournalLines().size(), calls) << "the second start must not reach the host";
    EndAndExpectCleanExit(first);
}

// The user has gone on working elsewhere and starts Marsitel again while
// the first copy still shows its splash: the second copy brings that splash
// to the front and ends.
TEST(E2eStartUp, ASecondStartDuringTheSplashBringsTheFirstCopysSplashToTheFront) {
    MarsitelApp first;
    const HWND splash = first.WaitForSplash();
    ASSERT_NE(splash, nullptr);
    const HWND elsewhere =
        CreateWindowExW(0, L"STATIC", L"", WS_POPUP | WS_VISIBLE, 0, 0, 100, 100, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(elsewhere, nullptr);
    MARSITEL_SKIP_IF_WINDOWS_REFUSED_THE_FOREGROUND(SetForegroundWindow(elsewhere));
    MarsitelApp second;
    ASSERT_TRUE(second.Process().WaitForExit(kWindowWait));
    EXPECT_EQ(second.Process().ExitCode(), 0u);
    ASSERT_TRUE(IsWindowVisible(splash)) << "the splash closed by itself before the second copy ended";
    EXPECT_EQ(GetForegroundWindow(), splash);
    DestroyWindow(elsewhere);
}

// Another program holds an object of the name the claim had before it
// carried the user, and no Marsitel runs: the start goes on as usual.
TEST(E2eStartUp, AnObjectOfTheClaimsFormerNameHeldElsewhereDoesNotStopTheStart) {
    const UniqueHandle former(CreateMutexW(nullptr, TRUE, L"Local\\Marsitel.Instance"));
    ASSERT_NE(former, nullptr);
    MarsitelApp app;
    EXPECT_NE(app.WaitForSplash(), nullptr) << "no splash; process ended: " << !app.Process().Running();
}

// A copy holds the claim and shows no window (this test stands in for it,
// under the program's own name for the claim): the new start says so within
// the look's 5 s and 2 s more, and ends with exit code 1.
TEST(E2eStartUp, ACopyThatShowsNoWindowIsToldOfAndTheStartEndsWithExitCodeOne) {
    const UniqueHandle claim(CreateMutexW(nullptr, TRUE, ClaimNameOfThisUser().c_str()));
    ASSERT_NE(claim, nullptr);
    MarsitelApp app;
    const auto box = WaitForMessageBox(app.Id(), ScaledWait(Millis{7000}));
    ASSERT_TRUE(box.has_value()) << "no message within 7 s; process ended: " << !app.Process().Running();
    EXPECT_EQ(ToUtf8(box->text), ToUtf8(L"Marsitel läuft bereits, zeigt aber kein Fenster. Warten Sie einen Moment, "
                                        L"oder beenden Sie die andere Marsitel-Instanz im Task-Manager."));
    ExpectBox(*box, BoxIcon::Exclamation);
    ASSERT_TRUE(PressOk(*box));
    ASSERT_TRUE(app.Process().WaitForExit(kWindowWait));
    EXPECT_EQ(app.Process().ExitCode(), 1u);
}

// The copy this test stands in for ends while the new start looks for its
// window: the start takes the claim over and goes on.
TEST(E2eStartUp, ACopyThatEndsDuringTheLookLeavesTheClaimToTheNewStart) {
    UniqueHandle claim(CreateMutexW(nullptr, TRUE, ClaimNameOfThisUser().c_str()));
    ASSERT_NE(claim, nullptr);
    MarsitelApp app;
    Sleep(2000);
    claim.reset();
    EXPECT_NE(app.WaitForSplash(), nullptr) << "no splash; process ended: " << !app.Process().Running();
}

struct KeysDuringRun { const char* name; std::vector<WORD> chord; };

std::ostream& operator<<(std::ostream& out, const KeysDuringRun& keys) { return out << keys.name; }

// Once the journal holds `calls` lines, the host has served that many calls.
bool WaitForCallsServed(const SimhostProcess& host, std::size_t calls) {
    return WaitUntil([&] { return host.JournalLines().size() >= calls; }, kRunWait);
}

void StartGroundedRunAtAllLevels(MarsitelApp& app) {
    OpenDialog(app);
    ASSERT_TRUE(app.SetLevel(L"Alle"));
    ASSERT_TRUE(app.Tick(ids::kDeleteOption, true));
    ASSERT_TRUE(app.Tick(ids::kGroundOption, true));
    app.ClickExecute();
}

// The host's own dialog, as a busy host has one open while the notice
// shows: a window of another process than Marsitel, foreground, with the
// focus in its edit box. Its thread serves it, as the host's would.
class ForeignDialog {
public:
    ForeignDialog() {
        thread_ = std::jthread([this] { Serve(); });
        WaitUntil([this] { return window_.load() != nullptr; }, kWindowWait);
    }
    ~ForeignDialog() {
        if (window_.load()) PostMessageW(window_.load(), WM_CLOSE, 0, 0);
    }
    // An edit box with a caption: the window and its focus are one.
    HWND Window() const { return window_.load(); }
    // Puts it in front with the keyboard in it, as the user's click into
    // the host's dialog does. Windows' foreground lock may refuse that to a
    // test that has not had the last input.
    bool TakeForeground() const {
        SetForegroundWindow(Window());
        return WaitUntil([this] { return GetForegroundWindow() == Window() && FocusOf(Window()) == Window(); },
                         kWindowWait);
    }

private:
    void Serve() {
        const HWND window = CreateWindowExW(0, L"EDIT", L"", WS_POPUP | WS_CAPTION | WS_VISIBLE | ES_MULTILINE |
                                            ES_WANTRETURN, 500, 500, 300, 120, nullptr, nullptr, nullptr, nullptr);
        window_ = window;
        MSG message;
        while (GetMessageW(&message, nullptr, 0, 0) > 0 && message.message != WM_CLOSE) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
        DestroyWindow(window);
    }
    std::atomic<HWND> window_{nullptr};
    std::jthread thread_;
};

// Notes whether the host's window ever has the foreground while it lives.
class ForegroundWatch {
public:
    explicit ForegroundWatch(HWND host)
        : thread_([this, host](std::stop_token stop) {
              for (; !stop.stop_requested(); Sleep(1)) hostHadIt_ = hostHadIt_ || GetForegroundWindow() == host;
          }) {}
    bool hostHadIt() const { return hostHadIt_; }

private:
    std::atomic<bool> hostHadIt_{false};
    std::jthread thread_;
};

// Started from the host's window, which stays behind it, Marsitel's splash
// takes the foreground. Dismissed with a key, it hands it to the dialog, the
// keyboard on the level selector, or without a host to the warning, which
// Enter closes. The host's window never has it in between: Windows would
// not let Marsitel take it back.
TEST(E2eStartUp, TheForegroundPassesFromTheSplashToTheDialogOrTheWarningNeverToTheHost) {
    for (const bool hostRuns : {true, false}) {
        SCOPED_TRACE(hostRuns ? "the dialog" : "the warning");
        std::optional<SimhostProcess> host;
        if (hostRuns) host.emplace(SimhostProcess::Options{L"", {L"--hidden"}});
        ForeignDialog hostWindow;
        MARSITEL_SKIP_IF_WINDOWS_REFUSED_THE_FOREGROUND(hostWindow.TakeForeground());
        MarsitelApp app;
        const HWND splash = app.WaitForSplash();
        ASSERT_TRUE(WaitUntil([&] { return GetForegroundWindow() == splash; }, kWindowWait));
        const ForegroundWatch watch(hostWindow.Window());
        TypeKeys({'M'});
        std::optional<MessageBoxView> box;
        const HWND next = hostRuns ? app.WaitForDialog() : (box = WaitForMessageBox(app.Id())) ? box->window : nullptr;
        ASSERT_NE(next, nullptr);
        EXPECT_TRUE(WaitUntil([&] { return !IsWindow(splash); }, kWindowWait)) << "the splash stayed";
        EXPECT_EQ(GetForegroundWindow(), next);
        EXPECT_FALSE(watch.hostHadIt());
        if (hostRuns) {
            EXPECT_EQ(FocusOf(next), app.DialogControl(ids::kLevelSelector));
            EndAndExpectCleanExit(app);
            continue;
        }
        TypeKeys({VK_RETURN});
        ASSERT_TRUE(app.Process().WaitForExit(kWindowWait)) << "Enter did not close the warning";
        EXPECT_EQ(app.Process().ExitCode(), 0u);
    }
}

RECT OuterRect(HWND window) {
    RECT rect{};
    GetWindowRect(window, &rect);
    return rect;
}

constexpr wchar_t kBusyNoticeText[] =
    L"Solid Edge ist beschäftigt. Ist dort noch ein Dialog offen? Marsitel wartet höchstens eine Minute, bis "
    L"Solid Edge wieder antwortet. „Abbrechen“ beendet Marsitel; was bis dahin geändert wurde, bleibt geändert.";
constexpr wchar_t kStoppedWarning[] =
    L"Abgebrochen, während Solid Edge beschäftigt war. Was bis dahin geändert wurde, bleibt geändert. Marsitel "
    L"wird beendet.";
constexpr wchar_t kUnansweredNoticeText[] =
    L"Solid Edge antwortet nicht. Vielleicht rechnet es noch. Marsitel wartet, bis Solid Edge antwortet. "
    L"„Abbrechen“ beendet Marsitel; was bis dahin geändert wurde, bleibt geändert.";
constexpr wchar_t kUnansweredWarning[] =
    L"Abgebrochen, während Solid Edge nicht antwortete. Was bis dahin geändert wurde, bleibt geändert. Marsitel "
    L"wird beendet.";

// A host that holds the program up: it refuses calls as busy, or it takes a
// call and does not answer.
struct HeldUp {
    const char* name;
    const wchar_t* option;  // the simulated host's
    const wchar_t* spell;   // a hold-up that ends by itself: refusals, or milliseconds
    const wchar_t* notice;
    Millis noticeFrom, noticeBy;  // after the hold-up began
    const wchar_t* warning;
    // How soon after the click the warning must show: after a refused call
    // the host's flag is first set back, for three seconds at most.
    Millis warningBy;
};

// How much later than the host's last answer the test may see it.
constexpr Millis kJournalLag{250};

std::ostream& operator<<(std::ostream& out, const HeldUp& held) { return out << held.name; }

// The built-in scenario's call 53 is the last Delete of the first
// occurrence; the program then drops the relations, and only after that
// makes its next call.
constexpr std::size_t kHeldAfter = 53;

// Once `calls` calls have been served, for `length`: two minutes at the
// least unless given.
std::vector<std::wstring> HoldAfter(const HeldUp& held, std::size_t calls, const wchar_t* length = L"1000000") {
    return {L"--hidden", held.option, std::to_wstring(calls) + L":" + length};
}

// Clicks "Abbrechen" with the mouse: a warning, not a run-time error, within
// the bound, the notice saying meanwhile that the program ends, and the
// program gone within 5 seconds of the warning's OK, without its dialog.
void ExpectAbbrechenToEndTheProgram(MarsitelApp& app, HWND notice, const HeldUp& held) {
    const HWND button = Control(notice, marsitel::ui::busy_id::kCancelButton);
    MouseClick(button);
    const auto box = WaitForMessageBox(app.Id(), held.warningBy);
    ASSERT_TRUE(box.has_value()) << "no warning within " << held.warningBy.count() << " ms of the click";
    EXPECT_EQ(ToUtf8(box->text), ToUtf8(held.warning));
    ExpectBox(*box, BoxIcon::Exclamation);
    EXPECT_TRUE(IsVisible(notice));
    EXPECT_FALSE(IsWindowEnabled(button));
    EXPECT_EQ(ToUtf8(WindowText(Control(notice, marsitel::ui::busy_id::kText))), "Marsitel wird beendet \u2026");
    EXPECT_FALSE(app.AnyDialogVisible());
    ASSERT_TRUE(PressOk(*box));
    EXPECT_TRUE(app.Process().WaitForExit(Millis{5000})) << "still running 5 s after the warning's OK";
    EXPECT_EQ(app.Process().ExitCode(), 1u);
}

class E2eHeldUp : public ::testing::TestWithParam<HeldUp> {};

// Mid-run, the user working in the host's dialog, nothing clicked: the notice
// comes below the progress window, leaves foreground and keyboard there (Enter
// arrives and ends no wait), goes once the host answers; the run ends clean.
TEST_P(E2eHeldUp, TheNoticeComesAndGoesByItselfAndTheRunEndsAsACleanRunDoes) {
    const HeldUp& held = GetParam();
    SimhostProcess host({L"", HoldAfter(held, kHeldAfter, held.spell)});
    MarsitelApp app;
    ForeignDialog hostDialog;
    ASSERT_NE(hostDialog.Window(), nullptr);
    ASSERT_NO_FATAL_FAILURE(StartGroundedRunAtAllLevels(app));
    ASSERT_TRUE(WaitForCallsServed(host, kHeldAfter));
    const auto heldUp = std::chrono::steady_clock::now();
    MARSITEL_SKIP_IF_WINDOWS_REFUSED_THE_FOREGROUND(hostDialog.TakeForeground());
    const HWND notice = WaitForVisibleTopLevel(app.Id(), marsitel::ui::kBusyClass, Millis{10000});
    const auto shown = std::chrono::steady_clock::now();
    ASSERT_NE(notice, nullptr) << "no notice within 10 s";
    EXPECT_EQ(host.JournalLines().size(), kHeldAfter) << "the notice came only after the host answered";
    // The hold-up is seen to begin when the journal is read, a little after
    // the held call went out; the notice comes on a tick of the timer.
    EXPECT_GE(shown - heldUp, held.noticeFrom - kJournalLag);
    EXPECT_LE(shown - heldUp, held.noticeBy);
    EXPECT_EQ(ToUtf8(WindowText(Control(notice, marsitel::ui::busy_id::kText))), ToUtf8(held.notice));
    EXPECT_TRUE(GetWindowLongW(notice, GWL_EXSTYLE) & WS_EX_TOPMOST);
    EXPECT_EQ(GetForegroundWindow(), hostDialog.Window());
    EXPECT_EQ(FocusOf(hostDialog.Window()), hostDialog.Window());
    const RECT progress = OuterRect(VisibleTopLevel(app.Id(), marsitel::ui::kProgressClass));
    EXPECT_EQ(OuterRect(notice).left, progress.left);
    EXPECT_EQ(OuterRect(notice).top, progress.bottom);
    SaveWindowPicture(notice, ScreenshotDirectory(), L"notice-" + std::wstring(held.option + 2));
    TypeKeys({VK_RETURN});
    EXPECT_TRUE(WaitUntil([&] { return WindowText(hostDialog.Window()) == L"\r\n"; }, kWindowWait))
        << "Enter did not reach the host's dialog";
    EXPECT_TRUE(IsVisible(notice)) << "Enter meant for the host's dialog ended the wait";
    ASSERT_TRUE(WaitForCallsServed(host, kHeldAfter + 1));
    ASSERT_TRUE(WaitUntilGoneOrHidden(notice));
    EXPECT_EQ(GetForegroundWindow(), hostDialog.Window()) << "the notice took the foreground as it went";
    const RunWatch run = app.Watch(RunWatch{}, false, false);
    ASSERT_TRUE(run.finished) << "message box: " << run.message_box << ", process ended: " << run.process_ended;
    EndAndExpectCleanExit(app);
    // Every assembly as a clean grounded run leaves it: each occurrence with its ground relation only.
    host.Quit();
    for (const DocumentCounts& d : Summarize(host.SavedState()).documents) {
        if (!d.assembly) continue;
        EXPECT_EQ(std::pair(d.relations, d.grounds), std::pair(d.occurrences, d.occurrences)) << ToUtf8(d.doctext);
    }
    EXPECT_EQ(host.ClientReferencesAtExit(), 0) << ToUtf8(host.ClientReferencesLine());
}

// From the first call of the readiness check at start-up: the notice where
// the progress window stands during a run (1500 twips from the screen's
// corner), the foreground left where it is; neither readiness warning.
TEST_P(E2eHeldUp, AtStartUpTheNoticeStandsWhereTheProgressWindowWouldAndAbbrechenEndsTheProgram) {
    SimhostProcess host({L"", HoldAfter(GetParam(), 0)});
    MarsitelApp app;
    ForeignDialog hostDialog;
    ASSERT_TRUE(app.DismissSplash());
    MARSITEL_SKIP_IF_WINDOWS_REFUSED_THE_FOREGROUND(hostDialog.TakeForeground());
    const HWND notice = WaitForVisibleTopLevel(app.Id(), marsitel::ui::kBusyClass);
    ASSERT_NE(notice, nullptr) << "no notice";
    EXPECT_EQ(OuterRect(notice).left, 100);
    EXPECT_EQ(OuterRect(notice).top, 100);
    EXPECT_EQ(GetForegroundWindow(), hostDialog.Window());
    ExpectAbbrechenToEndTheProgram(app, notice, GetParam());
    EXPECT_TRUE(host.JournalLines().empty());
    host.Kill();
}

// Twelve refusals last about six seconds, the notice after two; a host that
// has taken a call, or computes after its answer while the program drops
// objects, gets the other notice after five.
INSTANTIATE_TEST_SUITE_P(RefusingNotAnsweringAndComputing, E2eHeldUp,
                         ::testing::Values(HeldUp{"Refusing", L"--busy-at", L"12", kBusyNoticeText, Millis{2000},
                                                  Millis{4000}, kStoppedWarning, kRunWait},
                                           HeldUp{"NotAnswering", L"--hang-at", L"20000", kUnansweredNoticeText,
                                                  Millis{5000}, Millis{6500}, kUnansweredWarning, Millis{5000}},
                                           HeldUp{"Computing", L"--compute-after", L"20000", kUnansweredNoticeText,
                                                  Millis{5000}, Millis{6500}, kUnansweredWarning, Millis{5000}}));

class E2eKeysDuringRun : public ::testing::TestWithParam<KeysDuringRun> {};

// A chord as the thread reads it: keys down in the order given, up in the
// reverse; with Alt held first they are system keys.
void PostKeys(HWND focus, const std::vector<WORD>& chord) {
    const bool alt = chord.front() == VK_MENU;
    const auto post = [&](WORD key, bool up) {
        const UINT message = alt ? (up ? WM_SYSKEYUP : WM_SYSKEYDOWN) : (up ? WM_KEYUP : WM_KEYDOWN);
        PostMessageW(focus, message, key, (alt ? KF_ALTDOWN << 16 : 0) | (up ? 0xC0000001 : 1));
    };
    for (const WORD key : chord) post(key, false);
    for (auto key = chord.rbegin(); key != chord.rend(); ++key) post(*key, true);
}

// Keys typed while the run keeps the program busy (two seconds of a busy host
// leave time to type) are dropped when it ends: Space does not press Execute,
// where the focus is back, and Alt+F4 does not close the dialog.
TEST_P(E2eKeysDuringRun, AreDroppedWhenTheRunEnds) {
    SimhostProcess host({L"", {L"--hidden", L"--busy-at", L"60:8"}});
    MarsitelApp app;
    ASSERT_NO_FATAL_FAILURE(StartGroundedRunAtAllLevels(app));  // a click leaves the focus on the button
    // Windows keeps typed keys in the thread's queue and gives them to the
    // window that has the focus when they are read: after the run, Execute.
    // Wine binds them to the focus as they are typed, the progress window,
    // and they would go with it: they are put where Windows keeps them.
    WaitForVisibleTopLevel(app.Id(), marsitel::ui::kProgressClass);
    PostKeys(app.DialogControl(ids::kExecuteButton), GetParam().chord);
    const RunWatch run = app.Watch(RunWatch{}, false, false);
    ASSERT_TRUE(run.finished) << "message box: " << run.message_box << ", process ended: " << run.process_ended;
    // Keys are taken in the order typed: once a Tab typed now has moved the
    // focus on, the keys typed during the run have been dealt with.
    SetForegroundWindow(app.Dialog());
    TypeKeys({VK_TAB});
    ASSERT_TRUE(WaitUntil([&] { return !app.Process().Running() || FocusOf(app.Dialog()) == app.DialogControl(ids::kEndButton); },
                          kRunWait));
    ASSERT_TRUE(app.Process().Running()) << "the program ended";
    EXPECT_TRUE(IsVisible(app.Dialog()));
    EXPECT_EQ(ToUtf8(app.DialogText(ids::kStatusLine)), ToUtf8(kCompletionText));
    EndAndExpectCleanExit(app);
    host.Quit();
    const auto journal = host.JournalLines();
    const std::wstring flagSet = L"app\tput\t" + std::to_wstring(host::dispid::kWalkFlag) + L"\tVT_BOOL -1\tS_OK";
    EXPECT_EQ(std::count(journal.begin(), journal.end(), flagSet), 1) << "runs made";
}

INSTANTIATE_TEST_SUITE_P(SpaceAndAltF4, E2eKeysDuringRun,
                         ::testing::Values(KeysDuringRun{"Space", {VK_SPACE}},
                                         KeysDuringRun{"AltF4", {VK_MENU, VK_F4}}));

}  // namespace
}  // namespace marsitel::e2e
