#pragma once
// COM on the calling thread: its apartment, and the ownership of a
// reference that COM or a factory hands out.
#include <windows.h>

#include <objbase.h>

#include <wrl/client.h>

namespace marsitel {

// The calling thread's membership of a single-threaded apartment, for as
// long as the owner lives: objects that run messages through COM (an OLE
// message filter, a server's objects) need one.
class ComApartment {
public:
    ComApartment() noexcept : result_(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)) {}
    ~ComApartment() {
        if (SUCCEEDED(result_)) CoUninitialize();
    }
    ComApartment(const ComApartment&) = delete;
    ComApartment& operator=(const ComApartment&) = delete;

    // A failure means that the thread cannot use COM.
    HRESULT result() const noexcept { return result_; }

private:
    HRESULT result_;
};

// QueryInterface of an object of ours that offers one interface, `own`,
// besides IUnknown.
template <class Interface>
HRESULT QueryOwnInterface(Interface* self, REFIID iid, REFIID own, void** object) noexcept {
    if (!object) return E_POINTER;
    *object = iid == IID_IUnknown || iid == own ? self : nullptr;
    if (!*object) return E_NOINTERFACE;
    self->AddRef();
    return S_OK;
}

// Takes over a reference that was handed out (by a factory, a new object or
// QueryInterface) without adding one. ComPtr::Attach is not used for this:
// MinGW-w64's version adds a reference where the documented one does not,
// and nothing would release it.
template <class T>
Microsoft::WRL::ComPtr<T> Adopt(T* raw) noexcept {
    Microsoft::WRL::ComPtr<T> owner;
    *owner.GetAddressOf() = raw;
    return owner;
}

}  // namespace marsitel
