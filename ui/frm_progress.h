#pragma once
// frmProgress: the window on screen while a run is in progress. The main
// dialog creates, places, shows and closes it; the removal logic writes it
// through ProgressDisplay.
#include <string_view>

#include "core/progress_display.h"
#include "ui/form.h"
#include "ui/progress_bar.h"

namespace marsitel::ui {

class frmProgress final : public Form, public ProgressDisplay {
public:
    using Form::Form;

    // Creates the window hidden, in its design state.
    void Create();

    // Places the window's outer top-left corner, in twips from the screen's.
    void MoveTo(POINT twips) noexcept;
    void SetCaption(std::wstring_view caption);
    void Show();

    void SetBarMin(float value) override;
    void SetBarMax(float value) override;
    void SetBarValue(float value) override;
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
