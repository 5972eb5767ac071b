#include "ui/controls.h"

#include <commctrl.h>
#include <windowsx.h>

#include "core/base/error.h"
#include "ui/window.h"

namespace marsitel::ui {

const FontDef kSansBold825{L"MS Sans Serif", 825, FW_BOLD};

std::wstring ExpandLoneCarriageReturns(std::wstring_view text) {
    std::wstring expanded;
    expanded.reserve(text.size() + 8);
    for (std::size_t i = 0; i < text.size(); ++i) {
        expanded.push_back(text[i]);
        if (text[i] == L'\r' && (i + 1 == text.size() || text[i + 1] != L'\n')) expanded.push_back(L'\n');
    }
    return expanded;
}

namespace {

// The standard font of the program's windows.
const FontDef kStandardFont{L"MS Sans Serif", 825, FW_NORMAL};
constexpr int kLineThicknessPixels = 2;
// The window class of frames; a click on a frame's bare surface reaches its
// parent as WM_COMMAND with BN_CLICKED and the frame's id.
constexpr wchar_t kFrameClass[] = L"Marsitel.Frame";

std::wstring WindowText(HWND window) {
    const int length = GetWindowTextLengthW(window);
    std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
    const int copied = GetWindowTextW(window, text.data(), length + 1);
    text.resize(static_cast<std::size_t>(copied > 0 ? copied : 0));
    return text;
}

// Bitmap faces of the design, with a few fixed sizes drawn for 96 DPI, and
// their TrueType twins of the same metrics, which scale cleanly.
const struct {
    const wchar_t* bitmap;
    const wchar_t* trueType;
} kScalableTwins[] = {
    {L"MS Sans Serif", L"Microsoft Sans Serif"},
};

// The face a font of the design is drawn with: as designed at 96 DPI, a
// bitmap face's TrueType twin at any other DPI.
const wchar_t* FaceAt(const wchar_t* face, const Layout& layout) noexcept {
    if (layout.dpi() == kDesignDpi) return face;
    for (const auto& twin : kScalableTwins) {
        if (lstrcmpiW(face, twin.bitmap) == 0) return twin.trueType;
    }
    return face;
}

UniqueFont CreateFontFromDef(const FontDef& def, const Layout& layout) {
    LOGFONTW font{};
    font.lfHeight = layout.FontHeight(def.hundredthsOfPoint);
    font.lfWeight = def.weight;
    font.lfCharSet = ANSI_CHARSET;
    font.lfOutPrecision = OUT_DEFAULT_PRECIS;
    font.lfClipPrecision = CLIP_DEFAULT_PRECIS;
    font.lfQuality = DEFAULT_QUALITY;
    font.lfPitchAndFamily = DEFAULT_PITCH | FF_SWISS;
    lstrcpynW(font.lfFaceName, FaceAt(def.face, layout), LF_FACESIZE);
    UniqueFont created(CreateFontIndirectW(&font));
    if (!created) ThrowLastError();
    return created;
}

struct ControlClass {
    const wchar_t* className;
    DWORD style;
    DWORD exStyle;
};

ControlClass ClassFor(const ControlDef& def) {
    constexpr DWORD kChild = WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS;
    // Labels take clicks themselves (SS_NOTIFY), so that a click on a label
    // is not passed through to the frame below it.
    constexpr DWORD kLabel = kChild | SS_OWNERDRAW | SS_NOTIFY;
    switch (def.kind) {
    case ControlKind::Label:
    case ControlKind::AutoSizeLabel:
        return {WC_STATICW, kLabel, 0};
    case ControlKind::SingleLine:
        return {WC_STATICW, kChild | SS_LEFTNOWORDWRAP | SS_NOPREFIX, 0};
    case ControlKind::Line:
        return {WC_STATICW, kChild | SS_OWNERDRAW, 0};
    case ControlKind::TextBox:
        // Shown, never read: typing there would suggest an effect it has not.
        return {WC_EDITW, kChild | WS_TABSTOP | ES_AUTOHSCROLL | ES_READONLY, WS_EX_CLIENTEDGE};
    case ControlKind::VScrollBar:
        return {WC_SCROLLBARW, kChild | WS_TABSTOP | SBS_VERT, 0};
    case ControlKind::CheckBox:
        return {WC_BUTTONW, kChild | WS_TABSTOP | BS_AUTOCHECKBOX | BS_MULTILINE, 0};
    case ControlKind::PushButton:
        return {WC_BUTTONW, kChild | WS_TABSTOP | BS_PUSHBUTTON, 0};
    case ControlKind::Frame:
        return {kFrameClass, kChild | WS_CLIPCHILDREN, WS_EX_CONTROLPARENT};
    case ControlKind::Picture:
        return {WC_STATICW, kChild | SS_OWNERDRAW | SS_NOTIFY, 0};
    case ControlKind::ProgressBar:
        return {PROGRESS_CLASSW, kChild, 0};
    }
    return {WC_STATICW, kChild, 0};
}

RECT PixelBox(const ControlDef& def, const Layout& layout) {
    RECT box = layout.Rect(def.box);
    if (def.kind == ControlKind::Line) box.bottom = box.top + kLineThicknessPixels;
    return box;
}

bool IsOwnerDrawnLabel(ControlKind kind) {
    return kind == ControlKind::Label || kind == ControlKind::AutoSizeLabel;
}

LRESULT CALLBACK FrameProcedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) noexcept {
    switch (message) {
    case WM_COMMAND:
    case WM_DRAWITEM:
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLOREDIT:
        // The controls inside the frame belong to the frame's window.
        return SendMessageW(GetParent(hwnd), message, wParam, lParam);
    case WM_LBUTTONDOWN:
        SetCapture(hwnd);
        return 0;
    case WM_LBUTTONUP: {
        if (GetCapture() != hwnd) return 0;
        ReleaseCapture();
        RECT client;
        GetClientRect(hwnd, &client);
        const POINT point{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
        if (PtInRect(&client, point)) {
            SendMessageW(GetParent(hwnd), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(hwnd), BN_CLICKED),
                         reinterpret_cast<LPARAM>(hwnd));
        }
        return 0;
    }
    case WM_PAINT: {
        PAINTSTRUCT paint;
        const HDC dc = BeginPaint(hwnd, &paint);
        RECT client;
        GetClientRect(hwnd, &client);
        DrawEdge(dc, &client, EDGE_ETCHED, BF_RECT);
        EndPaint(hwnd, &paint);
        return 0;
    }
    default:
        return DefWindowProcW(hwnd, message, wParam, lParam);
    }
}

void RegisterFrameClass() {
    static const WindowClassDef kFrame{kFrameClass, CS_HREDRAW | CS_VREDRAW, COLOR_BTNFACE};
    RegisterWindowClass(kFrame, FrameProcedure);
}

}  // namespace

