#include "ui/accessible.h"

#include <commctrl.h>
#include <oleacc.h>
#include <wrl/client.h>

#include <atomic>
#include <memory>

// The system's dynamic annotation (IAccPropServices::SetHwndPropStr) would do
// the same with less code, but Wine 8 leaves it unimplemented (E_NOTIMPL);
// answering WM_GETOBJECT ourselves works on Windows and under Wine alike.

namespace marsitel::ui {
namespace {

using Microsoft::WRL::ComPtr;

constexpr UINT_PTR kSubclassId = 1;

bool IsSelf(const VARIANT& child) noexcept {
    return child.vt == VT_I4 && child.lVal == CHILDID_SELF;
}

HRESULT ReturnText(const std::wstring& text, BSTR* result) noexcept {
    *result = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
    return *result ? S_OK : E_OUTOFMEMORY;
}

// The control's standard object with name and value answered from the
// annotation; everything else is the standard object's.
class AnnotatedAccessible final : public IAccessible, public IOleWindow {
public:
    AnnotatedAccessible(ComPtr<IAccessible> standard, HWND control, const AccessibleAnnotation& annotation) noexcept
        : standard_(std::move(standard)), control_(control), annotation_(annotation) {}
    AnnotatedAccessible(const AnnotatedAccessible&) = delete;
    AnnotatedAccessible& operator=(const AnnotatedAccessible&) = delete;

    // IUnknown
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) noexcept override {
        if (!object) return E_POINTER;
        *object = nullptr;
        if (iid == __uuidof(IUnknown) || iid == __uuidof(IDispatch) || iid == __uuidof(IAccessible)) {
            *object = static_cast<IAccessible*>(this);
        } else if (iid == __uuidof(IOleWindow)) {
            *object = static_cast<IOleWindow*>(this);
        } else {
            return E_NOINTERFACE;
        }
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() noexcept override { return ++references_; }
    ULONG STDMETHODCALLTYPE Release() noexcept override {
        const ULONG left = --references_;
        // COM's own ownership: the last reference ends the object.
        if (left == 0) {
            std::unique_ptr<AnnotatedAccessible> last(this);
        }
        return left;
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
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID locale, WORD flags, DISPPARAMS* params,
                                     VARIANT* result, EXCEPINFO* exception, UINT* argumentError) noexcept override {
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

    // IOleWindow: how clients get from the object back to its window.
    HRESULT STDMETHODCALLTYPE GetWindow(HWND* window) noexcept override {
        if (!window) return E_POINTER;
        *window = control_;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE ContextSensitiveHelp(BOOL) noexcept override { return E_NOTIMPL; }

private:
    ~AnnotatedAccessible() = default;
    friend struct std::default_delete<AnnotatedAccessible>;

    std::atomic<ULONG> references_{1};
    ComPtr<IAccessible> standard_;
    HWND control_;
    const AccessibleAnnotation& annotation_;
};

// The answer to WM_GETOBJECT for the control's client object; 0 lets the
// system answer with its standard object.
LRESULT AnnotatedObject(HWND control, WPARAM flags, const AccessibleAnnotation& annotation) noexcept {
    ComPtr<IAccessible> standard;
    if (FAILED(CreateStdAccessibleObject(control, OBJID_CLIENT, IID_PPV_ARGS(&standard)))) return 0;
    std::unique_ptr<AnnotatedAccessible> created;
    try {
        created = std::make_unique<AnnotatedAccessible>(std::move(standard), control, annotation);
    } catch (...) {
        return 0;
    }
    // The pointer adopts the reference the object starts with (MinGW's
    // ComPtr::Attach would add a second one, which nothing ever releases).
    ComPtr<IAccessible> annotated;
    *annotated.GetAddressOf() = created.release();
    const LRESULT result = LresultFromObject(__uuidof(IAccessible), flags, annotated.Get());
    return result > 0 ? result : 0;
}

LRESULT CALLBACK AnnotatedProcedure(HWND control, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                    DWORD_PTR data) noexcept {
    // The object id arrives as a 32-bit value, sign-extended or not.
    if (message == WM_GETOBJECT && static_cast<LONG>(static_cast<DWORD>(lParam)) == OBJID_CLIENT) {
        const LRESULT result = AnnotatedObject(control, wParam, *reinterpret_cast<const AccessibleAnnotation*>(data));
        if (result) return result;
    }
    if (message == WM_NCDESTROY) RemoveWindowSubclass(control, AnnotatedProcedure, id);
    return DefSubclassProc(control, message, wParam, lParam);
}

}  // namespace

void Annotate(HWND control, const AccessibleAnnotation& annotation) noexcept {
    SetWindowSubclass(control, AnnotatedProcedure, kSubclassId, reinterpret_cast<DWORD_PTR>(&annotation));
}

}  // namespace marsitel::ui
