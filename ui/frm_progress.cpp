#include "ui/frm_progress.h"

#include <commctrl.h>

#include <cmath>
#include <string>

#include "shared/control_ids.h"

namespace marsitel::ui {
namespace {

// Closing is refused while the run writes to the window (see HandleMessage),
// so it is not offered either: no Close in the system menu, no close box.
const WindowClassDef kProgressWindowClass{kProgressClass, CS_NOCLOSE, COLOR_BTNFACE};
constexpr DWORD kProgressStyle = WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
constexpr DWORD kProgressExStyle = WS_EX_DLGMODALFRAME;

const ControlDef kProgressControls[] = {
    {ControlKind::SingleLine, progress_id::kAssemblyLine, {0, 0, 7335, 255}, L"", nullptr},
    {ControlKind::SingleLine, progress_id::kOccurrenceLine, {0, 360, 7335, 255}, L"", nullptr},
    {ControlKind::ProgressBar, progress_id::kBar, {0, 720, 7575, 375}, L"", nullptr},
};

const TwipsRect kProgressClientTwips{0, 0, 7665, 1230};

}  // namespace

void ProgressBar::Attach(HWND control) {
    control_ = control;
    SendMessageW(control_, PBM_SETRANGE32, 0, kSteps);
    shown_ = -1;
    Show();
}

void ProgressBar::SetMin(float value) noexcept {
    min_ = value;
    Show();
}

void ProgressBar::SetMax(float value) noexcept {
    max_ = value;
    Show();
}

void ProgressBar::SetValue(float value) noexcept {
    value_ = value;
    Show();
}

int ProgressBar::Position() const noexcept {
    const double low = min_;
    const double high = max_;
    const double value = value_;
    if (!std::isfinite(low) || !std::isfinite(high) || std::isnan(value) || !(high > low)) return 0;
    const double share = (value - low) / (high - low);
    if (!(share > 0.0)) return 0;
    if (share >= 1.0) return kSteps;
    return static_cast<int>(std::lround(share * kSteps));
}

void ProgressBar::Show() noexcept {
    if (!control_) return;
    const int position = Position();
    // Each message makes the control redraw itself: a write that does not
    // move the bar (the minimum set to 0 again, say) sends none.
    if (position == shown_) return;
    shown_ = position;
    // Visual styles let a growing bar glide towards its new position; going
    // one step past it and back shows the position at once. Only a full bar
    // needs the range widened for that step.
    const bool full = position == kSteps;
    if (full) SendMessageW(control_, PBM_SETRANGE32, 0, kSteps + 1);
    SendMessageW(control_, PBM_SETPOS, static_cast<WPARAM>(position + 1), 0);
    SendMessageW(control_, PBM_SETPOS, static_cast<WPARAM>(position), 0);
    if (full) SendMessageW(control_, PBM_SETRANGE32, 0, kSteps);
}

void frmProgress::Create() {
    // Owned by a hidden window: kept out of the taskbar with an ordinary
    // caption. The dialog places it.
    CreateForm({{&kProgressWindowClass, L"Fortschrittsanzeige", kProgressStyle, kProgressExStyle, HiddenOwnerWindow()},
                kProgressClientTwips,
                false,
                kProgressControls});
    bar_.Attach(controls_.Handle(progress_id::kBar));
}

void frmProgress::MoveTo(POINT twips) noexcept {
    if (!hwnd()) return;
    SetWindowPos(hwnd(), nullptr, layout_.Pixels(twips.x), layout_.Pixels(twips.y), 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void frmProgress::SetCaption(std::wstring_view caption) {
    if (hwnd()) SetWindowTextW(hwnd(), std::wstring(caption).c_str());
}

void frmProgress::SetAssemblyLine(std::wstring_view text) {
    if (hwnd()) controls_.SetText(progress_id::kAssemblyLine, text);
}

void frmProgress::SetOccurrenceLine(std::wstring_view text) {
    if (hwnd()) controls_.SetText(progress_id::kOccurrenceLine, text);
}

void frmProgress::Repaint() {
    if (hwnd()) {
        RedrawWindow(hwnd(), nullptr, nullptr,
                     RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
    }
}

LRESULT frmProgress::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    // The dialog closes the window after the run; closing it from its
    // title bar in between would leave the run writing to nothing.
    if (message == WM_CLOSE) return 0;
    return Form::HandleMessage(message, wParam, lParam);
}

}  // namespace marsitel::ui
