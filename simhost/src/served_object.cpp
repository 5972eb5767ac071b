// The objects the host serves and their members: thin COM wrappers around
// an identity in the model (an assembly, an occurrence index, a relation
// id), so a wrapper never holds other wrappers and every reference counted
// here is one that a client holds. What they answer where the interface
// leaves it open is listed in simhost/README.md ("The objects").
#include <wrl/client.h>

#include <algorithm>
#include <cwctype>
#include <span>
#include <stdexcept>

#include "host_state.h"
#include "shared/com.h"
#include "shared/variant.h"
#include "simhost/interface_ids.h"

namespace simhost {

using marsitel::Variant;

namespace {

// What a member answers: a status, a value, or a failure of the host's.
struct Outcome {
    Outcome() = default;
    explicit Outcome(HRESULT status) : hr(status) {}
    explicit Outcome(Variant result) : value(std::move(result)) {}
    explicit Outcome(HostFailure f)
        : hr(f.bare_hresult ? static_cast<HRESULT>(f.number) : DISP_E_EXCEPTION), failure(std::move(f)) {}
    HRESULT hr = S_OK;
    Variant value;
    std::optional<HostFailure> failure;
};

Outcome HostError(std::int32_t number, std::wstring description) {
    return Outcome(HostFailure{number, std::move(description), false});
}
Outcome Count(std::size_t count) { return Outcome(Variant::Long(static_cast<long>(count))); }
Outcome Object(VARTYPE type, IUnknown* object) {
    Outcome o;
    o.value.put()->vt = type;
    o.value.address()->punkVal = object;
    return o;
}

std::wstring DescribeOutcome(const Outcome& o) {
    if (o.failure) {
        if (o.failure->bare_hresult) return L"hresult " + Hex(o.failure->number);
        return L"error " + std::to_wstring(o.failure->number) + L" " + o.failure->description;
    }
    if (FAILED(o.hr)) return L"hresult " + Hex(o.hr);
    // The same line whether or not the caller asked for a result: across
    // processes the marshaller always asks.
    if (o.value.get().vt == VT_EMPTY) return L"S_OK";
    return DescribeVariant(o.value.get());
}

// The interface of each kind of object, in the order of ObjectKind; a part
// document has none.
constexpr const GUID* kInterfaceOfKind[] = {
    &host::kIidHostApplication, nullptr, &host::kIidHostAssembly, &host::kIidHostAuxiliary, &host::kIidHostOccurrences,
    &host::kIidHostOccurrence, &host::kIidHostRelations, nullptr, nullptr};

const wchar_t* HostInterfaceName(REFIID riid) {
    for (const HostInterface& i : kHostInterfaces) {
        if (IsEqualIID(riid, *i.iid)) return i.name;
    }
    return nullptr;
}

// Converts an integer-like argument; false for anything else.
bool ArgumentAsLong(const VARIANT& arg, long& out) {
    Variant copy;
    if (FAILED(VariantCopyInd(copy.put(), const_cast<VARIANT*>(&arg)))) return false;
    constexpr VARTYPE kIntegers[] = {VT_I1, VT_I2, VT_I4, VT_I8, VT_UI1, VT_UI2, VT_UI4, VT_UI8, VT_INT, VT_UINT};
    if (std::ranges::find(kIntegers, copy.get().vt) == std::end(kIntegers)) return false;
    if (FAILED(VariantChangeType(copy.address(), copy.address(), 0, VT_I4))) return false;
    out = copy.get().lVal;
    return true;
}

class ServedObject;
using Handler = Outcome (*)(ServedObject& self, const DISPPARAMS& params);

struct Member {
    DISPID id;
    const wchar_t* name;   // reachable through GetIDsOfNames, or null
    const wchar_t* label;  // journal label, or null for the decimal id
    bool puttable;
    UINT arguments;
    Handler handler;
};

class ServedObject final : public HostComObject<IDispatch> {
public:
    ServedObject(std::shared_ptr<HostState> state, ObjectId id)
        : HostComObject(std::move(state), id.Name()), id_(std::move(id)) {}

    const ObjectId* Identity() const override { return &id_; }

    HostState& State() { return *state_; }
    const ObjectId& Id() const { return id_; }
    const Document& Doc() const { return *state_->model.Find(id_.doc); }
    const Occurrence& Occ() const { return Doc().occurrences[static_cast<std::size_t>(id_.index - 1)]; }
    Outcome Child(ObjectId id) { return Object(VT_DISPATCH, NewServedObject(state_, std::move(id))); }
    Outcome Enumerator() { return Object(VT_UNKNOWN, NewRelationEnumerator(state_, id_)); }

