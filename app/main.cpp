// The program's entry point: the user-interface thread, its COM apartment
// for the host's automation objects, start-up, then the event loop.
#include "app/single_instance.h"
#include "app/startup.h"
#include "ui/message_loop.h"
#include "ui/program_end.h"

#include <objbase.h>
#include <windows.h>

namespace {

class ComApartment {
public:
    ComApartment() noexcept : result_(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)) {}
    ~ComApartment() {
        if (SUCCEEDED(result_)) CoUninitialize();
    }
    ComApartment(const ComApartment&) = delete;
    ComApartment& operator=(const ComApartment&) = delete;

private:
    HRESULT result_;
};

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    if (marsitel::HandedOverToRunningCopy()) return 0;
    ComApartment apartment;
    try {
        marsitel::Main();
    } catch (...) {
        marsitel::ui::ReportCurrentException();
    }
    return marsitel::ui::RunMessageLoop();
}
