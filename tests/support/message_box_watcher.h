#pragma once
// Sees message boxes the way a person does: a CBT hook on the test thread
// records each box's text, caption, icon, buttons and place in the z-order
// as it is activated, then presses its OK button.
#include <windows.h>

#include <string>
#include <vector>

namespace marsitel::testing {

// A window's text, or with GetClassNameW its class's name.
std::wstring TextOf(HWND window, int(WINAPI* read)(HWND, LPWSTR, int) = GetWindowTextW);

struct SeenMessageBox {
    HWND window = nullptr;
    std::wstring text;
    std::wstring caption;
    HICON icon = nullptr;
    std::vector<int> button_ids;  // the visible buttons
    // Above every window that is not topmost, and above the topmost windows
    // that came before it: topmost itself, or asked to be (MB_TOPMOST),
    // which Windows honours and Wine 8 ignores.
    bool topmost = false;
    bool keyQueued = false;       // a key message waited for the thread as it came
    RECT outer{};                 // on the screen, as it stood when it went
    RECT ok{};
};

class MessageBoxWatcher {
public:
    MessageBoxWatcher();
    ~MessageBoxWatcher();
    MessageBoxWatcher(const MessageBoxWatcher&) = delete;
    MessageBoxWatcher& operator=(const MessageBoxWatcher&) = delete;
    const std::vector<SeenMessageBox>& boxes() const noexcept { return boxes_; }

private:
    static LRESULT CALLBACK HookProcedure(int code, WPARAM wparam, LPARAM lparam);
    static LRESULT CALLBACK InitHookProcedure(int code, WPARAM wparam, LPARAM lparam);
    void Record(HWND box);
    void RecordPlace(HWND box) noexcept;
    HHOOK hook_ = nullptr;
    HHOOK init_hook_ = nullptr;
    HWND asked_topmost_ = nullptr;
    std::vector<SeenMessageBox> boxes_;
};

}  // namespace marsitel::testing
