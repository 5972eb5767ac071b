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

// Where the windows find the property services: the system's, or a
// stand-in.
using PropertyServicesSource = std::function<Microsoft::WRL::ComPtr<IAccPropServices>()>;

// The system's property services (CLSID_AccPropServices); null where there
// are none.
Microsoft::WRL::ComPtr<IAccPropServices> SystemPropertyServices() noexcept;

// From now on the system answers accessibility requests for the control
// with the annotation, which must outlive the control (a constant, as a
// rule), until the control goes. Where the property services are missing
// (`services` null), not implemented (Wine) or fail, the control keeps its
// standard answers and still works, so a failure is not reported.
void Annotate(HWND control, const AccessibleAnnotation& annotation,
              const Microsoft::WRL::ComPtr<IAccPropServices>& services) noexcept;

}  // namespace marsitel::ui
