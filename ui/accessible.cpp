// The annotation property ids are defined by the header itself where
// initguid.h comes first (the documented way), not by a library.
#include <initguid.h>

#include "ui/accessible.h"

#include <cguid.h>
#include <commctrl.h>

#include <atomic>
#include <initializer_list>
#include <memory>
#include <utility>

namespace marsitel::ui {
namespace {

using Microsoft::WRL::ComPtr;

constexpr UINT_PTR kSubclassId = 1;
constexpr DWORD kClientObject = static_cast<DWORD>(OBJID_CLIENT);

PropertyServicesSource& Source() {
    static PropertyServicesSource source;
    return source;
}

bool IsSelf(const VARIANT& child) noexcept {
    return child.vt == VT_I4 && child.lVal == CHILDID_SELF;
}

HRESULT ReturnText(const std::wstring& text, BSTR* result) noexcept {
    *result = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
    return *result ? S_OK : E_OUTOFMEMORY;
}

// Reference counting for our COM objects: the last Release ends the object.
template <class Interface>
class ComObject : public Interface {
public:
    ComObject(const ComObject&) = delete;
    ComObject& operator=(const ComObject&) = delete;

    ULONG STDMETHODCALLTYPE AddRef() noexcept override { return ++references_; }
    ULONG STDMETHODCALLTYPE Release() noexcept override {
        const ULONG left = --references_;
        if (left == 0) {
            std::unique_ptr<ComObject> last(this);
        }
        return left;
    }

protected:
    ComObject() = default;
    virtual ~ComObject() = default;
    friend struct std::default_delete<ComObject>;

    // QueryInterface for the interfaces that are ours alone.
    HRESULT AnswerOwn(REFIID iid, void** object, std::initializer_list<const IID*> own) noexcept {
        if (!object) return E_POINTER;
        *object = nullptr;
        for (const IID* candidate : own) {
            if (iid == *candidate) {
                *object = static_cast<Interface*>(this);
                AddRef();
                return S_OK;
            }
        }
        return E_NOINTERFACE;
    }

private:
    std::atomic<ULONG> references_{1};
};

// The new object's first reference, owned by the pointer; null when memory
// runs out.
template <class Object, class... Arguments>
ComPtr<Object> MakeComObject(Arguments&&... arguments) noexcept {
    std::unique_ptr<Object> created;
    try {
        created = std::make_unique<Object>(std::forward<Arguments>(arguments)...);
    } catch (...) {
        return nullptr;
    }
    // Adopted, not attached: MinGW's ComPtr::Attach adds a reference that
    // nothing would release.
    ComPtr<Object> object;
    *object.GetAddressOf() = created.release();
    return object;
}

// The scroll bar's value for the system's annotation, asked for whenever a
// client reads it.
class ValueServer final : public ComObject<IAccPropServer> {
public:
    ValueServer(HWND control, const AccessibleAnnotation& annotation) noexcept
        : control_(control), annotation_(annotation) {}

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) noexcept override {
        return AnswerOwn(iid, object, {&IID_IUnknown, &IID_IAccPropServer});
    }

