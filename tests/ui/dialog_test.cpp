#include "app/startup.h"
#include "core/base/error.h"
#include "ui/message_box.h"
#include "shared/com.h"
#include "shared/variant.h"
#include "ui/accessible.h"
#include "shared/control_ids.h"
#include "ui/dialog.h"
#include "ui/layout.h"
#include "ui_test_support.h"

#include <gtest/gtest.h>

#include <array>
#include <atomic>
#include <functional>
#include <map>
#include <memory>
#include <thread>
#include <vector>

namespace marsitel::ui {
namespace {

using namespace testing;
using Microsoft::WRL::ComPtr;
namespace id = dialog_id;

constexpr wchar_t kTitle[] = L"Offsetwerte in Baugruppen ändern";
constexpr wchar_t kCompletion[] = L"Verarbeitung abgeschlossen. Nochmal oder zurücksetzen?";

class DialogTest : public ::testing::Test {
protected:
    void SetUp() override { dialog = MakeDialog(); }
    std::unique_ptr<Dialog> MakeDialog() {
        DialogServices services;
        services.checkHostReady = [this] {
            ++hostChecks;
            if (hostCheckAction) hostCheckAction();
            return found;
        };
        services.runRelationRemoval = [this](const RunOptions& options, ProgressDisplay& progress) {
            ++runs;
            if (runAction) runAction(options, progress);
            return found;
        };
        services.makeTopmost = [this](HWND window) {
            topmostCalls.push_back(window);
            MakeTopmost(window);
        };
        services.propertyServices = [this] { return propertyServices; };
        return std::make_unique<Dialog>(ends, std::move(services));
    }
    void TearDown() override {
        dialog.reset();
        DiscardQuit();
    }
    void Load() {
        ASSERT_TRUE(dialog->Create());
        dialog->Show();
        Pump();
    }
    HWND Control(int id) const { return GetDlgItem(dialog->hwnd(), id); }
    void Click(int id) { SendMessageW(Control(id), BM_CLICK, 0, 0); }
    void Scroll(int request, int times = 1, int position = 0) {
        for (int i = 0; i < times; ++i) {
            SendMessageW(dialog->hwnd(), WM_VSCROLL, MAKEWPARAM(request, position),
                         reinterpret_cast<LPARAM>(Control(id::kLevelSelector)));
        }
    }
    // What the host's readiness checks find, at load and in each run.
    HostReadiness found = HostReadiness::Ready;
    int hostChecks = 0;
    int runs = 0;
    std::vector<HWND> topmostCalls;
    std::function<void()> hostCheckAction;
    std::function<void(const RunOptions&, ProgressDisplay&)> runAction;
    // None, as under Wine, unless a test puts a stand-in here.
    ComPtr<IAccPropServices> propertyServices;
    ProgramEndRecorder ends;
    std::unique_ptr<Dialog> dialog;
};

// Above 96 DPI half pixels round away from zero, the font grows, and each
// edge is converted on its own, so that adjoining boxes stay adjoining.
TEST(Layout, FontsGrowAboveNinetySixDpiAndAdjoiningBoxesStayAdjoining) {
    const RECT levelBox = Layout(144).Rect(TwipsRect{960, 2400, 615, 375});
    EXPECT_EQ((std::array<LONG, 4>{levelBox.left, levelBox.top, levelBox.right, levelBox.bottom}),
              (std::array<LONG, 4>{96, 240, 158, 278}));
    EXPECT_EQ(Layout(120).FontHeight(825), -14);
    const Layout at120(120);
    const RECT left = at120.Rect(TwipsRect{0, 0, 1001, 10});
    const RECT right = at120.Rect(TwipsRect{1001, 0, 1001, 10});
    EXPECT_EQ(left.right, right.left);
}

TEST_F(DialogTest, LoadStepSetsCaptionTextsAndLevel) {
    Load();
    EXPECT_EQ(TextOf(dialog->hwnd()), kTitle);
    const struct { int id; const wchar_t* text; } texts[] = {
        {id::kExplanation, L"Dieses Programm löscht alle Beziehungen in Baugruppen und setzt eine Fixiert-Beziehung, falls "
                     L"gewünscht. \r\rDas Programm wurde in diese Version nicht mit anpassbaren Baugruppen getestet\r"
                     L"Keine Gewährleistung "},
        {id::kLevelText, L"1"},
        {id::kStatusLine, L""},
    };
    for (const auto& e : texts) EXPECT_EQ(TextOf(Control(e.id)), e.text) << e.id;
    EXPECT_EQ(IsDlgButtonChecked(dialog->hwnd(), id::kDeleteOption), BST_UNCHECKED);
    EXPECT_EQ(IsDlgButtonChecked(dialog->hwnd(), id::kGroundOption), BST_UNCHECKED);
    EXPECT_EQ(GetFocus(), Control(id::kLevelSelector));
    EXPECT_EQ(hostChecks, 1);
    EXPECT_TRUE(ends.exitCodes().empty());
}

TEST_F(DialogTest, FixedBorderInTaskbarCentredAndTopmostAfterMakeTopmost) {
    Load();
    EXPECT_TRUE(SameRect(ClientRect(dialog->hwnd()), RECT{0, 0, 502, 359}));
    EXPECT_FALSE(StyleOf(dialog->hwnd()) & (WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX));
    EXPECT_TRUE(ExStyleOf(dialog->hwnd()) & WS_EX_APPWINDOW);
    // The taskbar shows the class icon; the caption shows none, as no icon is
    // set on the window and its frame style draws no class icon.
    EXPECT_NE(GetClassLongPtrW(dialog->hwnd(), GCLP_HICON), 0);
    EXPECT_EQ(SendMessageW(dialog->hwnd(), WM_GETICON, ICON_SMALL, 0), 0);
    EXPECT_EQ(GetWindow(dialog->hwnd(), GW_OWNER), nullptr);
    EXPECT_TRUE(CentredOnPrimaryMonitor(dialog->hwnd()));
    RECT outer{}, after{};
    GetWindowRect(dialog->hwnd(), &outer);
    EXPECT_FALSE(ExStyleOf(dialog->hwnd()) & WS_EX_TOPMOST);
    MakeTopmost(dialog->hwnd());
    EXPECT_TRUE(ExStyleOf(dialog->hwnd()) & WS_EX_TOPMOST);
    GetWindowRect(dialog->hwnd(), &after);
    EXPECT_TRUE(EqualRect(&outer, &after));
    EXPECT_EQ(GetActiveWindow(), dialog->hwnd());
}

TEST_F(DialogTest, UpArrowRaisesTheLevelToAlleAndDownLowersItAsScreenReadersHear) {
    Load();
    const struct { int request, times, level; const wchar_t* text; } steps[] = {
        {SB_LINEDOWN, 1, 1, L"1"}, {SB_LINEUP, 1, 2, L"2"},      {SB_PAGEUP, 1, 3, L"3"}, {SB_LINEUP, 6, 9, L"9"},
        {SB_LINEUP, 2, 10, L"Alle"}, {SB_LINEDOWN, 1, 9, L"9"}, {SB_BOTTOM, 1, 1, L"1"},
    };
    for (const auto& step : steps) {
        Scroll(step.request, step.times);
        EXPECT_EQ(dialog->Level(), step.level);
        EXPECT_EQ(TextOf(Control(id::kLevelText)), step.text);
    }
    // The thumb at the top stands for the highest level.
    Scroll(SB_THUMBPOSITION, 1, 1);
    EXPECT_EQ(TextOf(Control(id::kLevelText)), L"Alle");
}

TEST_F(DialogTest, ExecuteWithoutDeleteOptionShowsOnlyTheWarning) {
    Load();
    Click(id::kGroundOption);
    Scroll(SB_LINEUP, 9);
    MessageBoxWatcher boxes;
    Click(id::kExecuteButton);
    ASSERT_EQ(boxes.boxes().size(), 1u);
    const SeenMessageBox& box = boxes.boxes()[0];
    EXPECT_EQ(box.text, L"Sie müssen die Option zum Löschen der Beziehungen aktivieren.");
    EXPECT_EQ(box.caption, kTitle);
    EXPECT_EQ(box.icon, LoadIconW(nullptr, IDI_EXCLAMATION));
    EXPECT_EQ(box.button_ids, std::vector<int>{IDOK});
    EXPECT_EQ(runs, 0);
    EXPECT_EQ(FindWindowW(kProgressClass, nullptr), nullptr);
    EXPECT_TRUE(IsWindowVisible(dialog->hwnd()));
}

// Each run gets a fresh progress window in its design state, shown topmost
// at 1500 twips from the screen's corner while the dialog hides, and reads
// the ground option live.
TEST_F(DialogTest, ExecuteRunsInAFreshProgressWindowAndShowsTheCompletionText) {
    Load();
    Click(id::kDeleteOption);
    Scroll(SB_LINEUP, 2);
    std::vector<HWND> progressWindows;
    std::vector<bool> groundReadings;
    runAction = [&](const RunOptions& options, ProgressDisplay& progress) {
        EXPECT_EQ(options.Level(), 3);
        EXPECT_FALSE(IsWindowVisible(dialog->hwnd()));
        const HWND window = FindWindowW(kProgressClass, nullptr);
        ASSERT_NE(window, nullptr);
        progressWindows.push_back(window);
        EXPECT_TRUE(IsWindowVisible(window));
        EXPECT_TRUE(ExStyleOf(window) & WS_EX_TOPMOST);
        EXPECT_EQ(TextOf(window), kTitle);
        EXPECT_EQ(TextOf(GetDlgItem(window, progress_id::kAssemblyLine)), L"");
        EXPECT_EQ(TextOf(GetDlgItem(window, progress_id::kOccurrenceLine)), L"");
        RECT outer{};
        GetWindowRect(window, &outer);
        EXPECT_EQ(std::pair(outer.left, outer.top), std::pair(100L, 100L));
        groundReadings.push_back(options.GroundAll());
        CheckDlgButton(dialog->hwnd(), id::kGroundOption, groundReadings.back() ? BST_UNCHECKED : BST_CHECKED);
        groundReadings.push_back(options.GroundAll());
        progress.SetAssemblyLine(L"Bearbeite Baugruppe.asm");
        progress.SetOccurrenceLine(L"Vorkommnis Teil:1");
    };
    for (int run = 1; run <= 2; ++run) {
        Click(id::kExecuteButton);
        EXPECT_EQ(runs, run);
        EXPECT_EQ(FindWindowW(kProgressClass, nullptr), nullptr);
        EXPECT_TRUE(IsWindowVisible(dialog->hwnd()));
        EXPECT_EQ(TextOf(Control(id::kStatusLine)), kCompletion);
        EXPECT_EQ(IsDlgButtonChecked(dialog->hwnd(), id::kDeleteOption), BST_CHECKED);
        EXPECT_EQ(TextOf(Control(id::kLevelText)), L"3");
    }
    EXPECT_EQ(topmostCalls, progressWindows);
    EXPECT_EQ(groundReadings, (std::vector<bool>{false, true, true, false}));
    EXPECT_TRUE(ends.exitCodes().empty());
}

// Each finding of the host's check in its own words: at load the warning
// ends the program, in a run the completion text follows it. A key typed
// while the check waited for the host does not close the warning unread.
TEST_F(DialogTest, EachFindingOfTheHostCheckIsWarnedOfInItsOwnWordsFromAnEmptyInputQueue) {
    const struct { HostReadiness found; const wchar_t* warning; } findings[] = {
        {HostReadiness::NotRunning, L"Solid Edge läuft ja gar nicht!"},
        {HostReadiness::NotRunningSeenElevated, L"Solid Edge läuft ja gar nicht! Marsitel läuft mit "
                                                L"Administratorrechten und erreicht kein Solid Edge, das ohne "
                                                L"Administratorrechte gestartet wurde."},
        {HostReadiness::NoAssemblyActive, L"Kein Assembly-Dokument aktiv"},
    };
    const auto expectWarning = [](const SeenMessageBox& box, const wchar_t* text) {
        EXPECT_EQ(box.text, text);
        EXPECT_EQ(box.caption, L"Marsitel");
        EXPECT_EQ(box.icon, LoadIconW(nullptr, IDI_EXCLAMATION));
        EXPECT_EQ(box.button_ids, std::vector<int>{IDOK});
        EXPECT_TRUE(box.topmost) << "behind the topmost progress window";
        EXPECT_FALSE(box.keyQueued);
    };
    for (const auto& finding : findings) {
        SCOPED_TRACE(static_cast<int>(finding.found));
        const std::unique_ptr<Dialog> loading = MakeDialog();
        found = finding.found;
        hostCheckAction = [&] { PostMessageW(loading->hwnd(), WM_KEYDOWN, VK_RETURN, 0); };
        MessageBoxWatcher boxes;
        EXPECT_FALSE(loading->Create());
        ASSERT_EQ(boxes.boxes().size(), 1u);
        expectWarning(boxes.boxes()[0], finding.warning);
        EXPECT_EQ(ends.exitCodes(), std::vector<unsigned>(hostChecks, 0));
    }
    found = HostReadiness::Ready;
    hostCheckAction = nullptr;
    Load();
    Click(id::kDeleteOption);
    runAction = [this](const RunOptions&, ProgressDisplay&) {
        PostMessageW(Control(id::kExecuteButton), WM_KEYDOWN, VK_SPACE, 0);
    };
    for (const auto& finding : findings) {
        found = finding.found;
        MessageBoxWatcher boxes;
        Click(id::kExecuteButton);
        ASSERT_EQ(boxes.boxes().size(), 1u);
        expectWarning(boxes.boxes()[0], finding.warning);
        EXPECT_EQ(TextOf(Control(id::kStatusLine)), kCompletion);
    }
    EXPECT_EQ(runs, 3);
    EXPECT_EQ(ends.exitCodes().size(), 3u);
}

// A screen reader's default action or a test tool clicks a button of the
// hidden dialog while it waits for the host: in the load step's readiness
// check, and while a run lasts. The title bar's Close can be sent too.
TEST_F(DialogTest, NothingSentToTheHiddenDialogStartsARunOrEndsTheProgramWhileItWaitsForTheHost) {
    const auto clickEverything = [this] {
        Click(id::kExecuteButton);
        Click(id::kEndButton);
        SendMessageW(dialog->hwnd(), WM_CLOSE, 0, 0);
    };
    hostCheckAction = [&] {
        CheckDlgButton(dialog->hwnd(), id::kDeleteOption, BST_CHECKED);
        clickEverything();
    };
    Load();
    EXPECT_EQ(runs, 0) << "a run started inside the load step's check";
    runAction = [&](const RunOptions&, ProgressDisplay&) {
        if (runs > 1) return;  // a run inside the run: recorded, not repeated
        clickEverything();
    };
    Click(id::kExecuteButton);
    EXPECT_EQ(runs, 1);
    EXPECT_TRUE(ends.exitCodes().empty());
    ASSERT_TRUE(IsWindow(dialog->hwnd()));
    EXPECT_TRUE(IsWindowVisible(dialog->hwnd()));
    // After the run the buttons work again, and Close ends the program as
    // End does.
    runAction = nullptr;
    Click(id::kExecuteButton);
    EXPECT_EQ(runs, 2);
    SendMessageW(dialog->hwnd(), WM_CLOSE, 0, 0);
    EXPECT_EQ(ends.exitCodes(), std::vector<unsigned>{0});
}

// The run fails, and while its error report shows, a click is sent to the
// hidden dialog's Execute (UI automation, a screen reader): it starts no
// run inside the report, which ends the program.
TEST_F(DialogTest, AClickSentWhileTheErrorReportShowsStartsNoRun) {
    Load();
    Click(id::kDeleteOption);
    runAction = [this](const RunOptions&, ProgressDisplay&) {
        if (runs == 1) throw Error(4711, L"Beziehung ist gesperrt");
    };
    std::jthread user([execute = Control(id::kExecuteButton)] {
        HWND report = nullptr;
        for (int i = 0; i < 500 && !(report = FindWindowW(L"#32770", nullptr)); ++i) Sleep(10);
        SendMessageW(execute, BM_CLICK, 0, 0);
        PostMessageW(report, WM_COMMAND, IDOK, 0);
    });
    Click(id::kExecuteButton);
    user.join();
    EXPECT_EQ(runs, 1);
    EXPECT_EQ(ends.exitCodes(), std::vector<unsigned>{1});
}

// UI automation sends its clicks from another thread. The run must not
// take place inside that sent message, where Windows refuses synchronous
// COM calls, and the sender must not wait for the whole run.
TEST_F(DialogTest, AClickSentFromAnotherThreadIsAnsweredBeforeTheRunStarts) {
    Load();
    Click(id::kDeleteOption);
    std::atomic<bool> senderReturned = false;
    bool inSentMessage = true;  // and not replied to
    bool senderReturnedDuringRun = false;
    runAction = [&](const RunOptions&, ProgressDisplay&) {
        // What COM asks before a synchronous call: a sent message not yet
        // replied to. Wine's InSendMessage itself stays true after the reply.
        inSentMessage = (InSendMessageEx(nullptr) & (ISMEX_SEND | ISMEX_REPLIED)) == ISMEX_SEND;
        for (int i = 0; i < 500 && !senderReturned; ++i) Sleep(10);
        senderReturnedDuringRun = senderReturned;
    };
    std::jthread sender([&, button = Control(id::kExecuteButton)] {
        SendMessageW(button, BM_CLICK, 0, 0);
        senderReturned = true;
    });
    for (int i = 0; i < 400 && (runs == 0 || !senderReturned); ++i) {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
        Pump();
    }
    EXPECT_EQ(runs, 1);
    EXPECT_FALSE(inSentMessage);
    EXPECT_TRUE(senderReturnedDuringRun);
}

// Touch, pen and gestures are input like keys and clicks; other posted
// messages are left alone.
TEST(PendingInput, KeysClicksTouchPenAndGesturesAreDroppedOtherMessagesStay) {
    const HWND window = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(window, nullptr);
    const UINT input[] = {WM_KEYDOWN, WM_CHAR, WM_SYSKEYUP, WM_LBUTTONDOWN, WM_MOUSEWHEEL, WM_NCLBUTTONDOWN,
                          0x0119 /* WM_GESTURE */, 0x0240 /* WM_TOUCH */, 0x0245 /* WM_POINTERUPDATE */,
                          0x0246 /* WM_POINTERDOWN */, 0x0247 /* WM_POINTERUP */, 0x0243 /* WM_NCPOINTERUP */};
    for (const UINT message : input) PostMessageW(window, message, 0, 0);
    PostMessageW(window, WM_APP, 0, 0);
    DiscardPendingInput();
    MSG message;
    std::vector<UINT> left;
    while (PeekMessageW(&message, window, 0, 0, PM_REMOVE)) left.push_back(message.message);
    DestroyWindow(window);
    EXPECT_EQ(left, std::vector<UINT>{WM_APP});
}

// Activated again, the dialog gives the focus back to the control that had
// it. Windows leaves that to the activated window's WM_ACTIVATE (Wine would
// also do it through WM_SETFOCUS): the message alone, then.
TEST_F(DialogTest, ReactivatedTheFocusReturnsToTheControlThatHadIt) {
    Load();
    SetFocus(Control(id::kEndButton));
    const HWND other = CreateWindowExW(0, L"STATIC", L"", WS_POPUP | WS_VISIBLE, 0, 0, 10, 10, nullptr, nullptr,
                                       nullptr, nullptr);
    SetActiveWindow(other);
    SendMessageW(dialog->hwnd(), WM_ACTIVATE, WA_ACTIVE, reinterpret_cast<LPARAM>(other));
    EXPECT_EQ(GetFocus(), Control(id::kEndButton));
    DestroyWindow(other);
}

TEST(LabelText, LoneCarriageReturnsBecomeLineBreaksForDrawing) {
    EXPECT_EQ(ExpandLoneCarriageReturns(L"a\r\rb\r"), L"a\r\n\r\nb\r\n");
    EXPECT_EQ(ExpandLoneCarriageReturns(L"a\r\nb\nc"), L"a\r\nb\nc");
}

// The level selector's names and value for screen readers, through the
// system's property services. Wine has none: a stand-in keeps what the
// program gives them, as the system would, and lives on the test's stack.
class StandInServices final : public IAccPropServices {
public:
    std::map<HWND, std::wstring> names;
    HWND valueControl = nullptr;
    ComPtr<IAccPropServer> valueServer;
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
        *object = iid == IID_IUnknown || iid == IID_IAccPropServices ? this : nullptr;
        return *object ? S_OK : E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    HRESULT STDMETHODCALLTYPE SetHwndPropStr(HWND control, DWORD object, DWORD child, MSAAPROPID property,
                                             LPCWSTR text) override {
        if (object != static_cast<DWORD>(OBJID_CLIENT) || child != CHILDID_SELF) return E_INVALIDARG;
        if (property == PROPID_ACC_NAME) names[control] = text;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE SetHwndPropServer(HWND control, DWORD, DWORD, const MSAAPROPID* properties, int count,
                                                IAccPropServer* server, AnnoScope) override {
        if (count != 1 || properties[0] != PROPID_ACC_VALUE) return E_INVALIDARG;
        valueControl = control;
        valueServer = server;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE ClearHwndProps(HWND control, DWORD, DWORD, const MSAAPROPID*, int) override {
        names.erase(control);
        if (control == valueControl) valueControl = nullptr;
        return S_OK;
    }
    // Not used by the program.
#define MARSITEL_NOT_USED(method, ...) \
    HRESULT STDMETHODCALLTYPE method(__VA_ARGS__) override { return E_NOTIMPL; }
    MARSITEL_NOT_USED(SetPropValue, const BYTE*, DWORD, MSAAPROPID, VARIANT)
    MARSITEL_NOT_USED(SetPropServer, const BYTE*, DWORD, const MSAAPROPID*, int, IAccPropServer*, AnnoScope)
    MARSITEL_NOT_USED(ClearProps, const BYTE*, DWORD, const MSAAPROPID*, int)
    MARSITEL_NOT_USED(SetHwndProp, HWND, DWORD, DWORD, MSAAPROPID, VARIANT)
    MARSITEL_NOT_USED(ComposeHwndIdentityString, HWND, DWORD, DWORD, BYTE**, DWORD*)
    MARSITEL_NOT_USED(DecomposeHwndIdentityString, const BYTE*, DWORD, HWND*, DWORD*, DWORD*)
    MARSITEL_NOT_USED(SetHmenuProp, HMENU, DWORD, MSAAPROPID, VARIANT)
    MARSITEL_NOT_USED(SetHmenuPropStr, HMENU, DWORD, MSAAPROPID, LPCWSTR)
    MARSITEL_NOT_USED(SetHmenuPropServer, HMENU, DWORD, const MSAAPROPID*, int, IAccPropServer*, AnnoScope)
    MARSITEL_NOT_USED(ClearHmenuProps, HMENU, DWORD, const MSAAPROPID*, int)
    MARSITEL_NOT_USED(ComposeHmenuIdentityString, HMENU, DWORD, BYTE**, DWORD*)
    MARSITEL_NOT_USED(DecomposeHmenuIdentityString, const BYTE*, DWORD, HMENU*, DWORD*)
#undef MARSITEL_NOT_USED

    // What a screen reader is served for a property: the text, or "-" when
    // there is none.
    std::wstring Served(const MSAAPROPID& property) const {
        Variant value;
        BOOL has = TRUE;
        if (FAILED(valueServer->GetPropValue(nullptr, 0, property, value.put(), &has))) return L"failed";
        return !has ? L"-" : value.get().vt == VT_BSTR ? value.get().bstrVal : L"not a string";
    }
};

class AccessibilityTest : public DialogTest {
protected:
    AccessibilityTest() { propertyServices = &services; }
    ~AccessibilityTest() override { propertyServices.Reset(); }
    const ComApartment apartment;
    StandInServices services;
};

// Both controls named, the selector's value the level as the dialog shows
// it; once the dialog goes, nothing is left annotated, and a reader that
// still holds the server learns nothing of a gone control.
TEST_F(AccessibilityTest, TheLevelIsServedAsShownAndNothingIsLeftOnceTheDialogGoes) {
    ASSERT_TRUE(dialog->Create());
    EXPECT_EQ(services.names, (std::map<HWND, std::wstring>{{Control(id::kLevelSelector), L"Baugruppenebenen"},
                                                            {Control(id::kLevelText), L"Baugruppenebenen"}}));
    ASSERT_EQ(services.valueControl, Control(id::kLevelSelector));
    EXPECT_EQ(services.Served(PROPID_ACC_VALUE), L"1");
    Scroll(SB_LINEUP, 2);
    EXPECT_EQ(services.Served(PROPID_ACC_VALUE), L"3");
    Scroll(SB_LINEUP, 7);
    EXPECT_EQ(services.Served(PROPID_ACC_VALUE), L"Alle");
    EXPECT_EQ(services.Served(PROPID_ACC_NAME), L"-");
    dialog.reset();
    EXPECT_TRUE(services.names.empty());
    EXPECT_EQ(services.valueControl, nullptr);
    EXPECT_EQ(services.Served(PROPID_ACC_VALUE), L"-");
}

}  // namespace
}  // namespace marsitel::ui
