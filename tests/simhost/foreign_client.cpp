// An automation client that knows nothing of simhost: only the Windows SDK,
// the ProgID, and the interface and dispatch ids as literals. It walks the
// active assembly once through every member of the host's table, deletes the
// relations of each occurrence and grounds it, and releases everything.
//   simhost_foreign_client            the walk; exit code 0 on success
//   simhost_foreign_client --probe    exit code 0 at once (can it run here?)
#include <windows.h>
#include <oleauto.h>
#include <wrl/client.h>

#include <cstdio>
#include <cwchar>
#include <string>
#include <vector>

using Microsoft::WRL::ComPtr;

namespace {

const IID kHostApplication = {0xded89db0, 0x45b6, 0x11ce, {0xb3, 0x07, 0x08, 0x00, 0x36, 0x3a, 0x1e, 0x02}};
const IID kHostAssembly = {0x00c6bf00, 0x483b, 0x11ce, {0x95, 0x1a, 0x08, 0x00, 0x36, 0x01, 0xbe, 0x52}};
const IID kHostAuxiliary = {0xf9293970, 0x4812, 0x11ce, {0x96, 0x47, 0x08, 0x00, 0x36, 0x7e, 0x05, 0x02}};
const IID kHostOccurrences = {0x7ad88cc9, 0xe2f4, 0x11d2, {0xbe, 0xd3, 0x08, 0x00, 0x36, 0xb4, 0xd5, 0x02}};
const IID kHostOccurrence = {0x600251c5, 0xe2f4, 0x11d2, {0xbe, 0xd3, 0x08, 0x00, 0x36, 0xb4, 0xd5, 0x02}};
const IID kHostRelations = {0xe0046380, 0x54c4, 0x11ce, {0x95, 0x1a, 0x08, 0x00, 0x36, 0x01, 0xbe, 0x52}};

struct Failure {
    std::wstring step;
    HRESULT hr;
};

void Check(HRESULT hr, const wchar_t* step) {
    if (FAILED(hr)) throw Failure{step, hr};
}

class Value {
public:
    Value() { VariantInit(&v_); }
    ~Value() { VariantClear(&v_); }
    Value(const Value&) = delete;
    Value& operator=(const Value&) = delete;
    VARIANT* out() {
        VariantClear(&v_);
        return &v_;
    }
    const VARIANT& get() const { return v_; }
    VARIANT* in() { return &v_; }

private:
    VARIANT v_;
};

void Invoke(IDispatch* target, DISPID id, WORD flags, std::vector<VARIANT> args, Value* result, const wchar_t* step) {
    std::vector<VARIANT> reversed(args.rbegin(), args.rend());
    DISPID put = DISPID_PROPERTYPUT;
    DISPPARAMS params{reversed.data(), flags == DISPATCH_PROPERTYPUT ? &put : nullptr,
                      static_cast<UINT>(reversed.size()), flags == DISPATCH_PROPERTYPUT ? 1u : 0u};
    EXCEPINFO excep{};
    HRESULT hr = target->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, flags, &params, result ? result->out() : nullptr,
                                &excep, nullptr);
    SysFreeString(excep.bstrSource);
    SysFreeString(excep.bstrDescription);
    SysFreeString(excep.bstrHelpFile);
    Check(hr, step);
}

ComPtr<IDispatch> GetObject(IDispatch* target, DISPID id, std::vector<VARIANT> args, const wchar_t* step) {
    Value v;
    Invoke(target, id, DISPATCH_PROPERTYGET | DISPATCH_METHOD, std::move(args), &v, step);
    if (v.get().vt != VT_DISPATCH || !v.get().pdispVal) throw Failure{step, DISP_E_TYPEMISMATCH};
    return ComPtr<IDispatch>(v.get().pdispVal);
}

std::wstring GetText(IDispatch* target, DISPID id, const wchar_t* step) {
    Value v;
    Invoke(target, id, DISPATCH_PROPERTYGET, {}, &v, step);
    if (v.get().vt != VT_BSTR) throw Failure{step, DISP_E_TYPEMISMATCH};
    return v.get().bstrVal;
}

long GetLong(IDispatch* target, DISPID id, const wchar_t* step) {
    Value v;
    Invoke(target, id, DISPATCH_PROPERTYGET, {}, &v, step);
    Value converted;
    Check(VariantChangeType(converted.out(), v.in(), 0, VT_I4), step);
    return converted.get().lVal;
}

DISPID IdOf(IDispatch* target, const wchar_t* name) {
    DISPID id = DISPID_UNKNOWN;
    LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
    Check(target->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id), name);
    return id;
}

ComPtr<IDispatch> Convert(ComPtr<IDispatch> object, const IID& iid, const wchar_t* step) {
    ComPtr<IDispatch> converted;
    Check(object->QueryInterface(iid, reinterpret_cast<void**>(converted.GetAddressOf())), step);
    return converted;
}

VARIANT Arg(VARTYPE type, LONGLONG value, IDispatch* object = nullptr) {
    VARIANT v;
    VariantInit(&v);
    v.vt = type;
    if (type == VT_I2) v.iVal = static_cast<SHORT>(value);
    if (type == VT_BOOL) v.boolVal = value ? VARIANT_TRUE : VARIANT_FALSE;
    if (type == VT_DISPATCH) v.pdispVal = object;
    return v;
}

