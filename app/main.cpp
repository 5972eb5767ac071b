// The program's entry point: the user-interface thread, its COM apartment
// for the host's automation objects, start-up, then the event loop.
#include "app/single_instance.h"
#include "app/startup.h"
#include "shared/com.h"
#include "ui/message_loop.h"
#include "ui/program_end.h"

#include <windows.h>

#include <optional>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    if (marsitel::HandedOverToRunningCopy()) return 0;
    marsitel::ComApartment apartment;
    std::optional<marsitel::ProgramWindows> windows;
    try {
        windows.emplace();
        marsitel::Main(*windows);
    } catch (...) {
        marsitel::ui::ReportCurrentException();
    }
    return marsitel::ui::RunMessageLoop();
}
