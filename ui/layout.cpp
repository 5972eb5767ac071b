#include "ui/layout.h"

#include "shared/gdi.h"

namespace marsitel::ui {
namespace {

constexpr int kTwipsPerInch = 1440;

}  // namespace

Layout Layout::ForScreen() noexcept {
    const WindowDC screen;
    const int dpi = screen.get() ? GetDeviceCaps(screen.get(), LOGPIXELSY) : 0;
    return Layout(dpi > 0 ? dpi : kDesignDpi);
}

int Layout::Pixels(int twips) const noexcept {
    return MulDiv(twips, dpi_, kTwipsPerInch);
}

RECT Layout::Rect(const TwipsRect& twips) const noexcept {
    const int left = Pixels(twips.left);
    const int top = Pixels(twips.top);
    // Right and bottom edges are converted on their own, so that adjoining
    // boxes keep adjoining at any DPI.
    return RECT{left, top, Pixels(twips.left + twips.width), Pixels(twips.top + twips.height)};
}

int Layout::FontHeight(int hundredthsOfPoint) const noexcept {
    return -MulDiv(hundredthsOfPoint, dpi_, 72 * 100);
}

}  // namespace marsitel::ui