struct Totals {
    long occurrences = 0, deleted = 0, grounded = 0, subassemblies = 0;
};

int DeleteAll(IDispatch* relations) {
    Value e;
    Invoke(relations, DISPID_NEWENUM, DISPATCH_PROPERTYGET | DISPATCH_METHOD, {}, &e, L"relations.NewEnum");
    if (e.get().vt != VT_UNKNOWN && e.get().vt != VT_DISPATCH) throw Failure{L"relations.NewEnum", DISP_E_TYPEMISMATCH};
    ComPtr<IEnumVARIANT> walk;
    Check(e.get().punkVal->QueryInterface(IID_PPV_ARGS(&walk)), L"IEnumVARIANT");
    int deleted = 0;
    for (Value item; walk->Next(1, item.out(), nullptr) == S_OK; ++deleted) {
        IDispatch* relation = item.get().pdispVal;
        Invoke(relation, IdOf(relation, L"Delete"), DISPATCH_METHOD, {}, nullptr, L"relation.Delete");
    }
    return deleted;
}

Totals Walk() {
    CLSID clsid{};
    Check(CLSIDFromProgID(L"SolidEdge.Application", &clsid), L"CLSIDFromProgID");
    ComPtr<IUnknown> running;
    Check(GetActiveObject(clsid, nullptr, &running), L"GetActiveObject");
    ComPtr<IDispatch> plain;
    Check(running.As(&plain), L"IDispatch");
    ComPtr<IDispatch> app = Convert(plain, kHostApplication, L"HostApplication");

    Convert(GetObject(plain.Get(), IdOf(plain.Get(), L"ActiveDocument"), {}, L"ActiveDocument"), kHostAssembly,
            L"ActiveDocument as HostAssembly");
    ComPtr<IDispatch> documents = GetObject(plain.Get(), IdOf(plain.Get(), L"Documents"), {}, L"Documents");
    if (GetLong(documents.Get(), IdOf(documents.Get(), L"Count"), L"Documents.Count") == 0) {
        throw Failure{L"Documents.Count is 0", E_FAIL};
    }

    ComPtr<IDispatch> assembly = Convert(GetObject(app.Get(), 2, {}, L"app.2"), kHostAssembly, L"app.2 as HostAssembly");
    Invoke(Convert(GetObject(assembly.Get(), 39, {}, L"assembly.39"), kHostAuxiliary, L"HostAuxiliary").Get(), 6,
           DISPATCH_METHOD, {}, nullptr, L"aux.6");
    Invoke(app.Get(), 73, DISPATCH_PROPERTYPUT, {Arg(VT_BOOL, true)}, nullptr, L"app.73 = True");

    Totals totals;
    GetText(assembly.Get(), 18, L"assembly.18");
    ComPtr<IDispatch> occurrences =
        Convert(GetObject(assembly.Get(), 16390, {}, L"assembly.16390"), kHostOccurrences, L"HostOccurrences");
    long count = GetLong(occurrences.Get(), 3, L"occurrences.3");
    for (short i = 1; i <= count; ++i, ++totals.occurrences) {
        ComPtr<IDispatch> occurrence =
            Convert(GetObject(occurrences.Get(), 0, {Arg(VT_I2, i)}, L"occurrences(i)"), kHostOccurrence,
                    L"HostOccurrence");
        ComPtr<IDispatch> relations =
            Convert(GetObject(occurrence.Get(), 17, {}, L"occurrence.17"), kHostRelations, L"HostRelations");
        GetText(occurrence.Get(), 5, L"occurrence.5");
        totals.deleted += DeleteAll(relations.Get());
        ComPtr<IDispatch> all =
            Convert(GetObject(assembly.Get(), 16386, {}, L"assembly.16386"), kHostRelations, L"HostRelations");
        Invoke(all.Get(), 4, DISPATCH_METHOD, {Arg(VT_DISPATCH, 0, occurrence.Get())}, nullptr, L"relations.4");
        ++totals.grounded;
        const std::wstring document = GetText(occurrence.Get(), 39, L"occurrence.39");
        if (document.size() >= 3 && _wcsicmp(document.c_str() + document.size() - 3, L"asm") == 0) {
            Convert(GetObject(occurrence.Get(), 38, {}, L"occurrence.38"), kHostAssembly, L"sub-assembly");
            ++totals.subassemblies;
        }
    }
    Invoke(app.Get(), 73, DISPATCH_PROPERTYPUT, {Arg(VT_BOOL, false)}, nullptr, L"app.73 = False");
    Invoke(app.Get(), 63, DISPATCH_METHOD, {}, nullptr, L"app.63");
    return totals;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc > 1 && std::wcscmp(argv[1], L"--probe") == 0) return 0;
    if (FAILED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) return 3;
    int code = 0;
    try {
        Totals t = Walk();
        std::printf("occurrences %ld deleted %ld grounded %ld subassemblies %ld\n", t.occurrences, t.deleted,
                    t.grounded, t.subassemblies);
    } catch (const Failure& f) {
        std::printf("failed at %ls: 0x%08lX\n", f.step.c_str(), static_cast<unsigned long>(f.hr));
        code = 1;
    }
    std::fflush(stdout);
    CoUninitialize();
    return code;
}
