#pragma once
// The common controls' progress bar behind the single-precision minimum,
// maximum and value that the progress display is written with. It accepts
// every value: the bar shows the value's share of the range, clamped to
// empty and full; a range whose maximum is not above its minimum, and a
// value that is not a number, show an empty bar. The values themselves are
// kept as written, so a value outside its range for a moment is shown right
// as soon as the range fits it again.
#include <windows.h>

namespace marsitel::ui {

class ProgressBar {
public:
    void Attach(HWND control);
    void SetMin(float value) noexcept;
    void SetMax(float value) noexcept;
    void SetValue(float value) noexcept;

private:
    // The control's own steps, fine enough that every whole value of a
    // realistic occurrence count has its own position.
    static constexpr int kSteps = 10000;

    // The position shown, 0 to kSteps.
    int Position() const noexcept;
    void Show() noexcept;

    HWND control_ = nullptr;
    float min_ = 0.0f;
    float max_ = 100.0f;
    float value_ = 0.0f;
    int shown_ = -1;  // the control's position, -1 before the first write
};

}  // namespace marsitel::ui