HFONT ControlSet::FontFor(const FontDef* def, const Layout& layout) {
    const FontDef* key = def ? def : &kStandardFont;
    auto found = fonts_.find(key);
    if (found == fonts_.end()) found = fonts_.emplace(key, CreateFontFromDef(*key, layout)).first;
    return found->second.get();
}

void ControlSet::Create(HWND window, std::span<const ControlDef> table, const Layout& layout) {
    table_ = table;
    static const bool commonControls = [] {
        const INITCOMMONCONTROLSEX classes{sizeof(INITCOMMONCONTROLSEX), ICC_STANDARD_CLASSES | ICC_PROGRESS_CLASS};
        return InitCommonControlsEx(&classes) != FALSE;
    }();
    (void)commonControls;
    RegisterFrameClass();
    for (const ControlDef& def : table) {
        const ControlClass controlClass = ClassFor(def);
        const HWND parent = def.parentId ? Handle(def.parentId) : window;
        const RECT box = PixelBox(def, layout);
        const HWND control =
            CreateWindowExW(controlClass.exStyle, controlClass.className, def.text ? def.text : L"", controlClass.style,
                            box.left, box.top, box.right - box.left, box.bottom - box.top, parent,
                            reinterpret_cast<HMENU>(static_cast<INT_PTR>(def.id)), ProgramInstance(), nullptr);
        if (!control) ThrowLastError();
        handles_[def.id] = control;
        SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(FontFor(def.font, layout)), FALSE);
        if (def.kind == ControlKind::AutoSizeLabel) FitToText(def.id);
    }
}

