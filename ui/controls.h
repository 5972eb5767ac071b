#pragma once
// Controls created from layout tables: one row per control, in creation
// order, which is also the tab order and the z-order (earlier rows on top).
#include "ui/gdi.h"
#include "ui/layout.h"

#include <windows.h>

#include <map>
#include <span>
#include <string>
#include <string_view>

namespace marsitel::ui {

enum class ControlKind {
    Label,          // fixed box, wraps its text
    SingleLine,     // fixed box, one line, clipped at the right
    AutoSizeLabel,  // box follows its text
    Line,           // horizontal, from (left, top) over width; height unused
    TextBox,
    VScrollBar,
    CheckBox,
    PushButton,
    Frame,          // container: rows whose parent is the frame lie inside it
    Picture,        // drawn by its window
    ProgressBar,
};

enum class Align { Left, Right };

struct ControlDef {
    ControlKind kind;
    int id;
    TwipsRect box;  // from the top-left corner of the parent's client area
    const wchar_t* text;
    const FontDef* font;  // nullptr: the window's standard font
    Align align = Align::Left;
    int parentId = 0;  // 0: the window itself
};

inline constexpr int kLineThicknessPixels = 2;

// The standard font of the program's windows, and its bold cut, which
// buttons and headings use.
extern const FontDef kStandardFont;
extern const FontDef kSansBold825;

// Label texts break lines at a lone carriage return. DrawText does not do
// that on every system, so labels are drawn with every lone CR made a CR LF.
std::wstring ExpandLoneCarriageReturns(std::wstring_view text);
std::wstring WindowText(HWND window);

// The face a font of the design is drawn with: as designed at 96 DPI, a
// bitmap face's TrueType twin at any other DPI.
const wchar_t* FaceAt(const wchar_t* face, const Layout& layout) noexcept;
UniqueFont CreateFontFromDef(const FontDef& def, const Layout& layout);

// The controls of one window, created from its table, with the fonts they use.
class ControlSet {
public:
    void Create(HWND window, std::span<const ControlDef> table, const Layout& layout);

    HWND Handle(int id) const noexcept;
    const ControlDef* Def(int id) const noexcept;

    // Sets a control's text; a label sized to its text is resized, keeping
    // its left edge, or its right edge when it is right-aligned.
    void SetText(int id, std::wstring_view text);

    // Draws an owner-drawn label or line; false when the item is neither.
    bool DrawItem(const DRAWITEMSTRUCT& item) const;

private:
    HFONT FontFor(const FontDef* def, const Layout& layout);
    HFONT StoredFont(const ControlDef& def) const noexcept;
    void FitToText(int id);

    std::span<const ControlDef> table_;
    std::map<int, HWND> handles_;
    std::map<const FontDef*, UniqueFont> fonts_;
};

// The window class of frames; a click on a frame's bare surface reaches its
// parent as WM_COMMAND with BN_CLICKED and the frame's id.
void RegisterFrameClass();
inline constexpr wchar_t kFrameClass[] = L"Marsitel.Frame";

}  // namespace marsitel::ui
