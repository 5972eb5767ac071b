#pragma once
// simhost's window: the active document as a tree (each occurrence with its
// relation count and a ground marker) and a line with the calls served.
// It is made only to be shown; closing it ends the message loop.
#include <windows.h>
#include <commctrl.h>

#include "shared/gdi.h"
#include "simhost/host.h"

namespace simhost {

class HostWindow {
public:
    // Shows the window. Throws std::runtime_error when it cannot be made.
    explicit HostWindow(const Host& host);
    ~HostWindow();
    HostWindow(const HostWindow&) = delete;
    HostWindow& operator=(const HostWindow&) = delete;

    // A call was served: the tree is rebuilt at the next refresh tick.
    void MarkChanged() noexcept { changed_ = true; }

private:
    static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
    LRESULT Handle(UINT message, WPARAM wparam, LPARAM lparam);
    void Layout();
    void Refresh();
    void AddAssembly(HTREEITEM parent, const Document& assembly, int depth, int& budget);

    const Host& host_;
    HWND window_ = nullptr;
    HWND tree_ = nullptr;
    HWND status_ = nullptr;
    marsitel::UniqueFont font_;
    bool changed_ = true;
};

}  // namespace simhost