    // IUnknown
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) noexcept override;
    // IDispatch
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) noexcept override {
        if (!count) return E_POINTER;
        *count = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo** info) noexcept override {
        if (info) *info = nullptr;
        return DISP_E_BADINDEX;
    }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) noexcept override;
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                                     EXCEPINFO* excep, UINT* arg_error) noexcept override;

private:
    std::span<const Member> Members() const;

    ObjectId id_;
};

Outcome WalkFlag(ServedObject& self, const DISPPARAMS& params) {
    if (params.cArgs == 0) return Outcome(Variant::Bool(self.State().walk_flag));
    Variant value;
    if (FAILED(VariantChangeType(value.put(), &params.rgvarg[0], 0, VT_BOOL))) return Outcome(DISP_E_TYPEMISMATCH);
    self.State().walk_flag = value.get().boolVal != VARIANT_FALSE;
    return {};
}

Outcome Item(ServedObject& self, const DISPPARAMS& params) {
    long index = 0;
    if (!ArgumentAsLong(params.rgvarg[0], index)) return Outcome(DISP_E_TYPEMISMATCH);
    if (index < 1 || index > static_cast<long>(self.Doc().occurrences.size())) {
        return HostError(host_error::kBadIndex, L"Index außerhalb des gültigen Bereichs.");
    }
    return self.Child({ObjectKind::Occ, self.Id().doc, static_cast<int>(index)});
}

Outcome AddGround(ServedObject& self, const DISPPARAMS& params) {
    Variant arg;
    const ObjectId* target = nullptr;
    Microsoft::WRL::ComPtr<IUnknown> keep;
    void* raw = nullptr;
    if (SUCCEEDED(VariantCopyInd(arg.put(), &params.rgvarg[0])) && arg.get().vt == VT_DISPATCH && arg.get().pdispVal &&
        SUCCEEDED(arg.get().pdispVal->QueryInterface(kIidSimhostObject, &raw))) {
        HostObject* object = static_cast<HostObject*>(raw);
        keep = marsitel::Adopt(object->Unknown());
        target = object->Identity();
    }
    if (!target || target->kind != ObjectKind::Occ || target->doc != self.Id().doc) {
        return HostError(host_error::kNotAnOccurrence, L"Das Argument ist kein Vorkommnis dieser Baugruppe.");
    }
    self.State().model.AddGround(self.Id().doc, target->index);
    return {};
}

Outcome Nothing(ServedObject&, const DISPPARAMS&) { return {}; }
Outcome DocName(ServedObject& self, const DISPPARAMS&) { return Outcome(Variant::Text(self.Doc().display_name)); }

