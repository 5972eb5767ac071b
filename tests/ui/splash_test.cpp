#include "app/single_instance.h"
#include "app/startup.h"
#include "shared/control_ids.h"
#include "ui/frm_splash.h"
#include "ui/window.h"
#include "ui_test_support.h"

#include <gtest/gtest.h>

#include <thread>
#include <utility>

namespace marsitel::ui {
namespace {

using namespace testing;
namespace id = splash_id;

class SplashTest : public ::testing::Test {
protected:
    void SetUp() override {
        splash.Create();
        splash.Show();
        Pump();
    }
    void TearDown() override {
        splash.Destroy();
        DiscardQuit();
    }
    HWND Control(int controlId) const { return splash.controls().Handle(controlId); }
    HWND Frame() const { return GetDlgItem(splash.hwnd(), id::kFrame); }
    void ClickAt(HWND window, POINT point) {
        const LPARAM at = MAKELPARAM(point.x, point.y);
        PostMessageW(window, WM_LBUTTONDOWN, MK_LBUTTON, at);
        PostMessageW(window, WM_LBUTTONUP, 0, at);
        Pump();
    }
    ProgramEndRecorder ends;
    frmSplash splash{ends};
};

// A key, and whether it produces a character (and so closes the splash).
class SplashKeyTest : public SplashTest, public ::testing::WithParamInterface<std::pair<WPARAM, bool>> {};

TEST_P(SplashKeyTest, ClosesOnCharacterKeysOnly) {
    ASSERT_EQ(GetFocus(), Control(id::kOkButton));
    // Scan codes matter to the translation into characters.
    const UINT scan = MapVirtualKeyW(static_cast<UINT>(GetParam().first), MAPVK_VK_TO_VSC);
    PostMessageW(GetFocus(), WM_KEYDOWN, GetParam().first, 1 | (static_cast<LPARAM>(scan) << 16));
    Pump();
    EXPECT_EQ(splash.IsVisible(), !GetParam().second);
}

INSTANTIATE_TEST_SUITE_P(Keys, SplashKeyTest,
                         ::testing::Values(std::pair{WPARAM{VK_RETURN}, true}, std::pair{WPARAM{VK_ESCAPE}, true},
                                           std::pair{WPARAM{VK_SPACE}, true}, std::pair{WPARAM{'A'}, true},
                                           std::pair{WPARAM{VK_LEFT}, false}, std::pair{WPARAM{VK_F1}, false}));

TEST_F(SplashTest, ClicksOnLabelsImageAndMarginLeaveItOpenClickOnFrameCloses) {
    const int untouched[] = {id::kCompanyProduct, id::kProductName, id::kPicture, id::kCompany,
                             id::kWarning, id::kVersion};
    for (int control : untouched) {
        const HWND target = Control(control);
        const RECT box = ClientRect(target);
        const POINT middle{box.right / 2, box.bottom / 2};
        POINT screen = middle;
        ClientToScreen(target, &screen);
        // A label takes the click itself instead of passing it to the frame.
        EXPECT_NE(SendMessageW(target, WM_NCHITTEST, 0, MAKELPARAM(screen.x, screen.y)), HTTRANSPARENT) << control;
        ClickAt(target, middle);
        EXPECT_TRUE(splash.IsVisible()) << control;
    }
    ClickAt(splash.hwnd(), POINT{3, 3});
    EXPECT_TRUE(splash.IsVisible());
    // Bare frame surface between the image and the labels.
    ClickAt(Frame(), POINT{150, 30});
    EXPECT_FALSE(splash.IsVisible());
}

// Done with while it holds the foreground, it stays on the screen until
// another window has taken it; done with behind another window, it goes at
// once.
TEST_F(SplashTest, DoneWithItStaysUntilAnotherWindowHasTheForeground) {
    ASSERT_TRUE(SetForegroundWindow(splash.hwnd()));
    splash.Close();
    EXPECT_TRUE((splash.hwnd() != nullptr) && IsWindowVisible(splash.hwnd()));
    const HWND other = CreateWindowExW(0, L"STATIC", L"", WS_POPUP | WS_VISIBLE, 0, 0, 20, 20, nullptr, nullptr,
                                       nullptr, nullptr);
    ASSERT_NE(other, nullptr);
    Pump();
    EXPECT_FALSE((splash.hwnd() != nullptr));
    EXPECT_EQ(GetForegroundWindow(), other);
    frmSplash behind(ends);
    behind.Create();
    behind.Show();
    SetForegroundWindow(other);
    behind.Close();
    EXPECT_FALSE((behind.hwnd() != nullptr));
    DestroyWindow(other);
}

// The splash closes while its events are processed, or the bound ends the wait.
TEST(SplashWait, EndsWhenTheSplashClosesOrAtItsBound) {
    ProgramEndRecorder ends;
    frmSplash splash(ends);
    splash.Create();
    splash.Show();
    PostMessageW(splash.controls().Handle(id::kOkButton), WM_CHAR, L' ', 1);
    WaitWhileSplashVisible([&] { return splash.IsVisible(); }, std::chrono::steady_clock::now(), std::chrono::hours(1));
    EXPECT_FALSE(splash.IsVisible());
    frmSplash lingering(ends);
    lingering.Create();
    lingering.Show();
    WaitWhileSplashVisible([&] { return lingering.IsVisible(); }, std::chrono::steady_clock::now(),
                           std::chrono::milliseconds(50));
    EXPECT_TRUE(lingering.IsVisible());
    DiscardQuit();
}

// The claim is this user's. An elevated copy's is closed to others, which
// count it as held; an object of the name that is no mutex tells nothing.
TEST(SingleInstance, TheClaimsAnswerAndEachLookDecideWhatAStartDoes) {
    EXPECT_TRUE(ClaimNameOfThisUser().starts_with(L"Local\\Marsitel.Instance.S-1-5-")) << ClaimNameOfThisUser();
    EXPECT_FALSE(HeldByAnotherCopy(true, ERROR_SUCCESS));
    EXPECT_TRUE(HeldByAnotherCopy(true, ERROR_ALREADY_EXISTS));
    EXPECT_TRUE(HeldByAnotherCopy(false, ERROR_ACCESS_DENIED));
    EXPECT_FALSE(HeldByAnotherCopy(false, ERROR_INVALID_HANDLE));
    // The copy's window shows; no window shows for all of the five seconds.
    using std::chrono::milliseconds;
    EXPECT_EQ(StepAfterLook(milliseconds(0), true), LookStep::BringForward);
    EXPECT_EQ(StepAfterLook(milliseconds(4999), false), LookStep::LookAgain);
    EXPECT_EQ(StepAfterLook(milliseconds(5000), false), LookStep::SayNoWindow);
}

// A second start brings forward the running copy's window nearest the top:
// a message box, say, rather than the dialog the box disables.
TEST(SingleInstance, TheWalkFindsTheWindowNearestTheTop) {
    const auto popup = [](HWND owner) {
        return CreateWindowExW(0, L"STATIC", L"", WS_POPUP | WS_VISIBLE, 0, 0, 9, 9, owner, nullptr, nullptr, nullptr);
    };
    const HWND below = popup(nullptr);
    const HWND above = popup(below);  // an owned window stays above its owner
    const auto either = [&](HWND window) { return window == below || window == above; };
    EXPECT_EQ(FindTopLevelWindow(either), above);
    EXPECT_EQ(FindTopLevelWindow(GetCurrentThreadId(), either), above);
    DestroyWindow(below);
}

// A thread in an apartment of the other kind cannot join the program's.
TEST(StartUp, ACOMStartThatFailsEndsTheProgramWithTheReportOfItsCause) {
    SeenMessageBox box;
    ProgramEndRecorder ends;
    std::thread([&box, &ends] {
        CoInitializeEx(nullptr, COINIT_MULTITHREADED);
        {
            const ComApartment apartment;
            box = TheBoxTheProgramEndsWith(ends, [&] { ExpectApartment(apartment); });
        }
        CoUninitialize();
    }).join();
    // RPC_E_CHANGED_MODE, with the system's text after the colon.
    const std::wstring cause = L"Laufzeitfehler '-2147417850':\r\n\r\nCOM ließ sich nicht starten: ";
    EXPECT_EQ(box.text.substr(0, cause.size()), cause);
    EXPECT_GT(box.text.size(), cause.size());
}

// Untouched, the splash stands its ten seconds; then the dialog's load step
// checks the host, and with none running its warning ends the program.
TEST(StartUp, UntouchedTheSplashStandsTenSecondsBeforeTheDialogChecksTheHost) {
    const ComApartment apartment;
    ProgramEndRecorder ends;
    ProgramWindows windows(ends);
    MessageBoxWatcher boxes;
    const auto start = std::chrono::steady_clock::now();
    Main(windows);
    const auto took = std::chrono::steady_clock::now() - start;
    EXPECT_GE(took, std::chrono::seconds(10));
    EXPECT_LT(took, std::chrono::seconds(30));
    ASSERT_EQ(boxes.boxes().size(), 1u);
    EXPECT_TRUE(boxes.boxes()[0].text.starts_with(L"Solid Edge läuft ja gar nicht!")) << boxes.boxes()[0].text;
    EXPECT_EQ(ends.exitCodes(), std::vector<unsigned>{0});
    DiscardQuit();
}

}  // namespace
}  // namespace marsitel::ui
