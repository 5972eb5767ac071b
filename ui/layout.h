#pragma once
// Positions and sizes are designed in twips (1/1440 inch) and become pixels
// through the screen's DPI: 15 twips a pixel at 96 DPI.
#include <windows.h>

namespace marsitel::ui {

// The DPI the windows were designed at.
inline constexpr int kDesignDpi = 96;

struct TwipsRect {
    int left;
    int top;
    int width;
    int height;
};

struct FontDef {
    const wchar_t* face;
    int hundredthsOfPoint;  // 8.25 pt is 825
    int weight;             // FW_NORMAL or FW_BOLD
};

class Layout {
public:
    explicit Layout(int dpi) noexcept : dpi_(dpi) {}
    // The system DPI, which the manifest declares the program aware of.
    static Layout ForScreen() noexcept;

    int dpi() const noexcept { return dpi_; }
    int Pixels(int twips) const noexcept;
    RECT Rect(const TwipsRect& twips) const noexcept;
    // The LOGFONT height (negative: character height) of a point size.
    int FontHeight(int hundredthsOfPoint) const noexcept;

private:
    int dpi_;
};

}  // namespace marsitel::ui
