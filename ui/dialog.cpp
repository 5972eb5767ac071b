#include "ui/dialog.h"

#include <exception>

#include "shared/control_ids.h"
#include "ui/accessible.h"
#include "ui/message_box.h"
#include "ui/program_end.h"

namespace marsitel::ui {
namespace {

const WindowClassDef kDialogWindowClass{kDialogClass, 0, COLOR_BTNFACE};
constexpr DWORD kDialogStyle = WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
constexpr DWORD kDialogExStyle = WS_EX_DLGMODALFRAME | WS_EX_APPWINDOW | WS_EX_CONTROLPARENT;

const FontDef kSansBold12{L"MS Sans Serif", 1200, FW_BOLD};

using namespace dialog_id;
using enum ControlKind;

// Creation order is the tab order: the level selector, the delete option,
// Execute, End, the level's text, the ground option; the labels and lines
// take no focus.
const TwipsRect kDialogClientTwips{0, 0, 7530, 5385};

const ControlDef kDialogControls[] = {
    {VScrollBar, kLevelSelector, {1560, 2400, 255, 375}, L"", nullptr},
    {CheckBox, kDeleteOption, {1080, 3240, 2895, 615}, L"Alle Beziehungen löschen.", nullptr},
    {PushButton, kExecuteButton, {840, 4440, 1695, 375}, L"Ausführen", &kSansBold825},
    {PushButton, kEndButton, {3000, 4440, 1695, 375}, L"Ende", &kSansBold825},
    {TextBox, kLevelText, {960, 2400, 615, 375}, L"Text3", nullptr},
    {CheckBox, kGroundOption, {1080, 3720, 2895, 615}, L"Alle Teile fixieren", nullptr},
    {Label, kExplanation, {240, 120, 7215, 1455}, L"Label9", nullptr},
    {Line, kUpperLine, {120, 1680, 7320, 0}, L"", nullptr},
    {Label, kStepOneNumber, {240, 1800, 255, 375}, L"1.", &kSansBold12},
    {Label,
     kLevelQuestion,
     {840, 1800, 5055, 495},
     L"Wieviele Baugruppenebenen wollen sie Berücksichtigen?  1 = nur oberste Ebene",
     &kSansBold825},
    {Line, kLowerLine, {120, 2880, 7320, 0}, L"", nullptr},
    {Label, kStepTwoNumber, {240, 3000, 255, 255}, L"2.", &kSansBold12},
    {Label, kDeleteQuestion, {840, 3000, 5055, 255}, L"Welche Beziehungen sollen gelöscht werden?", &kSansBold825},
    {Label, kStatusLine, {120, 4920, 7335, 255}, L"", nullptr},
};

// Keeps the dialog busy for as long as it lives. Left by an exception, it
// leaves the dialog busy for good: the error report or warning that follows
// ends the program, and nothing sent to the dialog meanwhile may start.
class BusyScope {
public:
    explicit BusyScope(bool& busy) noexcept : busy_(busy), exceptions_(std::uncaught_exceptions()) { busy_ = true; }
    ~BusyScope() { busy_ = std::uncaught_exceptions() > exceptions_; }
    BusyScope(const BusyScope&) = delete;
    BusyScope& operator=(const BusyScope&) = delete;

private:
    bool& busy_;
    int exceptions_;
};

// The scroll bar's position runs from top to bottom; the level runs the other
// way, so that the up arrow raises it.
int LevelFromPosition(int position) {
    return kLowestLevel + kAllLevels - position;
}
int PositionFromLevel(int level) {
    return kLowestLevel + kAllLevels - level;
}

// The level as the dialog shows it.
std::wstring LevelText(int level) {
    return level == kAllLevels ? L"Alle" : std::to_wstring(level);
}

// Screen readers find no label for the level selector (its question is
// drawn by the dialog), and the scroll bar's own value would be its inverted
// position: both name the selector, and the scroll bar tells the level as
// the text box shows it.
std::wstring LevelTextOf(HWND scrollBar) {
    return LevelText(LevelFromPosition(GetScrollPos(scrollBar, SB_CTL)));
}

const struct {
    int id;
    AccessibleAnnotation annotation;
} kAnnotations[] = {
    {kLevelSelector, {L"Baugruppenebenen", &LevelTextOf}},
    {kLevelText, {L"Baugruppenebenen", nullptr}},
};

}  // namespace

Dialog::Dialog(ProgramEnd& end, DialogServices services) : Form(end), services_(std::move(services)), progress_(end) {}

bool Dialog::Create() {
    CreateForm({{&kDialogWindowClass, L"Beziehungen setzen", kDialogStyle, kDialogExStyle, nullptr},
                kDialogClientTwips,
                true,
                kDialogControls});
    const HWND scrollBar = controls_.Handle(kLevelSelector);
    SetScrollRange(scrollBar, SB_CTL, kLowestLevel, kAllLevels, FALSE);
    SetScrollPos(scrollBar, SB_CTL, PositionFromLevel(kLowestLevel), TRUE);
    const auto services = services_.propertyServices();
    for (const auto& entry : kAnnotations) Annotate(controls_.Handle(entry.id), entry.annotation, services);
    focus_ = scrollBar;
    return Form_Load();
}

bool Dialog::Form_Load() {
    title_ = L"Offsetwerte in Baugruppen ändern";
    text_ =
        L"Dieses Programm löscht alle Beziehungen in Baugruppen und setzt eine Fixiert-Beziehung, falls "
        L"gewünscht. ";
    text_ += L"\r";
    text_ += L"\rDas Programm wurde in diese Version nicht mit anpassbaren Baugruppen getestet";
    text_ += L"\rKeine Gewährleistung ";
    // The check waits for the host, and a click sent to the hidden dialog
    // meanwhile would start a run inside that wait.
    const bool ready = [this] {
        const BusyScope busy(busy_);
        return WarnUnlessReady(services_.checkHostReady());
    }();
    if (!ready) {
        end_.End(0);
        return false;
    }
    if (!SetWindowTextW(hwnd(), title_.c_str())) ThrowLastError();
    controls_.SetText(kExplanation, text_);
    controls_.SetText(kLevelText, std::to_wstring(Level()));
    return true;
}

std::int16_t Dialog::Level() const {
    const int position = GetScrollPos(controls_.Handle(kLevelSelector), SB_CTL);
    return static_cast<std::int16_t>(LevelFromPosition(position));
}

bool Dialog::GroundAll() const {
    return IsDlgButtonChecked(hwnd(), kGroundOption) != BST_UNCHECKED;
}

void Dialog::LevelSelector_Change() {
    controls_.SetText(kLevelText, LevelText(Level()));
}

void Dialog::ExecuteButton_Click() {
    const BusyScope busy(busy_);
    if (IsDlgButtonChecked(hwnd(), kDeleteOption) == BST_UNCHECKED) {
        MessageBoxW(hwnd(), L"Sie müssen die Option zum Löschen der Beziehungen aktivieren.", title_.c_str(),
                    MB_ICONEXCLAMATION | MB_OK);
        return;
    }
    ShowWindow(hwnd(), SW_HIDE);
    progress_.Create();
    progress_.MoveTo(kProgressCornerTwips);
    progress_.SetAssemblyLine(L"");
    progress_.SetOccurrenceLine(L"");
    progress_.SetBarValue(0.0f);
    progress_.SetCaption(title_);
    progress_.Show();
    services_.makeTopmost(progress_.hwnd());
    WarnUnlessReady(services_.runRelationRemoval(*this, progress_));
    progress_.Destroy();
    controls_.SetText(kStatusLine, L"Verarbeitung abgeschlossen. Nochmal oder zurücksetzen?");
    // A key or click that was queued while the run kept the thread busy
    // would otherwise reach the dialog once it is back, where the focus
    // rests on Execute, and start a second run unseen.
    DiscardPendingInput();
    ShowWindow(hwnd(), SW_SHOW);
}

void Dialog::EndButton_Click() {
    end_.End(0);
}

void Dialog::SetScrollValue(int level) {
    if (level < kLowestLevel) level = kLowestLevel;
    if (level > kAllLevels) level = kAllLevels;
    if (level == Level()) return;
    SetScrollPos(controls_.Handle(kLevelSelector), SB_CTL, PositionFromLevel(level), TRUE);
    LevelSelector_Change();
}

void Dialog::OnVScroll(int request, int thumbPosition) {
    switch (request) {
    case SB_LINEUP:
    case SB_PAGEUP:
        SetScrollValue(Level() + 1);
        break;
    case SB_LINEDOWN:
    case SB_PAGEDOWN:
        SetScrollValue(Level() - 1);
        break;
    case SB_TOP:
        SetScrollValue(kAllLevels);
        break;
    case SB_BOTTOM:
        SetScrollValue(kLowestLevel);
        break;
    case SB_THUMBPOSITION:
        SetScrollValue(LevelFromPosition(thumbPosition));
        break;
    default:
        break;
    }
}

void Dialog::OnCommand(int id, int code) {
    // A tool that drives the dialog from another thread sends its clicks.
    // Windows refuses a synchronous COM call made while a message sent from
    // another thread is handled, and the sender would wait for the whole
    // run: the sender is answered first.
    if (InSendMessage()) ReplyMessage(0);
    // The dialog is hidden while a run lasts, but a click can still be sent
    // to its buttons (UI automation does that): neither a second run nor the
    // program's end may start inside a run.
    if (busy_) return;
    switch (id) {
    case kExecuteButton:
        if (code == BN_CLICKED) ExecuteButton_Click();
        break;
    case kEndButton:
        if (code == BN_CLICKED) EndButton_Click();
        break;
    case IDOK: {
        // Enter with no default button: the focused button is pressed.
        const HWND focus = GetFocus();
        if (focus == controls_.Handle(kExecuteButton) || focus == controls_.Handle(kEndButton)) {
            SendMessageW(focus, BM_CLICK, 0, 0);
        }
        break;
    }
    default:
        break;
    }
}

void Dialog::OnActivate(bool active) {
    if (!active) {
        const HWND focus = GetFocus();
        if (focus && IsChild(hwnd(), focus)) focus_ = focus;
        return;
    }
    if (focus_ && IsWindow(focus_)) SetFocus(focus_);
}

bool Dialog::PreTranslate(MSG& message) {
    return IsDialogMessageW(hwnd(), &message) != FALSE;
}

LRESULT Dialog::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_COMMAND:
        OnCommand(LOWORD(wParam), HIWORD(wParam));
        return 0;
    case WM_VSCROLL:
        if (reinterpret_cast<HWND>(lParam) == controls_.Handle(kLevelSelector)) {
            OnVScroll(LOWORD(wParam), static_cast<short>(HIWORD(wParam)));
        }
        return 0;
    case WM_CTLCOLORSTATIC:
        // The level box is read-only but should look like a text box.
        if (reinterpret_cast<HWND>(lParam) == controls_.Handle(kLevelText)) {
            const HDC dc = reinterpret_cast<HDC>(wParam);
            SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
            SetBkColor(dc, GetSysColor(COLOR_WINDOW));
            return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_WINDOW));
        }
        break;
    case WM_ACTIVATE:
        OnActivate(LOWORD(wParam) != WA_INACTIVE);
        return 0;
    case WM_SETFOCUS:
        if (focus_ && IsWindow(focus_)) SetFocus(focus_);
        return 0;
    case WM_CLOSE:
        // Not while a run writes through the dialog's options and windows;
        // otherwise as End: the program's end is ExitProcess, never the
        // return from wWinMain.
        if (!busy_) EndButton_Click();
        return 0;
    case WM_DESTROY:
        // The dialog is the program's last window.
        PostQuitMessage(0);
        return 0;
    default:
        break;
    }
    return Form::HandleMessage(message, wParam, lParam);
}

}  // namespace marsitel::ui
