#include "core/host/dispatch.h"

#include <algorithm>
#include <array>
#include <iterator>
#include <limits>

#include "core/host/busy_host.h"
#include "core/host/error_mapping.h"
#include "shared/unique_handle.h"

namespace marsitel::host {
namespace {

using Microsoft::WRL::ComPtr;

// Elements asked for per IEnumVARIANT::Next: one round trip for a typical
// occurrence's relations.
constexpr ULONG kEnumerationBatch = 64;

// The plain VARIANT array that IEnumVARIANT::Next fills. Every element is
// cleared before each refill and when the batch goes, on every path, so an
// element the enumerator filled beyond what it reported leaks nothing either.
class VariantBatch {
public:
    VariantBatch() noexcept {
        for (VARIANT& element : elements_) VariantInit(&element);
    }
    ~VariantBatch() { Clear(); }
    VariantBatch(const VariantBatch&) = delete;
    VariantBatch& operator=(const VariantBatch&) = delete;

    // Empties the batch and hands it out for filling.
    VARIANT* Refill() noexcept {
        Clear();
        return elements_.data();
    }
    const VARIANT& operator[](ULONG index) const noexcept { return elements_[index]; }

private:
    // The elements may hold the last references to host objects.
    void Clear() noexcept {
        ReleaseWhileBusy(
            [this]() noexcept {
                for (VARIANT& element : elements_) VariantClear(&element);
            },
            [this]() noexcept {
                for (VARIANT& element : elements_) VariantInit(&element);
            });
    }

    std::array<VARIANT, kEnumerationBatch> elements_;
};

void ThrowIfFailed(HRESULT status) {
    if (FAILED(status)) throw ErrorFromStatus(status);
}

Error ConversionError(HRESULT status) {
    if (status == DISP_E_OVERFLOW) return OverflowError();
    if (status == DISP_E_TYPEMISMATCH || status == DISP_E_BADVARTYPE) return TypeMismatchError();
    return ErrorFromStatus(status);
}

constexpr int kProgramBits = sizeof(void*) * 8;

// The controlling unknown of a proxy that is made only to see that it can
// be: it counts and owns nothing.
class ProbeOuter final : public IUnknown {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void** object) noexcept override {
        *object = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() noexcept override { return ++references_; }
    ULONG STDMETHODCALLTYPE Release() noexcept override { return --references_; }

private:
    ULONG references_ = 1;
};

// What stops COM from building this program's proxy for the interface, as
// it does for a query into the host's process: no registration for this
// program's bitness (REGDB_E_IIDNOTREG), or no factory or type library for
// the proxy. S_OK when nothing does. Asks nothing of the host.
HRESULT ProxyStatus(const IID& interfaceId) noexcept {
    CLSID factoryId{};
    HRESULT status = CoGetPSClsid(interfaceId, &factoryId);
    if (FAILED(status)) return status;
    ComPtr<IPSFactoryBuffer> factory;
    status = CoGetClassObject(factoryId, CLSCTX_INPROC_SERVER, nullptr, IID_PPV_ARGS(&factory));
    if (FAILED(status)) return status;
    ProbeOuter outer;
    ComPtr<IRpcProxyBuffer> proxy;
    ComPtr<IUnknown> object;
    return factory->CreateProxy(&outer, interfaceId, &proxy, reinterpret_cast<void**>(object.GetAddressOf()));
}

// Whether the registry's view for programs of the other bitness has the
// interface. A 32-bit Windows has no such view.
bool RegisteredForOtherBits(const IID& interfaceId) noexcept {
    REGSAM otherView = KEY_WOW64_32KEY;
    if constexpr (kProgramBits == 32) {
        BOOL wow64 = FALSE;
        if (!IsWow64Process(GetCurrentProcess(), &wow64) || !wow64) return false;
        otherView = KEY_WOW64_64KEY;
    }
    wchar_t iid[40] = {};
    StringFromGUID2(interfaceId, iid, static_cast<int>(std::size(iid)));
    const std::wstring path = L"Interface\\" + std::wstring(iid) + L"\\ProxyStubClsid32";
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_CLASSES_ROOT, path.c_str(), 0, KEY_READ | otherView, &key) != ERROR_SUCCESS) return false;
    const UniqueKey owned(key);
    return true;
}

void ThrowIfNoProxyHere(const IID& interfaceId) {
    const HRESULT status = ProxyStatus(interfaceId);
    if (FAILED(status)) throw InterfaceNotRegistered(status, kProgramBits, RegisteredForOtherBits(interfaceId));
}

