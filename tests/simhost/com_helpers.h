#pragma once
// Calls through IDispatch the way an automation client makes them.
#include <windows.h>
#include <oleauto.h>
#include <wrl/client.h>

#include "core/host/com_apartment.h"

#include <string>
#include <vector>

namespace simhost_test {

using Microsoft::WRL::ComPtr;

// A clamping fixture with a sub-assembly placed twice and grounded parts at
// two levels.
inline constexpr wchar_t kFixtureScenario[] = LR"(simhost-scenario 1
document Vorrichtung.asm assembly "Spannvorrichtung"
document Platte.par part Grundplatte
document Spanner.asm assembly "Spanner"
document Bolzen.par part Bolzen
occurrence Spanner.asm Bolzen:1 Bolzen.par
relation Spanner.asm ground Bolzen:1
occurrence Vorrichtung.asm Platte:1 Platte.par
occurrence Vorrichtung.asm Spanner:1 Spanner.asm
occurrence Vorrichtung.asm Spanner:2 Spanner.asm
relation Vorrichtung.asm ground Platte:1
relation Vorrichtung.asm axial Spanner:1 Platte:1
relation Vorrichtung.asm mate Spanner:1 Platte:1
active Vorrichtung.asm
)";

using marsitel::host::ComApartment;

struct CallResult {
    HRESULT hr = S_OK;
    VARIANT value{};
    EXCEPINFO excep{};
    CallResult() { VariantInit(&value); }
    ~CallResult() {
        VariantClear(&value);
        SysFreeString(excep.bstrSource);
        SysFreeString(excep.bstrDescription);
    }
    CallResult(const CallResult&) = delete;
    CallResult& operator=(const CallResult&) = delete;
    std::wstring Description() const { return excep.bstrDescription ? excep.bstrDescription : L""; }
};

inline void Call(IDispatch* target, DISPID id, WORD flags, std::vector<VARIANT> args, CallResult& out) {
    std::vector<VARIANT> reversed(args.rbegin(), args.rend());
    DISPPARAMS params{reversed.data(), nullptr, static_cast<UINT>(reversed.size()), 0};
    DISPID put_id = DISPID_PROPERTYPUT;
    if (flags & DISPATCH_PROPERTYPUT) {
        params.rgdispidNamedArgs = &put_id;
        params.cNamedArgs = 1;
    }
    UINT arg_error = 0;
    out.hr = target->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, flags, &params, &out.value, &out.excep, &arg_error);
}

// A method call or property put whose only interest is its outcome.
inline HRESULT Outcome(IDispatch* target, DISPID id, std::vector<VARIANT> args = {}, WORD flags = DISPATCH_METHOD) {
    CallResult r;
    Call(target, id, flags, std::move(args), r);
    return r.hr;
}

inline VARIANT I2(short value) {
    VARIANT v{};
    v.vt = VT_I2;
    v.iVal = value;
    return v;
}

inline VARIANT Bool(bool value) {
    VARIANT v{};
    v.vt = VT_BOOL;
    v.boolVal = value ? VARIANT_TRUE : VARIANT_FALSE;
    return v;
}

inline VARIANT Object(IDispatch* object) {
    VARIANT v{};
    v.vt = VT_DISPATCH;
    v.pdispVal = object;
    return v;
}

// Property get; null on error, which the caller's ASSERT catches.
inline ComPtr<IDispatch> GetObject(IDispatch* target, DISPID id, std::vector<VARIANT> args = {}) {
    CallResult r;
    Call(target, id, DISPATCH_PROPERTYGET | DISPATCH_METHOD, std::move(args), r);
    return SUCCEEDED(r.hr) && r.value.vt == VT_DISPATCH ? ComPtr<IDispatch>(r.value.pdispVal) : nullptr;
}

inline std::wstring GetText(IDispatch* target, DISPID id) {
    CallResult r;
    Call(target, id, DISPATCH_PROPERTYGET, {}, r);
    return SUCCEEDED(r.hr) && r.value.vt == VT_BSTR ? std::wstring(r.value.bstrVal) : L"<error>";
}

inline long GetNumber(IDispatch* target, DISPID id) {
    CallResult r;
    Call(target, id, DISPATCH_PROPERTYGET, {}, r);
    return SUCCEEDED(r.hr) && r.value.vt == VT_I4 ? r.value.lVal : -999999;
}

inline DISPID IdOfName(IDispatch* target, const wchar_t* name) {
    DISPID id = DISPID_UNKNOWN;
    LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
    target->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id);
    return id;
}

inline HRESULT Convert(IUnknown* object, const GUID& iid) {
    ComPtr<IUnknown> converted;
    return object->QueryInterface(iid, reinterpret_cast<void**>(converted.GetAddressOf()));
}

inline ComPtr<IEnumVARIANT> NewEnum(IDispatch* relations) {
    CallResult r;
    Call(relations, DISPID_NEWENUM, DISPATCH_PROPERTYGET | DISPATCH_METHOD, {}, r);
    ComPtr<IEnumVARIANT> e;
    if (SUCCEEDED(r.hr) && r.value.vt == VT_UNKNOWN) r.value.punkVal->QueryInterface(IID_PPV_ARGS(&e));
    return e;
}

// Every relation an enumerator yields, in order.
inline std::vector<ComPtr<IDispatch>> Enumerate(IDispatch* relations) {
    std::vector<ComPtr<IDispatch>> out;
    ComPtr<IEnumVARIANT> e = NewEnum(relations);
    VARIANT item;
    VariantInit(&item);
    while (e && e->Next(1, &item, nullptr) == S_OK) {
        if (item.vt == VT_DISPATCH) out.emplace_back(item.pdispVal);
        VariantClear(&item);
    }
    return out;
}

}  // namespace simhost_test
