// The program's entry point: the user-interface thread, its COM apartment
// for the host's automation objects, start-up, then the event loop.
#include <windows.h>

#include <optional>

#include "app/single_instance.h"
#include "app/startup.h"
#include "shared/com.h"
#include "shared/unique_handle.h"
#include "ui/message_loop.h"
#include "ui/program_end.h"

namespace {

// A DLL beside the program would otherwise run in our process. The program
// runs from the folder its archive was unpacked into, typically Downloads,
// where any file can lie; system code loads DLLs by bare name well after the
// start, and Windows looks for them in the program's folder first.
// SetDefaultDllDirectories is looked up at run time because a Windows 7
// without update KB2533623 lacks it; there the program starts unrestricted.
void RestrictDllSearchToSystemFolder() noexcept {
    using SetDefaultDllDirectoriesFunction = BOOL(WINAPI*)(DWORD);
    const HMODULE kernel32 = GetModuleHandleW(L"kernel32.dll");
    if (!kernel32) return;
    const auto setDefaultDllDirectories = reinterpret_cast<SetDefaultDllDirectoriesFunction>(
        reinterpret_cast<void*>(GetProcAddress(kernel32, "SetDefaultDllDirectories")));
    if (setDefaultDllDirectories) setDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    RestrictDllSearchToSystemFolder();
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
