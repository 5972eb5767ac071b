#include "app/splash_wait.h"
#include "ui/control_ids.h"
#include "ui/frm_splash.h"
#include "ui/res/resource_ids.h"
#include "ui_test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <utility>

namespace marsitel::ui {
namespace {

using namespace testing;
namespace id = splash_id;

class SplashTest : public ::testing::Test {
protected:
    void SetUp() override {
        splash = std::make_unique<frmSplash>();
        splash->Create();
        splash->Show();
        Pump();
    }
    void TearDown() override {
        splash.reset();
        DiscardQuit();
    }

    HWND Control(int controlId) const { return splash->controls().Handle(controlId); }
    HWND Frame() const { return GetDlgItem(splash->hwnd(), id::Frame1); }

    void PressKey(WPARAM key) {
        // Scan codes matter to the translation into characters.
        const UINT scan = MapVirtualKeyW(static_cast<UINT>(key), MAPVK_VK_TO_VSC);
        PostMessageW(GetFocus(), WM_KEYDOWN, key, 1 | (static_cast<LPARAM>(scan) << 16));
        Pump();
    }

    void ClickAt(HWND window, POINT point) {
        const LPARAM at = MAKELPARAM(point.x, point.y);
        PostMessageW(window, WM_LBUTTONDOWN, MK_LBUTTON, at);
        PostMessageW(window, WM_LBUTTONUP, 0, at);
        Pump();
    }

