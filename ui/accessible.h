#pragma once
// What screen readers hear of a control whose own name or value is missing
// or misleading: the name, and where given the value, annotated through the
// system's property services; the rest is the control's standard answer.
#include <windows.h>

#include <oleacc.h>

#include <functional>
#include <string>

#include <wrl/client.h>

namespace marsitel::ui {

struct AccessibleAnnotation {
    const wchar_t* name;
    // nullptr: the control's own value.
    std::wstring (*value)(HWND control);
};

// From now on the system answers accessibility requests for the control
// with the annotation, which must outlive the control (a constant, as a
// rule), until the control goes. Where the property services are not
// implemented (Wine) or fail, the control keeps its standard answers and
// still works, so a failure is not reported.
void Annotate(HWND control, const AccessibleAnnotation& annotation) noexcept;

// Where Annotate finds the property services: the system's
// (CLSID_AccPropServices) unless a test puts a stand-in in their place; an
// empty source restores the system's.
using PropertyServicesSource = std::function<Microsoft::WRL::ComPtr<IAccPropServices>()>;
void SetPropertyServicesSource(PropertyServicesSource source);

}  // namespace marsitel::ui
