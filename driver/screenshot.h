#pragma once
// Pictures of what is on the screen, taken in the driver's process from the
// screen's device context, so they show exactly what a person would see
// (including anything that covers the window).
#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace marsitel::e2e {

struct Image {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> bgr;  // rows top-down, three bytes a pixel, no padding

    // True when every pixel has the same colour (nothing drawn yet).
    bool Uniform() const;
};

std::optional<Image> CaptureScreenRect(const RECT& rect);
// The window's outer rectangle, title bar and border included.
std::optional<Image> CaptureWindow(HWND window);

// An uncompressed 24-bit Windows bitmap file.
bool SaveBitmapFile(const Image& image, const std::wstring& path);

// Under Wine without a window manager (Xvfb), windows have no title bar
// unless Wine draws the frames itself; that is what a picture of a Windows
// window should show. Applies to programs started afterwards; does nothing
// on Windows.
void LetWineDrawWindowFrames(bool wine_draws);

// Creates the folder (and its parents) if needed.
bool EnsureDirectory(const std::wstring& path);

}  // namespace marsitel::e2e
