#include "app/splash_wait.h"
#include "ui/control_ids.h"
#include "ui/frm_splash.h"
#include "ui/res/resource_ids.h"
#include "ui_test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

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

TEST_F(SplashTest, ClientFrameAndFixedControlsLandOnTheTableTwipsAt96Dpi) {
    const RECT client = ClientRect(splash->hwnd());
    EXPECT_EQ(client.right, 407);
    EXPECT_EQ(client.bottom, 268);
    ASSERT_NE(Frame(), nullptr);
    for (const ControlSpec& spec : SplashControls()) {
        if (spec.kind == ControlKind::AutoSizeLabel) continue;
        SCOPED_TRACE(spec.id);
        const RECT expected = TwipsAt96(spec.box.left, spec.box.top, spec.box.width, spec.box.height);
        const HWND control = Control(spec.id);
        EXPECT_EQ(GetParent(control), spec.parentId ? Frame() : splash->hwnd());
        const RECT actual = RectInParent(control);
        EXPECT_EQ(actual.left, expected.left);
        EXPECT_EQ(actual.top, expected.top);
        EXPECT_EQ(actual.right, expected.right);
        EXPECT_EQ(actual.bottom, expected.bottom);
    }
    // The picture box is the image's size: 129 by 124 pixels.
    const RECT picture = RectInParent(Control(id::Picture1));
    EXPECT_EQ(picture.right - picture.left, 129);
    EXPECT_EQ(picture.bottom - picture.top, 124);
}

TEST_F(SplashTest, LabelsSizedToTheirTextKeepTheirAlignedEdge) {
    const int leftAligned[] = {id::lblCompanyProduct, id::lblProductName};
    for (int label : leftAligned) {
        const ControlSpec* spec = splash->controls().Spec(label);
        EXPECT_EQ(RectInParent(Control(label)).left, spec->box.left / 15) << label;
        EXPECT_EQ(RectInParent(Control(label)).top, spec->box.top / 15) << label;
    }
    const int rightAligned[] = {id::lblPlatform, id::lblVersion};
    for (int label : rightAligned) {
        const ControlSpec* spec = splash->controls().Spec(label);
        const RECT box = RectInParent(Control(label));
        EXPECT_EQ(box.right, (spec->box.left + spec->box.width) / 15) << label;
        EXPECT_GT(box.right - box.left, 20) << label;
    }
    // Everything stays inside the frame.
    const RECT frame = ClientRect(Frame());
    for (const ControlSpec& spec : SplashControls()) {
        if (!spec.parentId) continue;
        const RECT box = RectInParent(Control(spec.id));
        EXPECT_GE(box.left, 0) << spec.id;
        EXPECT_LE(box.right, frame.right) << spec.id;
        EXPECT_LE(box.bottom, frame.bottom) << spec.id;
    }
}

TEST_F(SplashTest, LoadStepFillsTheTexts) {
    EXPECT_EQ(TextOf(Control(id::lblVersion)), L"Solid Edge V16");
    EXPECT_EQ(TextOf(Control(id::lblProductName)), L"Marsitel");
    EXPECT_EQ(TextOf(Control(id::lblCompanyProduct)), L"Solid Edge Customizing");
    EXPECT_EQ(TextOf(Control(id::lblWarning)), L"Keine Gewährleistung");
    EXPECT_EQ(TextOf(Control(id::lblPlatform)), L"Demobeispiel für");
    EXPECT_EQ(TextOf(Control(id::Command1)), L"OK");
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
    RECT outer;
    GetWindowRect(splash->hwnd(), &outer);
    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    GetMonitorInfoW(MonitorFromPoint(POINT{0, 0}, MONITOR_DEFAULTTOPRIMARY), &monitor);
    EXPECT_NEAR((outer.left + outer.right) / 2, (monitor.rcWork.left + monitor.rcWork.right) / 2, 1);
    EXPECT_NEAR((outer.top + outer.bottom) / 2, (monitor.rcWork.top + monitor.rcWork.bottom) / 2, 1);

    const LOGFONTW product = FontOf(Control(id::lblProductName));
    EXPECT_STREQ(product.lfFaceName, L"Arial");
    EXPECT_EQ(product.lfHeight, -21);
    EXPECT_EQ(product.lfWeight, FW_BOLD);
    const LOGFONTW company = FontOf(Control(id::lblCompany));
    EXPECT_EQ(company.lfHeight, -11);
    EXPECT_EQ(company.lfWeight, FW_NORMAL);
    EXPECT_EQ(FontOf(Control(id::lblVersion)).lfHeight, -13);
    EXPECT_EQ(FontOf(Control(id::Command1)).lfWeight, FW_BOLD);
    EXPECT_EQ(GetFocus(), Control(id::Command1));
}

class SplashCharacterKeyTest : public SplashTest, public ::testing::WithParamInterface<WPARAM> {};

TEST_P(SplashCharacterKeyTest, ClosesTheSplashBeforeTheButtonSeesIt) {
    ASSERT_EQ(GetFocus(), Control(id::Command1));
    PressKey(GetParam());
    EXPECT_FALSE(splash->IsOpen());
    EXPECT_FALSE(splash->IsVisible());
}

INSTANTIATE_TEST_SUITE_P(Keys, SplashCharacterKeyTest,
                         ::testing::Values(VK_RETURN, VK_ESCAPE, VK_SPACE, VK_BACK, WPARAM{'A'}, WPARAM{'7'}));

class SplashSilentKeyTest : public SplashTest, public ::testing::WithParamInterface<WPARAM> {};

TEST_P(SplashSilentKeyTest, LeavesTheSplashOpen) {
    PressKey(GetParam());
    EXPECT_TRUE(splash->IsVisible());
}

INSTANTIATE_TEST_SUITE_P(Keys, SplashSilentKeyTest,
                         ::testing::Values(VK_LEFT, VK_DOWN, VK_F1, VK_F5, VK_SHIFT, VK_CONTROL));

TEST_F(SplashTest, CharacterSentStraightToTheButtonAlsoCloses) {
    PostMessageW(Control(id::Command1), WM_CHAR, L'x', 1);
    Pump();
    EXPECT_FALSE(splash->IsOpen());
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

TEST_F(SplashTest, OkButtonCloses) {
    SendMessageW(Control(id::Command1), BM_CLICK, 0, 0);
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
