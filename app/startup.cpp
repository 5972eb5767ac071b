#include "app/startup.h"

#include "core/base/error.h"
#include "core/host/busy_host.h"
#include "core/readiness.h"
#include "core/removal.h"
#include "ui/dialog.h"
#include "ui/frm_splash.h"
#include "ui/message_loop.h"

namespace marsitel {

namespace {

constexpr std::chrono::seconds kSplashBound{10};

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
    WaitWhileSplashVisible([&splash] { return splash.IsVisible(); }, start, kSplashBound);
    // The splash stays on the screen until the dialog, or a box of its load
    // step, has taken the foreground from it.
    splash.Close();

    ui::Dialog& dialog = windows.dialog;
    if (!dialog.Create()) return;
    dialog.Show();
    MakeTopmost(dialog.hwnd());
}

void WaitWhileSplashVisible(const std::function<bool()>& visible, std::chrono::steady_clock::time_point start,
                            std::chrono::steady_clock::duration bound) {
    using std::chrono::steady_clock;
    const auto waitGoesOn = [&] { return steady_clock::now() - start < bound && visible(); };
    while (waitGoesOn()) {
        ui::ProcessPendingMessages();
        if (!waitGoesOn()) break;
        // Rounded up, so that the thread does not wake just before the bound
        // and spin through the last fraction of a millisecond.
        const auto remaining = bound - (steady_clock::now() - start);
        const auto milliseconds = std::chrono::ceil<std::chrono::milliseconds>(remaining).count();
        if (milliseconds > 0) {
            MsgWaitForMultipleObjectsEx(0, nullptr, static_cast<DWORD>(milliseconds), QS_ALLINPUT, MWMO_INPUTAVAILABLE);
        }
    }
}

void MakeTopmost(HWND window) noexcept {
    // Without SWP_NOACTIVATE the window is activated as well. Result and
    // system error are of no use.
    SetWindowPos(window, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE);
}

}  // namespace marsitel
