#pragma once
// What screen readers hear of a control whose own name or value is missing
// or misleading: the control's standard accessible object, with the name and,
// where given, the value answered by us.
#include <windows.h>

#include <string>

namespace marsitel::ui {

struct AccessibleAnnotation {
    const wchar_t* name;
    // nullptr: the control's own value.
    std::wstring (*value)(HWND control);
};

// From now on the control answers accessibility requests with the
// annotation, which must outlive the control (a constant, as a rule).
// Without it the control still works and keeps its standard answers, so a
// failure is not reported.
void Annotate(HWND control, const AccessibleAnnotation& annotation) noexcept;

}  // namespace marsitel::ui
