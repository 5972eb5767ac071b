// The program's entry point: the user-interface thread, its COM apartment
// for the host's automation objects, start-up, then the event loop.
#include "app/single_instance.h"
#include "app/startup.h"
#include "core/host/com_apartment.h"
#include "ui/message_loop.h"
#include "ui/program_end.h"

#include <windows.h>

#include <optional>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    if (marsitel::HandedOverToRunningCopy()) return 0;
    marsitel::host::ComApartment apartment;
    std::optional<marsitel::ProgramWindows> windows;
    try {
        windows.emplace();
        marsitel::Main(*windows);
    } catch (...) {
        marsitel::ui::ReportCurrentException();
    }
    return marsitel::ui::RunMessageLoop();
}