    std::unique_ptr<frmSplash> splash;
};

TEST_F(SplashTest, ClientFrameAndControlsLandWhereDesignedAt96Dpi) {
    EXPECT_TRUE(SameRect(ClientRect(splash->hwnd()), RECT{0, 0, 407, 268}));
    ASSERT_NE(Frame(), nullptr);
    EXPECT_TRUE(SameRect(RectInParent(Frame()), RECT{8, 8, 400, 262}));
    // Inside the frame, in pixels worked out by hand (15 twips a pixel). The
    // picture box is the image's 129 by 124 pixels.
    const struct {
        int id;
        RECT rect;
    } fixed[] = {
        {id::Picture1, {8, 72, 137, 196}},      {id::lblCopyright, {176, 152, 337, 169}},
        {id::lblCompany, {176, 168, 385, 209}}, {id::Command1, {296, 224, 385, 249}},
        {id::lblWarning, {8, 232, 369, 245}},
    };
    for (const auto& e : fixed) {
        EXPECT_EQ(GetParent(Control(e.id)), Frame()) << e.id;
        EXPECT_TRUE(SameRect(RectInParent(Control(e.id)), e.rect)) << e.id;
    }
    // Labels sized to their text keep their designed left edge, or their
    // right edge when right-aligned.
    const struct {
        int id;
        LONG left;   // -1 where the right edge stays
        LONG right;  // -1 where the left edge stays
        LONG top;
    } sized[] = {
        {id::lblCompanyProduct, 168, -1, 32},
        {id::lblProductName, 168, -1, 52},
        {id::lblPlatform, -1, 377, 96},
        {id::lblVersion, -1, 384, 120},
    };
    for (const auto& e : sized) {
        const RECT actual = RectInParent(Control(e.id));
        EXPECT_EQ(actual.left, e.left < 0 ? actual.left : e.left) << e.id;
        EXPECT_EQ(actual.right, e.right < 0 ? actual.right : e.right) << e.id;
        EXPECT_EQ(actual.top, e.top) << e.id;
        EXPECT_GT(actual.right - actual.left, 20) << e.id;
        EXPECT_LE(actual.right, 392) << e.id;  // inside the frame's 392 pixels
    }
}

TEST_F(SplashTest, LoadStepFillsTheTexts) {
    const struct {
        int id;
        const wchar_t* text;
    } texts[] = {
        {id::lblVersion, L"Solid Edge V16"},      {id::lblProductName, L"Marsitel"},
        {id::lblCompanyProduct, L"Solid Edge Customizing"}, {id::lblWarning, L"Keine Gewährleistung"},
        {id::lblPlatform, L"Demobeispiel für"},  {id::Command1, L"OK"},
    };
    for (const auto& e : texts) EXPECT_EQ(TextOf(Control(e.id)), e.text) << e.id;
    EXPECT_FALSE(TextOf(Control(id::lblCopyright)).empty());
    const std::wstring company = TextOf(Control(id::lblCompany));
    EXPECT_EQ(company, kContactBlock);
    EXPECT_EQ(std::count(company.begin(), company.end(), L'\r'), 2);
    EXPECT_EQ(company.find(L'\n'), std::wstring::npos);
    EXPECT_NE(company.find(L"example.com"), std::wstring::npos);
}

TEST_F(SplashTest, NoTitleBarNotInTaskbarCentredWithArialLabels) {
    const DWORD style = StyleOf(splash->hwnd());
    EXPECT_NE(style & WS_CAPTION, static_cast<DWORD>(WS_CAPTION));
    EXPECT_FALSE(style & (WS_SYSMENU | WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX));
    EXPECT_TRUE(style & WS_DLGFRAME);
    EXPECT_TRUE(ExStyleOf(splash->hwnd()) & WS_EX_TOOLWINDOW);
    EXPECT_FALSE(ExStyleOf(splash->hwnd()) & WS_EX_APPWINDOW);
    EXPECT_TRUE(CentredOnPrimaryMonitor(splash->hwnd()));

    const LOGFONTW product = FontOf(Control(id::lblProductName));
    EXPECT_STREQ(product.lfFaceName, L"Arial");
    EXPECT_EQ(product.lfHeight, -21);
    EXPECT_EQ(product.lfWeight, FW_BOLD);
    EXPECT_EQ(FontOf(Control(id::lblCompany)).lfHeight, -11);
    EXPECT_EQ(FontOf(Control(id::lblCompany)).lfWeight, FW_NORMAL);
    EXPECT_EQ(FontOf(Control(id::lblVersion)).lfHeight, -13);
    EXPECT_EQ(FontOf(Control(id::Command1)).lfWeight, FW_BOLD);
    EXPECT_EQ(GetFocus(), Control(id::Command1));
}

// A key, and whether it produces a character (and so closes the splash).
class SplashKeyTest : public SplashTest, public ::testing::WithParamInterface<std::pair<WPARAM, bool>> {};

TEST_P(SplashKeyTest, ClosesOnCharacterKeysOnly) {
    ASSERT_EQ(GetFocus(), Control(id::Command1));
    PressKey(GetParam().first);
    EXPECT_EQ(splash->IsVisible(), !GetParam().second);
    EXPECT_EQ(splash->IsOpen(), !GetParam().second);
}

INSTANTIATE_TEST_SUITE_P(Keys, SplashKeyTest,
                         ::testing::Values(std::pair{WPARAM{VK_RETURN}, true}, std::pair{WPARAM{VK_ESCAPE}, true},
                                           std::pair{WPARAM{VK_SPACE}, true}, std::pair{WPARAM{VK_BACK}, true},
                                           std::pair{WPARAM{'A'}, true}, std::pair{WPARAM{'7'}, true},
                                           std::pair{WPARAM{VK_LEFT}, false}, std::pair{WPARAM{VK_DOWN}, false},
                                           std::pair{WPARAM{VK_F1}, false}, std::pair{WPARAM{VK_F5}, false},
                                           std::pair{WPARAM{VK_SHIFT}, false}, std::pair{WPARAM{VK_CONTROL}, false}));

TEST_F(SplashTest, ACharacterSentStraightToTheButtonClosesAsTheButtonItselfDoes) {
    PostMessageW(Control(id::Command1), WM_CHAR, L'x', 1);
    Pump();
    EXPECT_FALSE(splash->IsOpen());
    frmSplash second;
    second.Create();
    second.Show();
    SendMessageW(second.controls().Handle(id::Command1), BM_CLICK, 0, 0);
    EXPECT_FALSE(second.IsOpen());
}

TEST_F(SplashTest, ClicksOnLabelsImageAndMarginLeaveItOpenClickOnFrameCloses) {
    const int untouched[] = {id::lblCompanyProduct, id::lblProductName, id::Picture1, id::lblCompany,
                             id::lblWarning, id::lblVersion};
    for (int control : untouched) {
        const HWND target = Control(control);
        const RECT box = ClientRect(target);
        const POINT middle{box.right / 2, box.bottom / 2};
        POINT screen = middle;
        ClientToScreen(target, &screen);
        // A label takes the click itself instead of passing it to the frame.
        EXPECT_NE(SendMessageW(target, WM_NCHITTEST, 0, MAKELPARAM(screen.x, screen.y)), HTTRANSPARENT) << control;
        ClickAt(target, middle);
        EXPECT_TRUE(splash->IsVisible()) << control;
    }
    ClickAt(splash->hwnd(), POINT{3, 3});
    EXPECT_TRUE(splash->IsVisible());

    // Bare frame surface between the image and the labels.
    ClickAt(Frame(), POINT{150, 30});
    EXPECT_FALSE(splash->IsOpen());
}

TEST(SplashPicture, IsThe129By124TrueColourBitmapOfTheProgram) {
    const HRSRC resource = FindResourceW(nullptr, MAKEINTRESOURCEW(MARSITEL_IDB_SPLASH), MAKEINTRESOURCEW(2));
    ASSERT_NE(resource, nullptr);
    // The file's 14-byte header is not stored in the resource.
    EXPECT_EQ(SizeofResource(nullptr, resource), 48166u - 14u);
    const auto* info = static_cast<const BITMAPINFOHEADER*>(LockResource(LoadResource(nullptr, resource)));
    ASSERT_NE(info, nullptr);
    EXPECT_EQ(info->biWidth, 129);
    EXPECT_EQ(info->biHeight, 124);
    EXPECT_EQ(info->biBitCount, 24);
    EXPECT_EQ(info->biCompression, static_cast<DWORD>(BI_RGB));
    EXPECT_EQ(info->biXPelsPerMeter, 3780);
    EXPECT_EQ(info->biYPelsPerMeter, 3780);
}

TEST(SplashWait, TestsBeforeProcessingAndEndsWhenTheSplashCloses) {
    const HWND target = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(target, nullptr);
    PostMessageW(target, WM_USER, 0, 0);
    int tests = 0;
    WaitWhileSplashVisible(
        [&] {
            ++tests;
            return false;
        },
        std::chrono::steady_clock::now());
    EXPECT_EQ(tests, 1);
    MSG message;
    EXPECT_TRUE(PeekMessageW(&message, target, WM_USER, WM_USER, PM_NOREMOVE)) << "processed before the test";

    // The splash closes while its events are processed: the wait ends.
    frmSplash splash;
    splash.Create();
    splash.Show();
    PostMessageW(splash.controls().Handle(id::Command1), WM_CHAR, L' ', 1);
    WaitWhileSplashVisible([&] { return splash.IsVisible(); }, std::chrono::steady_clock::now(),
                           std::chrono::hours(1));
    EXPECT_FALSE(splash.IsOpen());

    // Nothing closes it: the bound ends the wait.
    frmSplash lingering;
    lingering.Create();
    lingering.Show();
    WaitWhileSplashVisible([&] { return lingering.IsVisible(); }, std::chrono::steady_clock::now(),
                           std::chrono::milliseconds(50));
    EXPECT_TRUE(lingering.IsVisible());
    DestroyWindow(target);
    DiscardQuit();
}

}  // namespace
}  // namespace marsitel::ui
