#pragma once
// Controls created from layout tables: one row per control, in creation
// order, which is also the tab order and the z-order (earlier rows on top).
#include <windows.h>

#include <map>
#include <span>
#include <string>
#include <string_view>

#include "shared/gdi.h"
#include "ui/layout.h"

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
    Frame,    // container: rows whose parent is the frame lie inside it
    Picture,  // drawn by its window
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

// The bold cut of the program's standard font, which buttons and headings
// use.
extern const FontDef kSansBold825;

// Label texts break lines at a lone carriage return. DrawText does not do
// that on every system, so labels are drawn with every lone CR made a CR LF.
std::wstring ExpandLoneCarriageReturns(std::wstring_view text);

// The controls of one window, created from its table, with the fonts they use.
class ControlSet {
public:
    void Create(HWND window, std::span<const ControlDef> table, const Layout& layout);

    HWND Handle(int id) const noexcept;

    // Sets a control's text; a label sized to its text is resized, keeping
    // its left edge, or its right edge when it is right-aligned.
    void SetText(int id, std::wstring_view text);

    // Draws an owner-drawn label or line; false when the item is neither.
    bool DrawItem(const DRAWITEMSTRUCT& item) const;

private:
    const ControlDef* Def(int id) const noexcept;
    HFONT FontFor(const FontDef* def, const Layout& layout);
    HFONT StoredFont(const ControlDef& def) const noexcept;
    void FitToText(int id);

    std::span<const ControlDef> table_;
    std::map<int, HWND> handles_;
    std::map<const FontDef*, UniqueFont> fonts_;
};

}  // namespace marsitel::ui
