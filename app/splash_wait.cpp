#include "app/splash_wait.h"

#include <windows.h>

#include "ui/message_loop.h"

namespace marsitel {

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

}  // namespace marsitel
