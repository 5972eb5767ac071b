// The program's entry point: the user-interface thread, its COM apartment
// for the host's automation objects, start-up, then the event loop.
#include <windows.h>

#include <optional>

#include "app/dll_search.h"
#include "app/single_instance.h"
#include "app/startup.h"
#include "shared/com.h"
#include "shared/unique_handle.h"
#include "ui/message_loop.h"
#include "ui/program_end.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    marsitel::RestrictDllSearchToSystemFolder();
    // Held until the process ends, which abandons it.
    marsitel::UniqueHandle instanceClaim;
    if (const auto exitCode = marsitel::HandOverToRunningCopy(instanceClaim)) return *exitCode;
    marsitel::ComApartment apartment;
    marsitel::ui::ProcessExit end;
    std::optional<marsitel::ProgramWindows> windows;
    try {
        marsitel::ExpectApartment(apartment);
        windows.emplace(end);
        marsitel::Main(*windows);
    } catch (...) {
        marsitel::ui::ReportCurrentException(end);
    }
    // Ended as End ends it, never by a return: the apartment's end would
    // wait for a host whose reference is still held, without the busy
    // handling and without a bound.
    end.End(static_cast<unsigned>(marsitel::ui::RunMessageLoop()));
    return 0;
}