// A conversion is a type mismatch only when the object does not offer the
// interface. When the query itself fails (the host has gone, the call could
// not be delivered, memory ran out), the user is told that, not that their
// assembly is wrong.
//
// Wine's proxies answer every remote query that fails with E_NOINTERFACE,
// also when the host has ended. So a refusal is first checked with a call
// that every dispatch object answers, made on the host object concerned
// (the one asked, or the collection that gave the enumerator): where the
// host has gone, that call fails too, with the status that says so. Windows
// passes the query's own status on; there the check only costs a round
// trip on the way to error 13.
//
// A query for one of the host's own interfaces (`hostInterface`) also fails
// when COM cannot build this program's proxy for it: then the registration
// is at fault, not the object, and the user is told that instead.
void ThrowIfConversionFailed(HRESULT status, IDispatch* hostObject = nullptr, const IID* hostInterface = nullptr) {
    if (SUCCEEDED(status)) return;
    if (status == E_NOINTERFACE && hostObject) {
        UINT typeInfoCount = 0;
        ThrowIfFailed(CallWhileBusy([&] { return hostObject->GetTypeInfoCount(&typeInfoCount); }));
    }
    if (hostInterface) ThrowIfNoProxyHere(*hostInterface);
    if (status == E_NOINTERFACE) throw TypeMismatchError();
    throw ErrorFromStatus(status);
}

DispatchObject DispatchFromUnknown(IUnknown* unknown) {
    if (!unknown) return {};
    ComPtr<IDispatch> dispatch;
    ThrowIfConversionFailed(CallWhileBusy([&] { return unknown->QueryInterface(IID_PPV_ARGS(&dispatch)); }));
    return DispatchObject(std::move(dispatch));
}

DispatchObject ObjectFromVariant(const VARIANT& value) {
    switch (value.vt) {
    case VT_EMPTY:
        return {};
    case VT_DISPATCH:
        return DispatchObject(ComPtr<IDispatch>(value.pdispVal));
    case VT_UNKNOWN:
        return DispatchFromUnknown(value.punkVal);
    case VT_DISPATCH | VT_BYREF:
        return value.ppdispVal ? DispatchObject(ComPtr<IDispatch>(*value.ppdispVal)) : DispatchObject();
    case VT_UNKNOWN | VT_BYREF:
        return value.ppunkVal ? DispatchFromUnknown(*value.ppunkVal) : DispatchObject();
    default:
        throw TypeMismatchError();
    }
}

}  // namespace

Argument Argument::Int16(std::int16_t value) {
    Argument argument;
    VARIANT* v = argument.value_.put();
    v->vt = VT_I2;
    v->iVal = value;
    return argument;
}

Argument Argument::Boolean(bool value) {
    Argument argument;
    VARIANT* v = argument.value_.put();
    v->vt = VT_BOOL;
    v->boolVal = value ? VARIANT_TRUE : VARIANT_FALSE;
    return argument;
}

Argument Argument::Object(const DispatchObject& object) {
    Argument argument;
    VARIANT* v = argument.value_.put();
    v->vt = VT_DISPATCH;
    v->pdispVal = object.get();
    if (v->pdispVal) v->pdispVal->AddRef();
    return argument;
}

Value::~Value() {
    const VARTYPE type = value_.get().vt;
    if (type == VT_DISPATCH || type == VT_UNKNOWN) {
        ReleaseWhileBusy([this]() noexcept { value_ = Variant(); }, [this]() noexcept { value_.release(); });
    }
}

Variant Value::Converted(VARTYPE type) const {
    Variant result;
    // VariantChangeType only reads its source. An object is converted by a
    // call to the host, of its default member.
    const HRESULT status =
        CallWhileBusy([&] { return VariantChangeType(result.put(), const_cast<VARIANT*>(&value_.get()), 0, type); });
    if (FAILED(status)) throw ConversionError(status);
    return result;
}

std::wstring Value::Text() const {
    const Variant text = Converted(VT_BSTR);
    const BSTR chars = text.get().bstrVal;
    return chars ? std::wstring(chars, SysStringLen(chars)) : std::wstring();
}

std::int32_t Value::Int32() const {
    return Converted(VT_I4).get().lVal;
}

DispatchObject Value::Object() const {
    return ObjectFromVariant(value_.get());
}

IDispatch& DispatchObject::Required() const {
    if (empty()) throw ObjectNotSetError();
    return *object_.Get();
}

DISPID DispatchObject::IdOfName(std::wstring_view memberName) const {
    std::wstring name(memberName);
    LPOLESTR names[] = {name.data()};
    DISPID id = DISPID_UNKNOWN;
    IDispatch& target = Required();
    ThrowIfFailed(CallWhileBusy([&] { return target.GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id); }));
    return id;
}