HFONT ControlSet::StoredFont(const ControlDef& def) const noexcept {
    const auto found = fonts_.find(def.font ? def.font : &kStandardFont);
    return found == fonts_.end() ? nullptr : found->second.get();
}

HWND ControlSet::Handle(int id) const noexcept {
    const auto found = handles_.find(id);
    return found == handles_.end() ? nullptr : found->second;
}

const ControlDef* ControlSet::Def(int id) const noexcept {
    for (const ControlDef& def : table_) {
        if (def.id == id) return &def;
    }
    return nullptr;
}

void ControlSet::SetText(int id, std::wstring_view text) {
    const HWND control = Handle(id);
    if (!control) throw Error(error_number::kTypeMismatch, L"Unbekanntes Steuerelement");
    const std::wstring copy(text);
    if (!SetWindowTextW(control, copy.c_str())) ThrowLastError();
    const ControlDef* def = Def(id);
    if (def && def->kind == ControlKind::AutoSizeLabel) FitToText(id);
    if (def && IsOwnerDrawnLabel(def->kind)) InvalidateRect(control, nullptr, TRUE);
}

void ControlSet::FitToText(int id) {
    const HWND control = Handle(id);
    const ControlDef* def = Def(id);
    RECT extent{0, 0, 0, 0};
    {
        const WindowDC dc(control);
        if (!dc.get()) ThrowLastError();
        SelectedObject font(dc.get(), StoredFont(*def));
        const std::wstring text = ExpandLoneCarriageReturns(WindowText(control));
        DrawTextW(dc.get(), text.c_str(), -1, &extent, DT_CALCRECT | DT_NOPREFIX | DT_EXPANDTABS);
    }
    RECT box;
    GetWindowRect(control, &box);
    MapWindowPoints(nullptr, GetParent(control), reinterpret_cast<POINT*>(&box), 2);
    const int width = extent.right - extent.left;
    const int left = def->align == Align::Right ? box.right - width : box.left;
    SetWindowPos(control, nullptr, left, box.top, width, extent.bottom - extent.top, SWP_NOZORDER | SWP_NOACTIVATE);
}

bool ControlSet::DrawItem(const DRAWITEMSTRUCT& item) const {
    const ControlDef* def = Def(static_cast<int>(item.CtlID));
    if (!def || item.hwndItem != Handle(def->id)) return false;
    if (def->kind == ControlKind::Line) {
        RECT line = item.rcItem;
        DrawEdge(item.hDC, &line, EDGE_ETCHED, BF_TOP);
        return true;
    }
    if (!IsOwnerDrawnLabel(def->kind)) return false;
    FillRect(item.hDC, &item.rcItem, GetSysColorBrush(COLOR_BTNFACE));
    const std::wstring text = ExpandLoneCarriageReturns(WindowText(item.hwndItem));
    SelectedObject font(item.hDC, StoredFont(*def));
    SetBkMode(item.hDC, TRANSPARENT);
    SetTextColor(item.hDC, GetSysColor(COLOR_BTNTEXT));
    RECT box = item.rcItem;
    const UINT alignment = def->align == Align::Right ? DT_RIGHT : DT_LEFT;
    DrawTextW(item.hDC, text.c_str(), -1, &box, DT_WORDBREAK | DT_NOPREFIX | DT_EXPANDTABS | alignment);
    return true;
}

}  // namespace marsitel::ui
