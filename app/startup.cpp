#include "app/startup.h"

#include "app/topmost.h"
#include "app/splash_wait.h"
#include "core/error.h"
#include "core/host/busy_host.h"
#include "core/readiness.h"
#include "core/removal.h"
#include "ui/dialog.h"
#include "ui/frm_splash.h"

namespace marsitel {

ProgramWindows::ProgramWindows() : dialog(ui::DialogServices{&CheckHostReady, &RunRelationRemoval, &MakeTopmost}) {
    host::SetBusyNotice(&busy);
}

ProgramWindows::~ProgramWindows() {
    host::SetBusyNotice(nullptr);
}

void ExpectApartment(const ComApartment& apartment) {
    const HRESULT status = apartment.result();
    if (FAILED(status)) {
        throw Error(static_cast<std::int32_t>(status), L"COM ließ sich nicht starten: " + SystemErrorText(status));
    }
}

void Main(ProgramWindows& windows) {
    ui::frmSplash& splash = windows.splash;
    splash.Create();
    splash.Show();
    MakeTopmost(splash.hwnd());
    const auto start = std::chrono::steady_clock::now();
    WaitWhileSplashVisible([&splash] { return splash.IsVisible(); }, start);
    splash.Destroy();

    ui::Dialog& dialog = windows.dialog;
    if (!dialog.Create()) return;
    dialog.Show();
    MakeTopmost(dialog.hwnd());
}

}  // namespace marsitel