constexpr Member kAppMembers[] = {
    {host::dispid::kActiveDocument, host::by_name::kActiveDocument, nullptr, false, 0,
     [](ServedObject& self, const DISPPARAMS&) {
         const auto& active = self.State().model.active;
         if (!active) return HostError(host_error::kNoActiveDocument, L"Es ist kein Dokument aktiv.");
         return self.Child({ObjectKind::Doc, *active});
     }},
    {kDocumentsDispid, host::by_name::kDocuments, host::by_name::kDocuments, false, 0,
     [](ServedObject& self, const DISPPARAMS&) { return self.Child({ObjectKind::Docs}); }},
    {host::dispid::kWalkFlag, nullptr, nullptr, true, 0, WalkFlag},
    {host::dispid::kFinish, nullptr, nullptr, false, 0, Nothing},
};
constexpr Member kDocsMembers[] = {
    {host::dispid::kCount, host::by_name::kCount, host::by_name::kCount, false, 0,
     [](ServedObject& self, const DISPPARAMS&) {
         const Model& m = self.State().model;
         return Count(m.active ? m.documents.size() : 0);
     }},
};
constexpr Member kAssemblyMembers[] = {
    {host::dispid::kAuxiliary, nullptr, nullptr, false, 0,
     [](ServedObject& self, const DISPPARAMS&) { return self.Child({ObjectKind::Aux, self.Id().doc}); }},
    {host::dispid::kOccurrences, nullptr, nullptr, false, 0,
     [](ServedObject& self, const DISPPARAMS&) { return self.Child({ObjectKind::Occs, self.Id().doc}); }},
    {host::dispid::kDisplayName, L"Name", nullptr, false, 0, DocName},
    {host::dispid::kAssemblyRelations, nullptr, nullptr, false, 0,
     [](ServedObject& self, const DISPPARAMS&) { return self.Child({ObjectKind::Rels, self.Id().doc}); }},
};
constexpr Member kPartMembers[] = {{host::dispid::kDisplayName, L"Name", nullptr, false, 0, DocName}};
constexpr Member kAuxMembers[] = {{host::dispid::kPrepare, nullptr, nullptr, false, 0, Nothing}};
constexpr Member kOccsMembers[] = {
    {host::dispid::kItem, L"Item", nullptr, false, 1, Item},
    {host::dispid::kCount, host::by_name::kCount, nullptr, false, 0,
     [](ServedObject& self, const DISPPARAMS&) { return Count(self.Doc().occurrences.size()); }},
};
constexpr Member kOccMembers[] = {
    {host::dispid::kOccurrenceName, L"Name", nullptr, false, 0,
     [](ServedObject& self, const DISPPARAMS&) { return Outcome(Variant::Text(self.Occ().name)); }},
    {host::dispid::kOccurrenceRelations, nullptr, nullptr, false, 0,
     [](ServedObject& self, const DISPPARAMS&) {
         return self.Child({ObjectKind::Rels, self.Id().doc, self.Id().index, true});
     }},
    {host::dispid::kDocumentText, nullptr, nullptr, false, 0,
     [](ServedObject& self, const DISPPARAMS&) { return Outcome(Variant::Text(self.Occ().placed)); }},
    {host::dispid::kOccurrenceDocument, nullptr, nullptr, false, 0,
     [](ServedObject& self, const DISPPARAMS&) { return self.Child({ObjectKind::Doc, self.Occ().placed}); }},
};
constexpr Member kRelsMembers[] = {
    {DISPID_NEWENUM, L"_NewEnum", nullptr, false, 0,
     [](ServedObject& self, const DISPPARAMS&) { return self.Enumerator(); }},
    {host::dispid::kCount, host::by_name::kCount, nullptr, false, 0,
     [](ServedObject& self, const DISPPARAMS&) { return Count(self.State().RelationIds(self.Id()).size()); }},
    {host::dispid::kAddGround, nullptr, nullptr, false, 1, AddGround},
};
constexpr Member kRelMembers[] = {
    {kDeleteDispid, host::by_name::kDelete, host::by_name::kDelete, false, 0,
     [](ServedObject& self, const DISPPARAMS&) {
         if (self.State().model.DeleteRelation(self.Id().doc, self.Id().index)) return Outcome{};
         return HostError(host_error::kRelationDeleted, L"Die Beziehung wurde bereits gelöscht.");
     }},
};

std::span<const Member> MembersOf(ObjectKind kind, bool part) {
    switch (kind) {
        case ObjectKind::App: return kAppMembers;
        case ObjectKind::Docs: return kDocsMembers;
        case ObjectKind::Doc: return part ? std::span<const Member>(kPartMembers) : kAssemblyMembers;
        case ObjectKind::Aux: return kAuxMembers;
        case ObjectKind::Occs: return kOccsMembers;
        case ObjectKind::Occ: return kOccMembers;
        case ObjectKind::Rels: return kRelsMembers;
        case ObjectKind::Rel: return kRelMembers;
        default: return {};
    }
}

std::span<const Member> ServedObject::Members() const {
    const Document* doc = id_.kind == ObjectKind::Doc ? state_->model.Find(id_.doc) : nullptr;
    return MembersOf(id_.kind, doc && !doc->assembly);
}

const wchar_t* CallKind(WORD flags) {
    if (flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) return L"put";
    if (flags & DISPATCH_PROPERTYGET) return L"get";
    return L"call";
}

// The call's shape against the member; S_OK when it fits.
HRESULT CheckShape(const Member* m, bool put, const DISPPARAMS& params) {
    if (!m || (put && !m->puttable)) return DISP_E_MEMBERNOTFOUND;
    if (put) return params.cArgs == 1 ? S_OK : DISP_E_BADPARAMCOUNT;
    if (params.cNamedArgs != 0) return DISP_E_NONAMEDARGS;
    return params.cArgs == m->arguments ? S_OK : DISP_E_BADPARAMCOUNT;
}

void FillException(EXCEPINFO* excep, const HostFailure& failure) {
    if (!excep) return;
    *excep = EXCEPINFO{};
    excep->bstrSource = SysAllocString(L"simhost");
    excep->bstrDescription = SysAllocString(failure.description.c_str());
    if (failure.number >= 1 && failure.number <= 0xFFFF) {
        excep->wCode = static_cast<WORD>(failure.number);
    } else {
        excep->scode = failure.number;
    }
}

