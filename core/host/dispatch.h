#pragma once
// A typed layer over IDispatch: members are invoked by dispatch id or by
// name, arguments and results are typed, and every failure becomes a
// marsitel::Error (see error_mapping.cpp). Nothing above this layer sees a
// VARIANT or an HRESULT.
#include <windows.h>

#include <oaidl.h>

#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

#include <wrl/client.h>

#include "core/host/busy_host.h"
#include "shared/variant.h"

namespace marsitel::host {

class DispatchObject;

// A COM pointer to a host object that drops its reference as a host call
// (see ReleaseWhileBusy), also when it is assigned another.
template <typename Interface>
class HostPointer {
public:
    HostPointer() = default;
    explicit HostPointer(Microsoft::WRL::ComPtr<Interface> pointer) noexcept : pointer_(std::move(pointer)) {}
    HostPointer(const HostPointer&) = default;
    HostPointer(HostPointer&&) noexcept = default;
    // The reference held until now goes with `other`.
    HostPointer& operator=(HostPointer other) noexcept {
        pointer_.Swap(other.pointer_);
        return *this;
    }
    ~HostPointer() {
        if (pointer_)
            ReleaseWhileBusy([this]() noexcept { pointer_.Reset(); }, [this]() noexcept { pointer_.Detach(); });
    }

    Interface* Get() const noexcept { return pointer_.Get(); }
    Interface* operator->() const noexcept { return pointer_.Get(); }
    // For an out-parameter; the pointer must be empty.
    Interface** Put() noexcept { return pointer_.GetAddressOf(); }

private:
    Microsoft::WRL::ComPtr<Interface> pointer_;
};

// One argument of an invocation, typed as the host expects it.
class Argument {
public:
    static Argument Int16(std::int16_t value);
    static Argument Boolean(bool value);
    // The object by value: a dispatch pointer, not a reference to one.
    static Argument Object(const DispatchObject& object);

    const VARIANT& variant() const noexcept { return value_.get(); }

private:
    Variant value_;
};

// The result of a get, converted on request by the rules of OLE Automation
// (VariantChangeType), which is what the host's other clients see.
class Value {
public:
    Value() = default;
    explicit Value(Variant value) : value_(std::move(value)) {}
    Value(Value&&) noexcept = default;
    Value& operator=(Value&&) = delete;
    // An object it holds is dropped as a HostPointer drops it.
    ~Value();

    std::wstring Text() const;
    std::int32_t Int32() const;
    // An empty result or a null reference gives an empty object (as an
    // assignment of Nothing would); anything but an object is error 13.
    DispatchObject Object() const;

    const VARIANT& variant() const noexcept { return value_.get(); }

private:
    Variant Converted(VARTYPE type) const;
    Variant value_;
};

class DispatchObject {
public:
    DispatchObject() = default;
    explicit DispatchObject(Microsoft::WRL::ComPtr<IDispatch> object) noexcept : object_(std::move(object)) {}

    Value Get(DISPID member, std::initializer_list<const Argument*> arguments = {}) const;
    void Call(DISPID member, std::initializer_list<const Argument*> arguments = {}) const;
    // `bound` is CallBound::Last for the last call after a failure.
    void Put(DISPID member, const Argument& value, CallBound bound = CallBound::Full) const;
    Value Get(std::wstring_view memberName) const;
    void Call(std::wstring_view memberName) const;

    // QueryInterface for one of the host's interfaces, which are all
    // dispatch (dual) interfaces: the result is kept and driven as an
    // IDispatch, which only such an interface allows. An object without the
    // interface is error 13; a query that fails otherwise (the host gone)
    // carries its own status; an interface that COM cannot build this
    // program's proxy for is an InterfaceNotRegisteredError. An empty object
    // converts to an empty object.
    DispatchObject As(const IID& interfaceId) const;

    // The standard enumerator (DISPID_NEWENUM), read completely: elements in
    // the order yielded, fetched many per call.
    std::vector<DispatchObject> ReadEnumeration() const;

    bool empty() const noexcept { return object_.Get() == nullptr; }
    IDispatch* get() const noexcept { return object_.Get(); }

private:
    IDispatch& Required() const;
    DISPID IdOfName(std::wstring_view memberName) const;
    Value Invoke(DISPID member, WORD flags, std::vector<VARIANT>& arguments, bool isPut,
                 CallBound bound = CallBound::Full) const;

    HostPointer<IDispatch> object_;
};

// The active object registered under the ProgID, as plain IDispatch. Never
// starts a server.
DispatchObject AttachToRunningObject(std::wstring_view progId);

// A 32-bit value narrowed to 16 bits; error 6 when it does not fit.
std::int16_t CheckedInt16(std::int32_t value);

}  // namespace marsitel::host
