#include "app/startup.h"

#include "app/topmost.h"
#include "app/splash_wait.h"
#include "core/removal.h"
#include "ui/dialog.h"
#include "ui/frm_splash.h"

namespace marsitel {
namespace {

ui::frmSplash& Splash() {
    static ui::frmSplash splash;
    return splash;
}

ui::Dialog& MainDialog() {
    static ui::Dialog dialog(ui::DialogServices{&CheckHostReady, &RunRelationRemoval, &MakeTopmost});
    return dialog;
}

}  // namespace

void Main() {
    ui::frmSplash& splash = Splash();
    splash.Create();
    splash.Show();
    MakeTopmost(splash.hwnd());
    const auto start = std::chrono::steady_clock::now();
    WaitWhileSplashVisible([&splash] { return splash.IsVisible(); }, start);
    splash.Destroy();

    ui::Dialog& dialog = MainDialog();
    if (!dialog.Create()) return;
    dialog.Show();
    MakeTopmost(dialog.hwnd());
}

}  // namespace marsitel
