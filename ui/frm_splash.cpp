#include "ui/frm_splash.h"

#include "core/base/app_title.h"
#include "shared/control_ids.h"
#include "ui/res/resource_ids.h"

namespace marsitel::ui {
namespace {

const WindowClassDef kSplashWindowClass{kSplashClass, 0, COLOR_BTNFACE};
// A fixed dialog border without caption and control box; a tool window so
// that it stays out of the taskbar (it has no title bar to look different).
constexpr DWORD kSplashStyle = WS_POPUP | WS_DLGFRAME | WS_CLIPCHILDREN;
constexpr DWORD kSplashExStyle = WS_EX_DLGMODALFRAME | WS_EX_TOOLWINDOW | WS_EX_CONTROLPARENT;

const FontDef kArialBold12{L"Arial", 1200, FW_BOLD};
const FontDef kArialBold1575{L"Arial", 1575, FW_BOLD};
const FontDef kArialBold975{L"Arial", 975, FW_BOLD};
const FontDef kArial825{L"Arial", 825, FW_NORMAL};

using namespace splash_id;
using enum ControlKind;
using enum Align;
constexpr int kInFrame = kFrame;

// The OK button is the only control that takes the focus.
const ControlDef kSplashControls[] = {
    {Frame, kFrame, {120, 120, 5880, 3810}, L"", nullptr},
    {PushButton, kOkButton, {4440, 3360, 1335, 375}, L"OK", &kSansBold825, Left, kInFrame},
    {AutoSizeLabel, kCompanyProduct, {2520, 480, 2535, 285}, L"Unternehmen/Produkt", &kArialBold12, Left, kInFrame},
    {AutoSizeLabel, kProductName, {2520, 780, 1200, 360}, L"Produkt", &kArialBold1575, Left, kInFrame},
    {Picture, kPicture, {120, 1080, 1935, 1860}, L"", nullptr, Left, kInFrame},
    {AutoSizeLabel, kPlatform, {3180, 1440, 2475, 285}, L"Plattform", &kArialBold12, Right, kInFrame},
    {AutoSizeLabel, kVersion, {5040, 1800, 720, 240}, L"Version", &kArialBold975, Right, kInFrame},
    {Label, kCopyright, {2640, 2280, 2415, 255}, L"Freeware", &kArial825, Left, kInFrame},
    {Label, kCompany, {2640, 2520, 3135, 615}, L"Unternehmen", &kArial825, Left, kInFrame},
    {Label, kWarning, {120, 3480, 5415, 195}, L"Warnung", &kArial825, Left, kInFrame},
};

const TwipsRect kSplashClientTwips{0, 0, 6105, 4020};
// The maker's contact block: business description, team, address, each
// line ended by a lone carriage return but the last.
constexpr wchar_t kContactBlock[] = L"CAD-Automatisierung und Zubehör\rMarsitel-Team\rinfo@marsitel.example.com";

}  // namespace

void frmSplash::Create() {
    picture_.reset(static_cast<HBITMAP>(
        LoadImageW(ProgramInstance(), MAKEINTRESOURCEW(MARSITEL_IDB_SPLASH), IMAGE_BITMAP, 0, 0, LR_DEFAULTCOLOR)));
    if (!picture_) ThrowLastError();
    CreateForm(
        {{&kSplashWindowClass, L"", kSplashStyle, kSplashExStyle, nullptr}, kSplashClientTwips, true, kSplashControls});
    Form_Load();
}

bool frmSplash::IsVisible() const noexcept {
    return hwnd() && !done_ && IsWindowVisible(hwnd());
}

void frmSplash::Close() noexcept {
    done_ = true;
    if (GetForegroundWindow() != hwnd()) Destroy();
}

void frmSplash::Form_Load() {
    controls_.SetText(kVersion, std::wstring(kHostName) + L" V16");
    controls_.SetText(kProductName, kAppTitle);
    controls_.SetText(kCompany, kContactBlock);
    controls_.SetText(kCompanyProduct, std::wstring(kHostName) + L" Customizing");
    controls_.SetText(kWarning, L"Keine Gewährleistung");
    controls_.SetText(kPlatform, L"Demobeispiel für");
}

bool frmSplash::PreTranslate(MSG& message) {
    // A key that gives a character is the key press, and nothing else: the
    // focused control does not see it.
    if (message.message == WM_CHAR) {
        Form_KeyPress(static_cast<wchar_t>(message.wParam));
        return true;
    }
    if (message.message != WM_KEYDOWN) return false;
    // Whether the key gives a character is known only once it has been
    // translated; the character is taken from the queue before the focused
    // control sees the key.
    TranslateMessage(&message);
    MSG character;
    if (PeekMessageW(&character, message.hwnd, WM_CHAR, WM_CHAR, PM_REMOVE)) {
        Form_KeyPress(static_cast<wchar_t>(character.wParam));
    } else {
        DispatchMessageW(&message);
    }
    return true;
}

void frmSplash::DrawPicture(const DRAWITEMSTRUCT& item) const {
    BITMAP info{};
    GetObjectW(picture_.get(), sizeof info, &info);
    MemoryDC source(item.hDC);
    SelectedObject selected(source.get(), picture_.get());
    const RECT& box = item.rcItem;
    SetStretchBltMode(item.hDC, HALFTONE);
    SetBrushOrgEx(item.hDC, 0, 0, nullptr);
    StretchBlt(item.hDC, box.left, box.top, box.right - box.left, box.bottom - box.top, source.get(), 0, 0,
               info.bmWidth, info.bmHeight, SRCCOPY);
}

LRESULT frmSplash::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_COMMAND:
        if (HIWORD(wParam) == BN_CLICKED && LOWORD(wParam) == kOkButton)
            OkButton_Click();
        else if (HIWORD(wParam) == BN_CLICKED && LOWORD(wParam) == kFrame)
            Frame_Click();
        return 0;
    case WM_DRAWITEM: {
        const auto& item = *reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
        if (item.CtlID != static_cast<UINT>(kPicture)) break;
        DrawPicture(item);
        return TRUE;
    }
    case WM_ACTIVATE:
        // Done with, it goes once another window has the activation; the
        // close is posted, so that it comes after the activation.
        if (LOWORD(wParam) == WA_INACTIVE) {
            if (done_) PostMessageW(hwnd(), WM_CLOSE, 0, 0);
        } else {
            SetFocus(controls_.Handle(kOkButton));
        }
        return 0;
    default:
        break;
    }
    return Form::HandleMessage(message, wParam, lParam);
}

}  // namespace marsitel::ui
