#pragma once
// Start-up: the splash for at most ten seconds, then the main dialog.
#include <windows.h>

#include <chrono>
#include <functional>

#include "shared/com.h"
#include "ui/busy_notice_window.h"
#include "ui/dialog.h"
#include "ui/frm_splash.h"

namespace marsitel {

// The program's windows. wWinMain owns them for the whole life of the
// program, which ends through `end` while they stand. The notice of a busy
// host serves every host call of the dialog's.
struct ProgramWindows {
    explicit ProgramWindows(ui::ProgramEnd& end);
    ProgramWindows(const ProgramWindows&) = delete;
    ProgramWindows& operator=(const ProgramWindows&) = delete;

    ui::BusyNoticeWindow busy;
    ui::frmSplash splash;
    ui::Dialog dialog;
};

// Every host object needs the thread's apartment: a thread that could not
// join it throws its failure, with the system's cause, as a run-time error.
void ExpectApartment(const ComApartment& apartment);

// The splash for at most ten seconds, then the main dialog, whose load step
// may end the program. Returns once the dialog is shown.
void Main(ProgramWindows& windows);

// Processes window events while fewer than `bound` has elapsed since `start`
// and `visible` holds; tests first, and rests between tests until a message
// arrives or the time is up.
void WaitWhileSplashVisible(const std::function<bool()>& visible, std::chrono::steady_clock::time_point start,
                            std::chrono::steady_clock::duration bound);

// Raises one of the program's windows above all ordinary windows and
// activates it, without moving or resizing it.
void MakeTopmost(HWND window) noexcept;

}  // namespace marsitel
