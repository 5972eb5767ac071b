#pragma once
// Helpers for the in-process window tests: message boxes observed (and
// closed) through a CBT hook, the ending of the program recorded instead of
// performed, and the rectangles and fonts of controls.
#include <windows.h>

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "message_box_watcher.h"
#include "ui/program_end.h"

namespace marsitel::ui::testing {

using marsitel::testing::MessageBoxWatcher;
using marsitel::testing::SeenMessageBox;
using marsitel::testing::TextOf;

// The program's end that records the exit codes instead.
class ProgramEndRecorder final : public ProgramEnd {
public:
    void End(unsigned exitCode) noexcept override { exitCodes_.push_back(exitCode); }
    const std::vector<unsigned>& exitCodes() const noexcept { return exitCodes_; }

private:
    std::vector<unsigned> exitCodes_;
};

// The one box shown while `ending` runs, which must end the program through
// `ends` with exit code 1; what it throws is reported as the window
// procedures do.
SeenMessageBox TheBoxTheProgramEndsWith(ProgramEndRecorder& ends, const std::function<void()>& ending);
RECT ClientRect(HWND window);
inline DWORD StyleOf(HWND window) { return static_cast<DWORD>(GetWindowLongPtrW(window, GWL_STYLE)); }
inline DWORD ExStyleOf(HWND window) { return static_cast<DWORD>(GetWindowLongPtrW(window, GWL_EXSTYLE)); }
::testing::AssertionResult SameRect(const RECT& actual, const RECT& expected);
::testing::AssertionResult CentredOnPrimaryMonitor(HWND window);
// Processes the messages pending now, without leaving a WM_QUIT behind.
void Pump();
void DiscardQuit();

}  // namespace marsitel::ui::testing