    HRESULT STDMETHODCALLTYPE GetPropValue(const BYTE*, DWORD, MSAAPROPID property, VARIANT* value,
                                           BOOL* hasProperty) noexcept override {
        if (!value || !hasProperty) return E_POINTER;
        VariantInit(value);
        *hasProperty = FALSE;
        // A client may hold the server longer than the control lives.
        if (property != PROPID_ACC_VALUE || !IsWindow(control_)) return S_OK;
        BSTR text = nullptr;
        HRESULT result = E_OUTOFMEMORY;
        try {
            result = ReturnText(annotation_.value(control_), &text);
        } catch (...) {
        }
        if (FAILED(result)) return result;
        value->vt = VT_BSTR;
        value->bstrVal = text;
        *hasProperty = TRUE;
        return S_OK;
    }

private:
    HWND control_;
    const AccessibleAnnotation& annotation_;
};

ComPtr<IAccPropServices> PropertyServices() noexcept {
    ComPtr<IAccPropServices> services;
    try {
        if (Source()) return Source()();
    } catch (...) {
        return nullptr;
    }
    CoCreateInstance(CLSID_AccPropServices, nullptr, CLSCTX_INPROC_SERVER, IID_IAccPropServices,
                     reinterpret_cast<void**>(services.GetAddressOf()));
    return services;
}

void ClearAnnotation(IAccPropServices& services, HWND control, bool withValue) noexcept {
    const MSAAPROPID properties[] = {PROPID_ACC_NAME, PROPID_ACC_VALUE};
    services.ClearHwndProps(control, kClientObject, CHILDID_SELF, properties, withValue ? 2 : 1);
}

// The documented way: the system answers with the control's standard
// object and our name and value.
HRESULT AnnotateThroughServices(IAccPropServices& services, HWND control,
                                const AccessibleAnnotation& annotation) noexcept {
    const HRESULT named =
        services.SetHwndPropStr(control, kClientObject, CHILDID_SELF, PROPID_ACC_NAME, annotation.name);
    if (FAILED(named) || !annotation.value) return named;
    const ComPtr<ValueServer> server = MakeComObject<ValueServer>(control, annotation);
    // The value is the scroll bar's own; its arrows and page areas keep theirs.
    const HRESULT valued = server ? services.SetHwndPropServer(control, kClientObject, CHILDID_SELF,
                                                               &PROPID_ACC_VALUE, 1, server.Get(), ANNO_THIS)
                                  : E_OUTOFMEMORY;
    if (FAILED(valued)) ClearAnnotation(services, control, false);
    return valued;
}

// Where the system does not implement annotation: the control's standard
// object with name and value answered from the annotation.
//
// The standard object cannot be aggregated (CreateStdAccessibleObject takes
// no outer object), so every other interface it offers, IAccIdentity,
// IServiceProvider, IEnumVARIANT and IOleWindow among them, is handed out as
// the standard object's own. For a client in this apartment that bends COM's
// identity rules: from such an interface QueryInterface leads to the
// standard object, whose IUnknown is not ours and whose name is the
// control's own. Screen readers and UI Automation's bridge live in other
// processes and hold a proxy, whose IUnknown stays the same whatever they
// ask for; and what they use those interfaces for (telling elements apart,
// walking the children, finding the window) is the same for both objects.
// The interfaces that describe the COM object rather than the element stay
// ours: a delegated IMarshal, say, would marshal the standard object in our
// place.
class AnnotatedAccessible final : public ComObject<IAccessible> {
public:
    AnnotatedAccessible(ComPtr<IAccessible> standard, HWND control, const AccessibleAnnotation& annotation) noexcept
        : standard_(std::move(standard)), control_(control), annotation_(annotation) {}

    // IUnknown
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) noexcept override {
        const HRESULT own = AnswerOwn(iid, object, {&IID_IUnknown, &IID_IDispatch, &IID_IAccessible});
        if (own != E_NOINTERFACE || DescribesTheComObject(iid)) return own;
        return standard_->QueryInterface(iid, object);
    }

