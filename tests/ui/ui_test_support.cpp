#include "ui_test_support.h"

#include <cstdlib>

#include "ui/message_loop.h"

namespace marsitel::ui::testing {

SeenMessageBox TheBoxTheProgramEndsWith(ProgramEndRecorder& ends, const std::function<void()>& ending) {
    const std::size_t before = ends.exitCodes().size();
    MessageBoxWatcher boxes;
    try {
        ending();
    } catch (...) {
        ReportCurrentException(ends);
    }
    EXPECT_EQ(std::vector<unsigned>(ends.exitCodes().begin() + static_cast<std::ptrdiff_t>(before), ends.exitCodes().end()),
              std::vector<unsigned>{1});
    EXPECT_EQ(boxes.boxes().size(), 1u);
    return boxes.boxes().empty() ? SeenMessageBox{} : boxes.boxes()[0];
}

RECT ClientRect(HWND window) {
    RECT rect{};
    GetClientRect(window, &rect);
    return rect;
}

::testing::AssertionResult SameRect(const RECT& actual, const RECT& expected) {
    if (EqualRect(&actual, &expected)) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "(" << actual.left << "," << actual.top << ")-(" << actual.right << ","
                                         << actual.bottom << ") instead of (" << expected.left << "," << expected.top
                                         << ")-(" << expected.right << "," << expected.bottom << ")";
}

::testing::AssertionResult CentredOnPrimaryMonitor(HWND window) {
    RECT outer{};
    GetWindowRect(window, &outer);
    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    GetMonitorInfoW(MonitorFromPoint(POINT{0, 0}, MONITOR_DEFAULTTOPRIMARY), &monitor);
    const RECT& work = monitor.rcWork;
    if (std::abs((outer.left + outer.right) - (work.left + work.right)) <= 2 &&
        std::abs((outer.top + outer.bottom) - (work.top + work.bottom)) <= 2) {
        return ::testing::AssertionSuccess();
    }
    return ::testing::AssertionFailure() << "outer (" << outer.left << "," << outer.top << ")-(" << outer.right << ","
                                         << outer.bottom << ") is not centred on the work area";
}

void Pump() {
    ProcessPendingMessages();
    DiscardQuit();
}

void DiscardQuit() {
    MSG message;
    while (PeekMessageW(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
    }
}

}  // namespace marsitel::ui::testing
