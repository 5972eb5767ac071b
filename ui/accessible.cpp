// The annotation property ids are defined by the header itself where
// initguid.h comes first (the documented way), not by a library.
// clang-format off
#include <initguid.h>
// clang-format on

#include "ui/accessible.h"

#include <commctrl.h>

#include <atomic>
#include <memory>

#include "shared/com.h"

namespace marsitel::ui {
namespace {

using Microsoft::WRL::ComPtr;

constexpr UINT_PTR kSubclassId = 1;
constexpr DWORD kClientObject = static_cast<DWORD>(OBJID_CLIENT);

// The scroll bar's value for the system's annotation, asked for whenever a
// client reads it. The last Release ends it.
class ValueServer final : public IAccPropServer {
public:
    ValueServer(HWND control, const AccessibleAnnotation& annotation) noexcept
        : control_(control), annotation_(annotation) {}
    ValueServer(const ValueServer&) = delete;
    ValueServer& operator=(const ValueServer&) = delete;

    // The first reference, owned by the pointer; null when memory runs out.
    static ComPtr<ValueServer> Make(HWND control, const AccessibleAnnotation& annotation) noexcept {
        std::unique_ptr<ValueServer> created;
        try {
            created = std::make_unique<ValueServer>(control, annotation);
        } catch (...) {
            return nullptr;
        }
        return Adopt(created.release());
    }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) noexcept override {
        return QueryOwnInterface<IAccPropServer>(this, iid, IID_IAccPropServer, object);
    }
    ULONG STDMETHODCALLTYPE AddRef() noexcept override { return ++references_; }
    ULONG STDMETHODCALLTYPE Release() noexcept override {
        const ULONG left = --references_;
        if (left == 0) {
            const std::unique_ptr<ValueServer> last(this);
        }
        return left;
    }

    HRESULT STDMETHODCALLTYPE GetPropValue(const BYTE*, DWORD, MSAAPROPID property, VARIANT* value,
                                           BOOL* hasProperty) noexcept override {
        if (!value || !hasProperty) return E_POINTER;
        VariantInit(value);
        *hasProperty = FALSE;
        // A client may hold the server longer than the control lives.
        if (property != PROPID_ACC_VALUE || !IsWindow(control_)) return S_OK;
        BSTR text = nullptr;
        try {
            const std::wstring shown = annotation_.value(control_);
            text = SysAllocStringLen(shown.data(), static_cast<UINT>(shown.size()));
        } catch (...) {
        }
        if (!text) return E_OUTOFMEMORY;
        value->vt = VT_BSTR;
        value->bstrVal = text;
        *hasProperty = TRUE;
        return S_OK;
    }

private:
    HWND control_;
    const AccessibleAnnotation& annotation_;
    std::atomic<ULONG> references_{1};
};

void ClearAnnotation(IAccPropServices& services, HWND control, bool withValue) noexcept {
    const MSAAPROPID properties[] = {PROPID_ACC_NAME, PROPID_ACC_VALUE};
    services.ClearHwndProps(control, kClientObject, CHILDID_SELF, properties, withValue ? 2 : 1);
}

// The system answers with the control's standard object and our name and
// value.
HRESULT AnnotateThroughServices(IAccPropServices& services, HWND control,
                                const AccessibleAnnotation& annotation) noexcept {
    const HRESULT named =
        services.SetHwndPropStr(control, kClientObject, CHILDID_SELF, PROPID_ACC_NAME, annotation.name);
    if (FAILED(named) || !annotation.value) return named;
    const ComPtr<ValueServer> server = ValueServer::Make(control, annotation);
    // The value is the scroll bar's own; its arrows and page areas keep theirs.
    const HRESULT valued = server ? services.SetHwndPropServer(control, kClientObject, CHILDID_SELF, &PROPID_ACC_VALUE,
                                                               1, server.Get(), ANNO_THIS)
                                  : E_OUTOFMEMORY;
    if (FAILED(valued)) ClearAnnotation(services, control, false);
    return valued;
}

// What a control's subclass keeps to clear the annotation when the control
// goes: the system keeps what it was given, our value server included,
// until it is cleared.
struct AnnotatedControl {
    const AccessibleAnnotation& annotation;
    ComPtr<IAccPropServices> services;
};

LRESULT CALLBACK AnnotatedProcedure(HWND control, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                    DWORD_PTR data) noexcept {
    auto& annotated = *reinterpret_cast<AnnotatedControl*>(data);
    if (message == WM_DESTROY) {
        ClearAnnotation(*annotated.services.Get(), control, annotated.annotation.value != nullptr);
    } else if (message == WM_NCDESTROY) {
        RemoveWindowSubclass(control, AnnotatedProcedure, id);
        const std::unique_ptr<AnnotatedControl> ended(&annotated);
    }
    return DefSubclassProc(control, message, wParam, lParam);
}

}  // namespace

ComPtr<IAccPropServices> SystemPropertyServices() noexcept {
    ComPtr<IAccPropServices> services;
    CoCreateInstance(CLSID_AccPropServices, nullptr, CLSCTX_INPROC_SERVER, IID_IAccPropServices,
                     reinterpret_cast<void**>(services.GetAddressOf()));
    return services;
}

void Annotate(HWND control, const AccessibleAnnotation& annotation, const ComPtr<IAccPropServices>& services) noexcept {
    // Wine 8 leaves the property services unimplemented (E_NOTIMPL): there
    // the controls keep their standard answers.
    if (!services || FAILED(AnnotateThroughServices(*services.Get(), control, annotation))) return;
    std::unique_ptr<AnnotatedControl> annotated;
    try {
        annotated = std::make_unique<AnnotatedControl>(AnnotatedControl{annotation, services});
    } catch (...) {
    }
    if (annotated &&
        SetWindowSubclass(control, AnnotatedProcedure, kSubclassId, reinterpret_cast<DWORD_PTR>(annotated.get()))) {
        annotated.release();
    } else {
        ClearAnnotation(*services.Get(), control, annotation.value != nullptr);
    }
}

}  // namespace marsitel::ui
