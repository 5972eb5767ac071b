#pragma once
// frmProgress: the window on screen while a run is in progress. The main
// dialog creates, places, shows and closes it; the removal logic writes it
// through ProgressDisplay.
#include <string_view>

#include "core/progress_display.h"
#include "ui/form.h"

namespace marsitel::ui {

// The common controls' progress bar behind the single-precision minimum,
// maximum and value that the progress display is written with. It accepts
// every value: the bar shows the value's share of the range, clamped to
// empty and full; a range whose maximum is not above its minimum, and a
// value that is not a number, show an empty bar. The values themselves are
// kept as written, so a value outside its range for a moment is shown right
// as soon as the range fits it again.
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

class frmProgress final : public Form, public ProgressDisplay {
public:
    using Form::Form;

    // Creates the window hidden, in its design state.
    void Create();

    // Places the window's outer top-left corner, in twips from the screen's.
    void MoveTo(POINT twips) noexcept;
    void SetCaption(std::wstring_view caption);
    void Show() noexcept { ShowWindow(hwnd(), SW_SHOW); }

    void SetBarMin(float value) override { bar_.SetMin(value); }
    void SetBarMax(float value) override { bar_.SetMax(value); }
    void SetBarValue(float value) override { bar_.SetValue(value); }
    void SetAssemblyLine(std::wstring_view text) override;
    void SetOccurrenceLine(std::wstring_view text) override;
    void Repaint() override;

private:
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

    ProgressBar bar_;
};

// Where the dialog puts the progress window's outer top-left corner during a
// run.
inline constexpr POINT kProgressCornerTwips{1500, 1500};

}  // namespace marsitel::ui
