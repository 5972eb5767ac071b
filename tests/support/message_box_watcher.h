#pragma once
// Sees message boxes the way a person does: a CBT hook on the test thread
// records each box's text, caption, icon and buttons as it is activated,
// then presses its OK button.
#include <windows.h>

#include <string>
#include <vector>

namespace marsitel::testing {

struct SeenMessageBox {
    HWND window = nullptr;
    std::wstring text;
    std::wstring caption;
    HICON icon = nullptr;
    std::vector<int> button_ids;  // the visible buttons
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
    void Record(HWND box);
    void RecordPlace(HWND box) noexcept;

    HHOOK hook_ = nullptr;
    std::vector<SeenMessageBox> boxes_;
};

}  // namespace marsitel::testing
