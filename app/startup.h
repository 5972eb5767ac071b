#pragma once
// Start-up: the splash for at most ten seconds, then the main dialog.
#include "ui/dialog.h"
#include "ui/frm_busy.h"
#include "ui/frm_splash.h"

namespace marsitel {

// The program's windows. wWinMain owns them for the whole life of the
// program, so that they are destroyed when it returns, before anything
// static is, however the program ends. The notice of a busy host serves
// every host call of the dialog's.
struct ProgramWindows {
    ProgramWindows();
    ProgramWindows(const ProgramWindows&) = delete;
    ProgramWindows& operator=(const ProgramWindows&) = delete;

    ui::frmBusy busy;
    ui::frmSplash splash;
    ui::Dialog dialog;
};

// The splash for at most ten seconds, then the main dialog, whose load step
// may end the program. Returns once the dialog is shown.
void Main(ProgramWindows& windows);

}  // namespace marsitel