    // IDispatch: calls by dispatch id reach our name and value too.
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) noexcept override {
        return standard_->GetTypeInfoCount(count);
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT index, LCID locale, ITypeInfo** info) noexcept override {
        return standard_->GetTypeInfo(index, locale, info);
    }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID locale,
                                            DISPID* ids) noexcept override {
        return standard_->GetIDsOfNames(iid, names, count, locale, ids);
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID iid, LCID locale, WORD flags, DISPPARAMS* params,
                                     VARIANT* result, EXCEPINFO* exception, UINT* argumentError) noexcept override {
        // The interface id is reserved and must be IID_NULL.
        if (iid != IID_NULL) return DISP_E_UNKNOWNINTERFACE;
        ComPtr<ITypeInfo> info;
        const HRESULT found = standard_->GetTypeInfo(0, locale, &info);
        if (FAILED(found)) return found;
        return info->Invoke(static_cast<IAccessible*>(this), id, flags, params, result, exception, argumentError);
    }

    // IAccessible
    HRESULT STDMETHODCALLTYPE get_accName(VARIANT child, BSTR* name) noexcept override {
        if (!name) return E_POINTER;
        if (!IsSelf(child)) return standard_->get_accName(child, name);
        try {
            return ReturnText(annotation_.name, name);
        } catch (...) {
            return E_OUTOFMEMORY;
        }
    }
    HRESULT STDMETHODCALLTYPE get_accValue(VARIANT child, BSTR* value) noexcept override {
        if (!value) return E_POINTER;
        // A client may hold the object longer than the control lives.
        if (!IsSelf(child) || !annotation_.value || !IsWindow(control_)) {
            return standard_->get_accValue(child, value);
        }
        try {
            return ReturnText(annotation_.value(control_), value);
        } catch (...) {
            return E_OUTOFMEMORY;
        }
    }
    HRESULT STDMETHODCALLTYPE get_accParent(IDispatch** parent) noexcept override {
        return standard_->get_accParent(parent);
    }
    HRESULT STDMETHODCALLTYPE get_accChildCount(long* count) noexcept override {
        return standard_->get_accChildCount(count);
    }
    HRESULT STDMETHODCALLTYPE get_accChild(VARIANT child, IDispatch** object) noexcept override {
        return standard_->get_accChild(child, object);
    }
    HRESULT STDMETHODCALLTYPE get_accDescription(VARIANT child, BSTR* text) noexcept override {
        return standard_->get_accDescription(child, text);
    }
    HRESULT STDMETHODCALLTYPE get_accRole(VARIANT child, VARIANT* role) noexcept override {
        return standard_->get_accRole(child, role);
    }
    HRESULT STDMETHODCALLTYPE get_accState(VARIANT child, VARIANT* state) noexcept override {
        return standard_->get_accState(child, state);
    }
    HRESULT STDMETHODCALLTYPE get_accHelp(VARIANT child, BSTR* help) noexcept override {
        return standard_->get_accHelp(child, help);
    }
    HRESULT STDMETHODCALLTYPE get_accHelpTopic(BSTR* file, VARIANT child, long* topic) noexcept override {
        return standard_->get_accHelpTopic(file, child, topic);
    }
    HRESULT STDMETHODCALLTYPE get_accKeyboardShortcut(VARIANT child, BSTR* shortcut) noexcept override {
        return standard_->get_accKeyboardShortcut(child, shortcut);
    }
    HRESULT STDMETHODCALLTYPE get_accFocus(VARIANT* focus) noexcept override {
        return standard_->get_accFocus(focus);
    }
    HRESULT STDMETHODCALLTYPE get_accSelection(VARIANT* selection) noexcept override {
        return standard_->get_accSelection(selection);
    }
    HRESULT STDMETHODCALLTYPE get_accDefaultAction(VARIANT child, BSTR* action) noexcept override {
        return standard_->get_accDefaultAction(child, action);
    }
    HRESULT STDMETHODCALLTYPE accSelect(long flags, VARIANT child) noexcept override {
        return standard_->accSelect(flags, child);
    }
    HRESULT STDMETHODCALLTYPE accLocation(long* left, long* top, long* width, long* height,
                                          VARIANT child) noexcept override {
        return standard_->accLocation(left, top, width, height, child);
    }
    HRESULT STDMETHODCALLTYPE accNavigate(long direction, VARIANT start, VARIANT* end) noexcept override {
        return standard_->accNavigate(direction, start, end);
    }
    HRESULT STDMETHODCALLTYPE accHitTest(long left, long top, VARIANT* child) noexcept override {
        return standard_->accHitTest(left, top, child);
    }
    HRESULT STDMETHODCALLTYPE accDoDefaultAction(VARIANT child) noexcept override {
        return standard_->accDoDefaultAction(child);
    }
    HRESULT STDMETHODCALLTYPE put_accName(VARIANT child, BSTR name) noexcept override {
        return standard_->put_accName(child, name);
    }
    HRESULT STDMETHODCALLTYPE put_accValue(VARIANT child, BSTR value) noexcept override {
        return standard_->put_accValue(child, value);
    }

