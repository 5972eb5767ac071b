#include "bench/reference_client.h"

#include <windows.h>
#include <oaidl.h>
#include <wrl/client.h>

#include <cwctype>
#include <stdexcept>
#include <string>
#include <vector>

#include "shared/host_interface.h"
#include "shared/variant.h"

namespace marsitel::bench {
namespace {

using Microsoft::WRL::ComPtr;

constexpr wchar_t kAssemblyLinePrefix[] = L"Bearbeite ";
constexpr wchar_t kOccurrenceLinePrefix[] = L"Vorkommnis ";

void Check(HRESULT status, const char* what) {
    if (FAILED(status)) {
        char text[96];
        wsprintfA(text, "%s failed: 0x%08lX", what, static_cast<unsigned long>(status));
        throw std::runtime_error(text);
    }
}

ComPtr<IDispatch> Converted(IDispatch* object, const IID& interface_id) {
    if (!object) throw std::runtime_error("object result is empty");
    // The host's interfaces are dual; the result goes straight into the
    // ComPtr, since MinGW's ComPtr::Attach would add a reference.
    ComPtr<IDispatch> converted;
    Check(object->QueryInterface(interface_id, reinterpret_cast<void**>(converted.ReleaseAndGetAddressOf())),
          "QueryInterface");
    return converted;
}

Variant Invoke(IDispatch* object, DISPID member, WORD flags, std::vector<VARIANT> arguments = {}) {
    DISPPARAMS parameters{arguments.empty() ? nullptr : arguments.data(), nullptr,
                          static_cast<UINT>(arguments.size()), 0};
    DISPID named_put = DISPID_PROPERTYPUT;
    if (flags == DISPATCH_PROPERTYPUT) {
        parameters.rgdispidNamedArgs = &named_put;
        parameters.cNamedArgs = 1;
    }
    Variant result;
    EXCEPINFO exception{};
    UINT bad_argument = 0;
    const HRESULT status = object->Invoke(member, IID_NULL, LOCALE_USER_DEFAULT, flags, &parameters,
                                          flags == DISPATCH_PROPERTYPUT ? nullptr : result.put(), &exception,
                                          &bad_argument);
    if (exception.bstrSource) SysFreeString(exception.bstrSource);
    if (exception.bstrDescription) SysFreeString(exception.bstrDescription);
    if (exception.bstrHelpFile) SysFreeString(exception.bstrHelpFile);
    Check(status, "Invoke");
    return result;
}

Variant Get(IDispatch* object, DISPID member, std::vector<VARIANT> arguments = {}) {
    return Invoke(object, member, DISPATCH_METHOD | DISPATCH_PROPERTYGET, std::move(arguments));
}

DISPID IdOfName(IDispatch* object, const wchar_t* name) {
    LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
    DISPID id = DISPID_UNKNOWN;
    Check(object->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id), "GetIDsOfNames");
    return id;
}

ComPtr<IDispatch> GetObject(IDispatch* object, DISPID member, const IID& interface_id,
                            std::vector<VARIANT> arguments = {}) {
    const Variant result = Get(object, member, std::move(arguments));
    if (result.get().vt != VT_DISPATCH) throw std::runtime_error("object expected");
    return Converted(result.get().pdispVal, interface_id);
}

Variant ConvertedTo(const Variant& value, VARTYPE type) {
    Variant result;
    Check(VariantChangeType(result.address(), const_cast<VARIANT*>(&value.get()), 0, type), "VariantChangeType");
    return result;
}

std::wstring Text(const Variant& value) {
    const Variant text = ConvertedTo(value, VT_BSTR);
    const BSTR chars = text.get().bstrVal;
    return chars ? std::wstring(chars, SysStringLen(chars)) : std::wstring();
}

std::int32_t Int32(const Variant& value) { return ConvertedTo(value, VT_I4).get().lVal; }

VARIANT Int16Argument(std::int16_t value) {
    VARIANT v;
    VariantInit(&v);
    v.vt = VT_I2;
    v.iVal = value;
    return v;
}

VARIANT ObjectArgument(IDispatch* object) {
    VARIANT v;
    VariantInit(&v);
    v.vt = VT_DISPATCH;
    v.pdispVal = object;
    return v;
}

VARIANT BooleanArgument(bool value) {
    VARIANT v;
    VariantInit(&v);
    v.vt = VT_BOOL;
    v.boolVal = value ? VARIANT_TRUE : VARIANT_FALSE;
    return v;
}

ComPtr<IDispatch> ActiveApplication() {
    CLSID class_id{};
    Check(CLSIDFromProgID(host::kHostProgId, &class_id), "CLSIDFromProgID");
    ComPtr<IUnknown> running;
    Check(GetActiveObject(class_id, nullptr, &running), "GetActiveObject");
    ComPtr<IDispatch> application;
    Check(running.As(&application), "QueryInterface IDispatch");
    return application;
}

bool HostReady() {
    try {
        const ComPtr<IDispatch> application = ActiveApplication();
        const Variant active = Get(application.Get(), IdOfName(application.Get(), host::by_name::kActiveDocument));
        if (active.get().vt != VT_DISPATCH) return false;
        Converted(active.get().pdispVal, host::kIidHostAssembly);
        const Variant documents = Get(application.Get(), IdOfName(application.Get(), host::by_name::kDocuments));
        if (documents.get().vt != VT_DISPATCH || !documents.get().pdispVal) return false;
        IDispatch* collection = documents.get().pdispVal;
        return Int32(Get(collection, IdOfName(collection, host::by_name::kCount))) != 0;
    } catch (const std::exception&) {
        return false;
    }
}

bool IsSubAssembly(const std::wstring& text) {
    if (text.size() < 3) return false;
    std::wstring suffix = text.substr(text.size() - 3);
    for (wchar_t& c : suffix) c = static_cast<wchar_t>(std::towupper(c));
    return suffix == L"ASM";
}

void DeleteRelationsAsYielded(IDispatch* relations) {
    const Variant source = Get(relations, DISPID_NEWENUM);
    if (source.get().vt != VT_UNKNOWN && source.get().vt != VT_DISPATCH) throw std::runtime_error("no enumerator");
    ComPtr<IEnumVARIANT> enumerator;
    Check(source.get().punkVal->QueryInterface(IID_PPV_ARGS(&enumerator)), "QueryInterface IEnumVARIANT");
    for (;;) {
        Variant element;
        ULONG fetched = 0;
        const HRESULT status = enumerator->Next(1, element.put(), &fetched);
        Check(status, "IEnumVARIANT::Next");
        if (status != S_OK || fetched == 0) return;
        if (element.get().vt != VT_DISPATCH || !element.get().pdispVal) throw std::runtime_error("relation expected");
        IDispatch* relation = element.get().pdispVal;
        Invoke(relation, IdOfName(relation, host::by_name::kDelete), DISPATCH_METHOD);
    }
}

void ProcessOccurrences(IDispatch* assembly, bool ground, ProgressDisplay& progress) {
    const ComPtr<IDispatch> occurrences = GetObject(assembly, host::dispid::kOccurrences, host::kIidHostOccurrences);
    const std::int32_t count = Int32(Get(occurrences.Get(), host::dispid::kCount));
    for (std::int32_t i = 1; i <= count; ++i) {
        const ComPtr<IDispatch> occurrence = GetObject(occurrences.Get(), host::dispid::kItem, host::kIidHostOccurrence,
                                                       {Int16Argument(static_cast<std::int16_t>(i))});
        const ComPtr<IDispatch> relations =
            GetObject(occurrence.Get(), host::dispid::kOccurrenceRelations, host::kIidHostRelations);
        progress.SetBarValue(static_cast<float>(i));
        progress.SetOccurrenceLine(kOccurrenceLinePrefix + Text(Get(occurrence.Get(), host::dispid::kOccurrenceName)));
        progress.Repaint();
        DeleteRelationsAsYielded(relations.Get());
        if (ground) {
            const ComPtr<IDispatch> assembly_relations =
                GetObject(assembly, host::dispid::kAssemblyRelations, host::kIidHostRelations);
            Invoke(assembly_relations.Get(), host::dispid::kAddGround, DISPATCH_METHOD,
                   {ObjectArgument(occurrence.Get())});
        }
    }
}

void ProcessAssembly(IDispatch* assembly, std::int16_t levels, bool ground, ProgressDisplay& progress) {
    const ComPtr<IDispatch> occurrences = GetObject(assembly, host::dispid::kOccurrences, host::kIidHostOccurrences);
    progress.SetBarMin(0.0f);
    progress.SetBarMax(static_cast<float>(Int32(Get(occurrences.Get(), host::dispid::kCount))));
    progress.SetAssemblyLine(kAssemblyLinePrefix + Text(Get(assembly, host::dispid::kDisplayName)));
    progress.Repaint();
    ProcessOccurrences(assembly, ground, progress);
    if (levels <= 1) return;
    const std::int32_t count = Int32(Get(occurrences.Get(), host::dispid::kCount));
    for (std::int32_t i = 1; i <= count; ++i) {
        const ComPtr<IDispatch> occurrence = GetObject(occurrences.Get(), host::dispid::kItem, host::kIidHostOccurrence,
                                                       {Int16Argument(static_cast<std::int16_t>(i))});
        if (!IsSubAssembly(Text(Get(occurrence.Get(), host::dispid::kDocumentText)))) continue;
        const ComPtr<IDispatch> sub_assembly =
            GetObject(occurrence.Get(), host::dispid::kOccurrenceDocument, host::kIidHostAssembly);
        ProcessAssembly(sub_assembly.Get(), static_cast<std::int16_t>(levels - 1), ground, progress);
    }
}

}  // namespace

bool RunReferenceRemoval(std::int16_t levels, bool ground, ProgressDisplay& progress) {
    if (!HostReady()) return false;
    const ComPtr<IDispatch> application = Converted(ActiveApplication().Get(), host::kIidHostApplication);
    const ComPtr<IDispatch> assembly =
        GetObject(application.Get(), host::dispid::kActiveDocument, host::kIidHostAssembly);
    {
        const ComPtr<IDispatch> auxiliary =
            GetObject(assembly.Get(), host::dispid::kAuxiliary, host::kIidHostAuxiliary);
        Invoke(auxiliary.Get(), host::dispid::kPrepare, DISPATCH_METHOD);
    }
    Invoke(application.Get(), host::dispid::kWalkFlag, DISPATCH_PROPERTYPUT, {BooleanArgument(true)});
    ProcessAssembly(assembly.Get(), levels, ground, progress);
    Invoke(application.Get(), host::dispid::kWalkFlag, DISPATCH_PROPERTYPUT, {BooleanArgument(false)});
    Invoke(application.Get(), host::dispid::kFinish, DISPATCH_METHOD);
    return true;
}

}  // namespace marsitel::bench
