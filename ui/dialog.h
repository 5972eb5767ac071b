#pragma once
// Dialog: the window through which the user works. It supplies RunOptions,
// read live from its controls, while a run lasts.
#include <cstdint>
#include <functional>
#include <string>

#include "core/progress_display.h"
#include "core/readiness.h"
#include "core/run_options.h"
#include "ui/accessible.h"
#include "ui/form.h"
#include "ui/frm_progress.h"

namespace marsitel::ui {

// What the dialog uses from outside the user interface.
struct DialogServices {
    std::function<HostReadiness()> checkHostReady;
    std::function<HostReadiness(const RunOptions&, ProgressDisplay&)> runRelationRemoval;
    std::function<void(HWND)> makeTopmost;
    PropertyServicesSource propertyServices;
};

class Dialog final : public Form, public RunOptions {
public:
    Dialog(ProgramEnd& end, DialogServices services);

    // Creates the dialog hidden and runs its load step. False when the load
    // step ended the program (the host is not ready).
    bool Create();
    void Show() noexcept { ShowWindow(hwnd(), SW_SHOW); }

    std::int16_t Level() const override;
    bool GroundAll() const override;

private:
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    bool PreTranslate(MSG& message) override;

    bool Form_Load();
    void ExecuteButton_Click();
    void EndButton_Click();
    void LevelSelector_Change();
    void OnCommand(int id, int code);
    void OnVScroll(int request, int thumbPosition);
    void OnActivate(bool active);
    void SetScrollValue(int value);

    DialogServices services_;
    frmProgress progress_;
    HWND focus_ = nullptr;
    // A run, the load step's host check or a box of theirs is under way.
    bool busy_ = false;
    std::wstring title_;
    std::wstring text_;
};

}  // namespace marsitel::ui