private:
    static bool DescribesTheComObject(REFIID iid) noexcept {
        for (const IID* own : {&IID_IMarshal, &IID_IMarshal2, &IID_IStdMarshalInfo, &IID_IExternalConnection,
                               &IID_ICallFactory, &IID_IAgileObject, &IID_INoMarshal}) {
            if (iid == *own) return true;
        }
        return false;
    }

    ComPtr<IAccessible> standard_;
    HWND control_;
    const AccessibleAnnotation& annotation_;
};

// The answer to WM_GETOBJECT for the control's client object; 0 lets the
// system answer with its standard object.
LRESULT AnnotatedObject(HWND control, WPARAM flags, const AccessibleAnnotation& annotation) noexcept {
    ComPtr<IAccessible> standard;
    if (FAILED(CreateStdAccessibleObject(control, OBJID_CLIENT, IID_IAccessible,
                                         reinterpret_cast<void**>(standard.GetAddressOf())))) {
        return 0;
    }
    const ComPtr<AnnotatedAccessible> annotated =
        MakeComObject<AnnotatedAccessible>(std::move(standard), control, annotation);
    if (!annotated) return 0;
    const LRESULT result = LresultFromObject(IID_IAccessible, flags, static_cast<IAccessible*>(annotated.Get()));
    return result > 0 ? result : 0;
}

// What a control's subclass keeps: its annotation and, where the system
// holds the annotation, the services it is cleared through.
struct AnnotatedControl {
    const AccessibleAnnotation& annotation;
    ComPtr<IAccPropServices> services;
};

LRESULT CALLBACK AnnotatedProcedure(HWND control, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                    DWORD_PTR data) noexcept {
    auto& annotated = *reinterpret_cast<AnnotatedControl*>(data);
    switch (message) {
    case WM_GETOBJECT:
        // The object id arrives as a 32-bit value, sign-extended or not.
        if (!annotated.services && static_cast<DWORD>(lParam) == kClientObject) {
            if (const LRESULT result = AnnotatedObject(control, wParam, annotated.annotation)) return result;
        }
        break;
    case WM_DESTROY:
        // The system keeps what it was given, our value server included,
        // until it is cleared.
        if (annotated.services) {
            ClearAnnotation(*annotated.services.Get(), control, annotated.annotation.value != nullptr);
        }
        break;
    case WM_NCDESTROY: {
        RemoveWindowSubclass(control, AnnotatedProcedure, id);
        const std::unique_ptr<AnnotatedControl> ended(&annotated);
        return DefSubclassProc(control, message, wParam, lParam);
    }
    default:
        break;
    }
    return DefSubclassProc(control, message, wParam, lParam);
}

}  // namespace

void Annotate(HWND control, const AccessibleAnnotation& annotation) noexcept {
    std::unique_ptr<AnnotatedControl> annotated;
    try {
        annotated = std::make_unique<AnnotatedControl>(AnnotatedControl{annotation, nullptr});
    } catch (...) {
        return;
    }
    // Wine 8 leaves the property services unimplemented (E_NOTIMPL): there,
    // and where the services cannot be had at all, the control answers
    // WM_GETOBJECT itself.
    if (ComPtr<IAccPropServices> services = PropertyServices()) {
        const HRESULT result = AnnotateThroughServices(*services.Get(), control, annotation);
        if (SUCCEEDED(result)) {
            annotated->services = std::move(services);
        } else if (result != E_NOTIMPL) {
            return;
        }
    }
    if (SetWindowSubclass(control, AnnotatedProcedure, kSubclassId, reinterpret_cast<DWORD_PTR>(annotated.get()))) {
        annotated.release();
    } else if (annotated->services) {
        ClearAnnotation(*annotated->services.Get(), control, annotation.value != nullptr);
    }
}

void SetPropertyServicesSource(PropertyServicesSource source) {
    Source() = std::move(source);
}

}  // namespace marsitel::ui
