#pragma once
// What screen readers hear of a control whose own name or value is missing
// or misleading: the name, and where given the value, answered by us; the
// rest is the control's standard accessible object.
#include <windows.h>
#include <oleacc.h>
#include <wrl/client.h>

#include <functional>
#include <string>

namespace marsitel::ui {

struct AccessibleAnnotation {
    const wchar_t* name;
    // nullptr: the control's own value.
    std::wstring (*value)(HWND control);
};

// From now on the control answers accessibility requests with the
// annotation, which must outlive the control (a constant, as a rule). The
// annotation goes to the system's property services; where they are not
// implemented, the control answers WM_GETOBJECT itself. Without either the
// control still works and keeps its standard answers, so a failure is not
// reported.
void Annotate(HWND control, const AccessibleAnnotation& annotation) noexcept;

// Where Annotate finds the property services: the system's
// (CLSID_AccPropServices) unless a test puts a stand-in in their place; an
// empty source restores the system's.
using PropertyServicesSource = std::function<Microsoft::WRL::ComPtr<IAccPropServices>()>;
void SetPropertyServicesSource(PropertyServicesSource source);

}  // namespace marsitel::ui
