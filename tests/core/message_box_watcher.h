#pragma once
// Sees message boxes the way a person does: a CBT hook on the test thread
// records each box's text, caption, icon and buttons as it is activated,
// then presses its OK button.
#include <windows.h>

#include <string>
#include <vector>

namespace marsitel::testing {

struct SeenMessageBox {
    std::wstring text;
    std::wstring caption;
    bool exclamation_icon = false;
    std::vector<int> button_ids;
};

class MessageBoxWatcher {
public:
    MessageBoxWatcher();
    ~MessageBoxWatcher();
    MessageBoxWatcher(const MessageBoxWatcher&) = delete;
    MessageBoxWatcher& operator=(const MessageBoxWatcher&) = delete;

    const std::vector<SeenMessageBox>& boxes() const { return boxes_; }

private:
    static LRESULT CALLBACK HookProcedure(int code, WPARAM wparam, LPARAM lparam);
    void Record(HWND box);

    HHOOK hook_ = nullptr;
    std::vector<SeenMessageBox> boxes_;
    std::vector<HWND> seen_windows_;
};

}  // namespace marsitel::testing
