#include "app/startup.h"

#include "app/splash_wait.h"
#include "app/topmost.h"
#include "core/base/error.h"
#include "core/host/busy_host.h"
#include "core/readiness.h"
#include "core/removal.h"
#include "ui/dialog.h"
#include "ui/frm_splash.h"

namespace marsitel {

namespace {

// Every host call of the program waits with the notice, from the readiness
// check at load on, within the bounds the program keeps to.
ui::DialogServices ServicesWith(host::BusyNotice& notice) {
    const host::BusyContext busy{&notice, host::BusyBounds{}};
    return ui::DialogServices{[busy] { return CheckHostReady(busy); },
                              [busy](const RunOptions& options, ProgressDisplay& progress) {
                                  return RunRelationRemoval(options, progress, busy);
                              },
                              &MakeTopmost, &ui::SystemPropertyServices};
}

}  // namespace

ProgramWindows::ProgramWindows(ui::ProgramEnd& end) : busy(end), splash(end), dialog(end, ServicesWith(busy)) {}

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
    // The splash stays on the screen until the dialog, or a box of its load
    // step, has taken the foreground from it.
    splash.Close();

    ui::Dialog& dialog = windows.dialog;
    if (!dialog.Create()) return;
    dialog.Show();
    MakeTopmost(dialog.hwnd());
}

}  // namespace marsitel
