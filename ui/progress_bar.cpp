#include "ui/progress_bar.h"

#include <commctrl.h>

#include <cmath>

namespace marsitel::ui {

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

}  // namespace marsitel::ui