Value DispatchObject::Invoke(DISPID member, WORD flags, std::vector<VARIANT>& arguments, bool isPut,
                             CallBound bound) const {
    IDispatch& target = Required();
    DISPID namedPut = DISPID_PROPERTYPUT;
    DISPPARAMS parameters{};
    parameters.rgvarg = arguments.empty() ? nullptr : arguments.data();
    parameters.cArgs = static_cast<UINT>(arguments.size());
    if (isPut) {
        parameters.rgdispidNamedArgs = &namedPut;
        parameters.cNamedArgs = 1;
    }
    Variant result;
    EXCEPINFO exception{};
    const HRESULT status = CallWhileBusy(
        [&] {
            UINT badArgument = 0;
            return target.Invoke(member, IID_NULL, LOCALE_USER_DEFAULT, flags, &parameters,
                                 isPut ? nullptr : result.put(), &exception, &badArgument);
        },
        bound);
    if (status == DISP_E_EXCEPTION) throw ErrorFromException(exception);
    ThrowIfFailed(status);
    return Value(std::move(result));
}

namespace {

// IDispatch takes its arguments last to first.
std::vector<VARIANT> ArgumentList(std::initializer_list<const Argument*> arguments) {
    std::vector<VARIANT> list;
    list.reserve(arguments.size());
    for (auto it = std::rbegin(arguments); it != std::rend(arguments); ++it) list.push_back((*it)->variant());
    return list;
}

}  // namespace

Value DispatchObject::Get(DISPID member, std::initializer_list<const Argument*> arguments) const {
    auto list = ArgumentList(arguments);
    return Invoke(member, DISPATCH_METHOD | DISPATCH_PROPERTYGET, list, false);
}

void DispatchObject::Call(DISPID member, std::initializer_list<const Argument*> arguments) const {
    auto list = ArgumentList(arguments);
    Invoke(member, DISPATCH_METHOD, list, false);
}

void DispatchObject::Put(DISPID member, const Argument& value, CallBound bound) const {
    std::vector<VARIANT> list{value.variant()};
    Invoke(member, DISPATCH_PROPERTYPUT, list, true, bound);
}

Value DispatchObject::Get(std::wstring_view memberName) const {
    return Get(IdOfName(memberName));
}

void DispatchObject::Call(std::wstring_view memberName) const {
    Call(IdOfName(memberName));
}

DispatchObject DispatchObject::As(const IID& interfaceId) const {
    if (empty()) return {};
    // Relied on here: every interface asked for is one of the host's, and
    // those are dispatch (dual) interfaces, so the pointer QueryInterface
    // returns begins with IDispatch's methods and is invoked as an IDispatch
    // from now on.
    ComPtr<IDispatch> converted;
    const HRESULT status = CallWhileBusy([&] {
        return object_->QueryInterface(interfaceId, reinterpret_cast<void**>(converted.ReleaseAndGetAddressOf()));
    });
    ThrowIfConversionFailed(status, object_.Get(), &interfaceId);
    if (!converted) throw TypeMismatchError();
    return DispatchObject(std::move(converted));
}

std::vector<DispatchObject> DispatchObject::ReadEnumeration() const {
    HostPointer<IEnumVARIANT> enumerator;
    {
        const Value source = Get(DISPID_NEWENUM);
        const VARIANT& v = source.variant();
        IUnknown* unknown = (v.vt == VT_UNKNOWN || v.vt == VT_DISPATCH) ? v.punkVal : nullptr;
        if (!unknown) throw TypeMismatchError();
        ThrowIfConversionFailed(CallWhileBusy([&] { return unknown->QueryInterface(IID_PPV_ARGS(enumerator.Put())); }),
                                object_.Get());
    }
    std::vector<DispatchObject> elements;
    VariantBatch batch;
    for (;;) {
        ULONG fetched = 0;
        const HRESULT status =
            CallWhileBusy([&] { return enumerator->Next(kEnumerationBatch, batch.Refill(), &fetched); });
        ThrowIfFailed(status);
        fetched = std::min(fetched, kEnumerationBatch);
        for (ULONG i = 0; i < fetched; ++i) elements.push_back(ObjectFromVariant(batch[i]));
        if (status != S_OK || fetched < kEnumerationBatch) return elements;
    }
}

DispatchObject AttachToRunningObject(std::wstring_view progId) {
    const std::wstring name(progId);
    CLSID classId{};
    ThrowIfFailed(CLSIDFromProgID(name.c_str(), &classId));
    // Taking the running object reaches the host too, which may refuse
    // while it is busy or not answer.
    HostPointer<IUnknown> running;
    ThrowIfFailed(CallWhileBusy([&] { return GetActiveObject(classId, nullptr, running.Put()); }));
    ComPtr<IDispatch> dispatch;
    ThrowIfConversionFailed(CallWhileBusy([&] { return running->QueryInterface(IID_PPV_ARGS(&dispatch)); }));
    return DispatchObject(std::move(dispatch));
}

std::int16_t CheckedInt16(std::int32_t value) {
    if (value < std::numeric_limits<std::int16_t>::min() || value > std::numeric_limits<std::int16_t>::max()) {
        throw OverflowError();
    }
    return static_cast<std::int16_t>(value);
}

}  // namespace marsitel::host