HRESULT ServedObject::QueryInterface(REFIID riid, void** ppv) noexcept {
    if (!ppv) return E_POINTER;
    *ppv = nullptr;
    if (QueryCommon(riid, IID_IDispatch, ppv)) return S_OK;
    if (const wchar_t* name = HostInterfaceName(riid)) {
        try {
            if (const auto failure = state_->Arrive({id_.kind, Arrival::What::Query})) {
                const HRESULT refused = BareStatus(*failure);
                state_->Record(JournalEntry{name_, L"qi", name, {}, L"hresult " + Hex(refused)});
                return refused;
            }
            const GUID* own = kInterfaceOfKind[static_cast<int>(id_.kind)];
            const bool part = id_.kind == ObjectKind::Doc && !Doc().assembly;
            const bool match = own && !part && IsEqualIID(*own, riid);
            if (match) *ppv = static_cast<IDispatch*>(this);
            state_->Record(JournalEntry{name_, L"qi", name, {}, match ? L"S_OK" : L"E_NOINTERFACE"});
        } catch (...) {
            *ppv = nullptr;
            return E_UNEXPECTED;
        }
    }
    if (!*ppv) return E_NOINTERFACE;
    AddRef();
    return S_OK;
}

HRESULT ServedObject::GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) noexcept {
    if (!names || !ids || count == 0) return E_INVALIDARG;
    try {
        const auto failure = state_->Arrive({id_.kind});
        std::fill(ids, ids + count, DISPID_UNKNOWN);
        HRESULT hr = failure ? BareStatus(*failure) : DISP_E_UNKNOWNNAME;
        for (const Member& m : failure ? std::span<const Member>() : Members()) {
            if (m.name && CompareStringOrdinal(m.name, -1, names[0], -1, TRUE) == CSTR_EQUAL) ids[0] = m.id;
        }
        // Members take no named arguments.
        if (!failure && ids[0] != DISPID_UNKNOWN && count == 1) hr = S_OK;
        state_->Record(JournalEntry{name_, L"names", names[0], {},
                                    SUCCEEDED(hr) ? L"DISPID " + std::to_wstring(ids[0]) : L"hresult " + Hex(hr)});
        return hr;
    } catch (...) {
        return E_UNEXPECTED;
    }
}

HRESULT ServedObject::Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                             EXCEPINFO* excep, UINT* arg_error) noexcept {
    try {
        DISPPARAMS none{};
        const DISPPARAMS& p = params ? *params : none;
        const auto members = Members();
        const auto found = std::ranges::find(members, id, &Member::id);
        const Member* member = found == members.end() ? nullptr : &*found;
        const HRESULT shape = CheckShape(member, flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF), p);
        const auto failure = state_->Arrive({id_.kind, Arrival::What::Invocation, id, SUCCEEDED(shape)});

        const std::wstring label = member && member->label ? member->label : std::to_wstring(id);
        JournalEntry entry{name_, CallKind(flags), label, {}, {}};
        for (UINT i = p.cArgs; i-- > 0;) entry.args.push_back(DescribeVariant(p.rgvarg[i]));
        Outcome outcome = FAILED(shape) ? Outcome(shape) : failure ? Outcome(*failure) : member->handler(*this, p);
        entry.outcome = DescribeOutcome(outcome);
        state_->Record(std::move(entry));

        if (outcome.failure && !outcome.failure->bare_hresult) FillException(excep, *outcome.failure);
        if (outcome.hr == DISP_E_TYPEMISMATCH && arg_error) *arg_error = 0;
        if (SUCCEEDED(outcome.hr) && result) {
            VariantInit(result);
            *result = outcome.value.release();
        }
        return outcome.hr;
    } catch (...) {
        return E_UNEXPECTED;
    }
}

}  // namespace

IDispatch* NewServedObject(const std::shared_ptr<HostState>& state, ObjectId id) {
    return static_cast<IDispatch*>(new ServedObject(state, std::move(id)));
}

DISPID ResolveMember(ObjectKind kind, const std::wstring& member) {
    if (!member.empty() && (iswdigit(member[0]) || member[0] == L'-')) {
        std::size_t used = 0;
        long value = std::stol(member, &used, 10);
        if (used == member.size()) return static_cast<DISPID>(value);
    }
    for (bool part : {false, true}) {
        for (const Member& m : MembersOf(kind, part)) {
            bool by_name = m.name && CompareStringOrdinal(m.name, -1, member.c_str(), -1, TRUE) == CSTR_EQUAL;
            if (by_name || (m.label && member == m.label)) return m.id;
        }
    }
    throw std::invalid_argument("unknown member for this object kind");
}

}  // namespace simhost
