#pragma once
// Takes over a reference that a factory or QueryInterface handed out.
// ComPtr::Attach is not used for this: MinGW-w64's version adds a reference
// where the documented one does not.
#include <wrl/client.h>

namespace simhost {

template <class T>
Microsoft::WRL::ComPtr<T> Adopt(T* raw) noexcept {
    Microsoft::WRL::ComPtr<T> owner;
    *owner.GetAddressOf() = raw;
    return owner;
}

}  // namespace simhost
