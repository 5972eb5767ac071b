// The host's automation objects. Each object is a thin COM wrapper around an
// identity in the model (an assembly, an occurrence index, a relation id), so
// a wrapper never holds other wrappers and every reference counted here is a
// reference that a client holds.
//
// Behaviour chosen where the interface leaves it open, as a CAD host does it:
// - Numbers are VT_I4, texts VT_BSTR, objects VT_DISPATCH, the relations
//   enumerator VT_UNKNOWN.
// - The occurrences' default member accepts any integer variant (a 16-bit
//   one is what clients pass); an index outside 1..count is host error 1002.
// - "Delete" on a relation that no longer exists (deleted through another
//   collection or an older snapshot) is host error 1003; the model is not
//   touched.
// - Member 4 of a relations collection appends a ground relation for an
//   occurrence of the collection's assembly, whether or not it is grounded
//   already, and returns nothing (a result that the caller ignores would
//   still travel back and, with Wine's proxy, stay referenced); any other
//   argument is host error 1004.
// - With no document active, "ActiveDocument" is host error 1001 and the
//   documents collection counts 0.
// - A part document answers only its display name (18); it is not an
//   assembly and refuses the assembly interface.
#include <wrl/client.h>

#include <algorithm>
#include <cstdio>
#include <cwchar>
#include <cwctype>
#include <stdexcept>

#include "host_state.h"
#include "shared/com.h"
#include "shared/variant.h"
#include "simhost/interface_ids.h"

namespace simhost {

using marsitel::Adopt;
using marsitel::Variant;

namespace {

enum class Access { Get, Method, GetPut };

struct Outcome {
    HRESULT hr = S_OK;
    Variant value;
    std::optional<HostFailure> failure;
    UINT arg_error = 0;
};

Outcome HostErrorOutcome(std::int32_t number, std::wstring description) {
    Outcome o;
    o.hr = DISP_E_EXCEPTION;
    o.failure = HostFailure{number, std::move(description), false};
    return o;
}

Outcome HrOutcome(HRESULT hr, UINT arg_error = 0) {
    Outcome o;
    o.hr = hr;
    o.arg_error = arg_error;
    return o;
}

class DispatchObject;
using Handler = Outcome (*)(DispatchObject&, const DISPPARAMS&, bool put);

struct Member {
    DISPID id;
    const wchar_t* name;   // reachable through GetIDsOfNames, or null
    const wchar_t* label;  // journal label, or null for the decimal id
    Access access;
    Handler handler;
};

const GUID* InterfaceOf(const ObjectId& id, const Model& model) {
    switch (id.kind) {
        case ObjectKind::App: return &kIidHostApplication;
        case ObjectKind::Doc: {
            const Document* d = model.Find(id.doc);
            return d && d->assembly ? &kIidHostAssembly : nullptr;
        }
        case ObjectKind::Aux: return &kIidHostAuxiliary;
        case ObjectKind::Occs: return &kIidHostOccurrences;
        case ObjectKind::Occ: return &kIidHostOccurrence;
        case ObjectKind::Rels: return &kIidHostRelations;
        default: return nullptr;
    }
}

struct InterfaceName {
    const GUID* iid;
    const wchar_t* name;
};
constexpr InterfaceName kInterfaceNames[] = {
    {&kIidHostApplication, L"HostApplication"}, {&kIidHostAssembly, L"HostAssembly"},
    {&kIidHostAuxiliary, L"HostAuxiliary"},     {&kIidHostOccurrences, L"HostOccurrences"},
    {&kIidHostOccurrence, L"HostOccurrence"},   {&kIidHostRelations, L"HostRelations"},
};

const wchar_t* HostInterfaceName(REFIID riid) {
    for (const InterfaceName& n : kInterfaceNames) {
        if (IsEqualIID(riid, *n.iid)) return n.name;
    }
    return nullptr;
}

std::wstring Hex(HRESULT hr) {
    wchar_t buffer[16];
    std::swprintf(buffer, 16, L"0x%08lX", static_cast<unsigned long>(hr));
    return buffer;
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

// Converts an integer-like argument; false for anything else.
bool ArgumentAsLong(const VARIANT& arg, long& out) {
    Variant copy;
    if (FAILED(VariantCopyInd(copy.put(), const_cast<VARIANT*>(&arg)))) return false;
    switch (copy.get().vt) {
        case VT_I1: case VT_I2: case VT_I4: case VT_I8: case VT_UI1: case VT_UI2: case VT_UI4:
        case VT_UI8: case VT_INT: case VT_UINT: break;
        default: return false;
    }
    if (FAILED(VariantChangeType(copy.address(), copy.address(), 0, VT_I4))) return false;
    out = copy.get().lVal;
    return true;
}

class RelationEnumerator;

IUnknown* NewRelationEnumerator(const std::shared_ptr<HostState>& state, const ObjectId& collection);

class DispatchObject final : public RefCounted<IDispatch>, public HostObject {
public:
    DispatchObject(std::shared_ptr<HostState> state, ObjectId id)
        : state_(std::move(state)), id_(std::move(id)), name_(id_.Name()) {
        state_->live_objects.insert(this);
    }
    ~DispatchObject() override { state_->live_objects.erase(this); }

    // HostObject
    std::wstring Name() const override { return name_; }
    const ObjectId* Identity() const override { return &id_; }
    ULONG References() const override { return Count(); }
    IUnknown* Unknown() override { return static_cast<IDispatch*>(this); }

    HostState& State() { return *state_; }
    const std::shared_ptr<HostState>& SharedState() { return state_; }
    const ObjectId& Id() const { return id_; }

    IDispatch* Child(ObjectId id) { return NewDispatchObject(state_, std::move(id)); }

    // IUnknown
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) noexcept override {
        if (!ppv) return E_POINTER;
        *ppv = nullptr;
        if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IDispatch)) {
            *ppv = static_cast<IDispatch*>(this);
        } else if (IsEqualIID(riid, kIidSimhostObject)) {
            *ppv = static_cast<HostObject*>(this);
        } else if (const wchar_t* name = HostInterfaceName(riid)) {
            try {
                state_->Arrive();
                const HRESULT refused = state_->DueQueryFailure(id_.kind);
                if (FAILED(refused)) {
                    state_->Record(JournalEntry{name_, L"qi", name, {}, L"hresult " + Hex(refused)});
                    return refused;
                }
                const GUID* own = InterfaceOf(id_, state_->model);
                bool match = own && IsEqualIID(*own, riid);
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
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID,
                                            DISPID* ids) noexcept override;
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params,
                                     VARIANT* result, EXCEPINFO* excep, UINT* arg_error) noexcept override;

private:
    std::shared_ptr<HostState> state_;
    ObjectId id_;
    std::wstring name_;
};

Variant DispatchValue(IDispatch* object) {
    Variant v;
    v.put()->vt = VT_DISPATCH;
    v.address()->pdispVal = object;
    return v;
}

Outcome ObjectResult(IDispatch* object) {
    Outcome o;
    o.value = DispatchValue(object);
    return o;
}

Outcome TextResult(const std::wstring& text) {
    Outcome o;
    o.value = Variant::Text(text);
    return o;
}

Outcome CountResult(std::size_t count) {
    Outcome o;
    o.value = Variant::Long(static_cast<long>(count));
    return o;
}

const Document* Doc(DispatchObject& self) {
    return self.State().model.Find(self.Id().doc);
}

// application
Outcome AppActiveDocument(DispatchObject& self, const DISPPARAMS&, bool) {
    const auto& active = self.State().model.active;
    if (!active) return HostErrorOutcome(host_error::kNoActiveDocument, L"Es ist kein Dokument aktiv.");
    return ObjectResult(self.Child({ObjectKind::Doc, *active}));
}
Outcome AppDocuments(DispatchObject& self, const DISPPARAMS&, bool) {
    return ObjectResult(self.Child({ObjectKind::Docs}));
}
Outcome AppWalkFlag(DispatchObject& self, const DISPPARAMS& params, bool put) {
    if (!put) {
        Outcome o;
        o.value = Variant::Bool(self.State().walk_flag);
        return o;
    }
    Variant value;
    if (FAILED(VariantChangeType(value.put(), &params.rgvarg[0], 0, VT_BOOL))) {
        return HrOutcome(DISP_E_TYPEMISMATCH, 0);
    }
    self.State().walk_flag = value.get().boolVal != VARIANT_FALSE;
    return {};
}
Outcome NoEffect(DispatchObject&, const DISPPARAMS&, bool) {
    return {};
}

// documents
Outcome DocsCount(DispatchObject& self, const DISPPARAMS&, bool) {
    const Model& m = self.State().model;
    return CountResult(m.active ? m.documents.size() : 0);
}

// documents and assemblies
Outcome DocName(DispatchObject& self, const DISPPARAMS&, bool) {
    return TextResult(Doc(self)->display_name);
}
Outcome DocAuxiliary(DispatchObject& self, const DISPPARAMS&, bool) {
    return ObjectResult(self.Child({ObjectKind::Aux, self.Id().doc}));
}
Outcome DocOccurrences(DispatchObject& self, const DISPPARAMS&, bool) {
    return ObjectResult(self.Child({ObjectKind::Occs, self.Id().doc}));
}
Outcome DocRelations(DispatchObject& self, const DISPPARAMS&, bool) {
    return ObjectResult(self.Child({ObjectKind::Rels, self.Id().doc}));
}

// occurrences
Outcome OccsCount(DispatchObject& self, const DISPPARAMS&, bool) {
    return CountResult(Doc(self)->occurrences.size());
}
Outcome OccsItem(DispatchObject& self, const DISPPARAMS& params, bool) {
    long index = 0;
    if (!ArgumentAsLong(params.rgvarg[0], index)) return HrOutcome(DISP_E_TYPEMISMATCH, 0);
    if (index < 1 || index > static_cast<long>(Doc(self)->occurrences.size())) {
        return HostErrorOutcome(host_error::kBadIndex, L"Index außerhalb des gültigen Bereichs.");
    }
    return ObjectResult(self.Child({ObjectKind::Occ, self.Id().doc, static_cast<int>(index)}));
}

// occurrence
const Occurrence& Occ(DispatchObject& self) {
    return Doc(self)->occurrences[static_cast<std::size_t>(self.Id().index - 1)];
}
Outcome OccName(DispatchObject& self, const DISPPARAMS&, bool) {
    return TextResult(Occ(self).name);
}
Outcome OccRelations(DispatchObject& self, const DISPPARAMS&, bool) {
    return ObjectResult(self.Child({ObjectKind::Rels, self.Id().doc, self.Id().index, true}));
}
Outcome OccDocText(DispatchObject& self, const DISPPARAMS&, bool) {
    return TextResult(Occ(self).placed);
}
Outcome OccDocument(DispatchObject& self, const DISPPARAMS&, bool) {
    return ObjectResult(self.Child({ObjectKind::Doc, Occ(self).placed}));
}

// relations
std::vector<int> CollectionIds(HostState& state, const ObjectId& id) {
    return state.model.RelationIds(id.doc, id.of_occurrence ? id.index : 0);
}
Outcome RelsCount(DispatchObject& self, const DISPPARAMS&, bool) {
    return CountResult(CollectionIds(self.State(), self.Id()).size());
}
Outcome RelsNewEnum(DispatchObject& self, const DISPPARAMS&, bool) {
    Outcome o;
    o.value.put()->vt = VT_UNKNOWN;
    o.value.address()->punkVal = NewRelationEnumerator(self.SharedState(), self.Id());
    return o;
}
Outcome RelsAddGround(DispatchObject& self, const DISPPARAMS& params, bool) {
    Variant arg;
    const ObjectId* target = nullptr;
    Microsoft::WRL::ComPtr<IUnknown> keep;
    if (SUCCEEDED(VariantCopyInd(arg.put(), &params.rgvarg[0])) && arg.get().vt == VT_DISPATCH &&
        arg.get().pdispVal) {
        void* raw = nullptr;
        if (SUCCEEDED(arg.get().pdispVal->QueryInterface(kIidSimhostObject, &raw))) {
            HostObject* object = static_cast<HostObject*>(raw);
            keep = Adopt(object->Unknown());
            target = object->Identity();
        }
    }
    if (!target || target->kind != ObjectKind::Occ || target->doc != self.Id().doc) {
        return HostErrorOutcome(host_error::kNotAnOccurrence,
                                L"Das Argument ist kein Vorkommnis dieser Baugruppe.");
    }
    self.State().model.AddGround(self.Id().doc, target->index);
    return {};
}

// relation
Outcome RelDelete(DispatchObject& self, const DISPPARAMS&, bool) {
    if (!self.State().model.DeleteRelation(self.Id().doc, self.Id().index)) {
        return HostErrorOutcome(host_error::kRelationDeleted, L"Die Beziehung wurde bereits gelöscht.");
    }
    return {};
}

constexpr Member kAppMembers[] = {
    {dispid::kActiveDocument, L"ActiveDocument", nullptr, Access::Get, AppActiveDocument},
    {dispid::kDocuments, L"Documents", L"Documents", Access::Get, AppDocuments},
    {dispid::kWalkFlag, nullptr, nullptr, Access::GetPut, AppWalkFlag},
    {dispid::kAfterWalk, nullptr, nullptr, Access::Method, NoEffect},
};
constexpr Member kDocsMembers[] = {
    {dispid::kCount, L"Count", L"Count", Access::Get, DocsCount},
};
constexpr Member kAssemblyMembers[] = {
    {dispid::kAuxiliary, nullptr, nullptr, Access::Get, DocAuxiliary},
    {dispid::kOccurrences, nullptr, nullptr, Access::Get, DocOccurrences},
    {dispid::kDocumentName, L"Name", nullptr, Access::Get, DocName},
    {dispid::kAssemblyRelations, nullptr, nullptr, Access::Get, DocRelations},
};
constexpr Member kPartMembers[] = {
    {dispid::kDocumentName, L"Name", nullptr, Access::Get, DocName},
};
constexpr Member kAuxMembers[] = {
    {dispid::kBeforeWalk, nullptr, nullptr, Access::Method, NoEffect},
};
constexpr Member kOccsMembers[] = {
    {dispid::kItem, L"Item", nullptr, Access::Get, OccsItem},
    {dispid::kCount, L"Count", nullptr, Access::Get, OccsCount},
};
constexpr Member kOccMembers[] = {
    {dispid::kOccurrenceName, L"Name", nullptr, Access::Get, OccName},
    {dispid::kOccurrenceRelations, nullptr, nullptr, Access::Get, OccRelations},
    {dispid::kOccurrenceDocText, nullptr, nullptr, Access::Get, OccDocText},
    {dispid::kOccurrenceDocument, nullptr, nullptr, Access::Get, OccDocument},
};
constexpr Member kRelsMembers[] = {
    {DISPID_NEWENUM, L"_NewEnum", nullptr, Access::Get, RelsNewEnum},
    {dispid::kCount, L"Count", nullptr, Access::Get, RelsCount},
    {dispid::kAddGround, nullptr, nullptr, Access::Method, RelsAddGround},
};
constexpr Member kRelMembers[] = {
    {dispid::kDelete, L"Delete", L"Delete", Access::Method, RelDelete},
};

struct MemberTable {
    const Member* begin;
    const Member* end;
};

template <std::size_t N>
constexpr MemberTable Table(const Member (&members)[N]) {
    return {members, members + N};
}

MemberTable MembersOf(ObjectKind kind, bool part) {
    switch (kind) {
        case ObjectKind::App: return Table(kAppMembers);
        case ObjectKind::Docs: return Table(kDocsMembers);
        case ObjectKind::Doc: return part ? Table(kPartMembers) : Table(kAssemblyMembers);
        case ObjectKind::Aux: return Table(kAuxMembers);
        case ObjectKind::Occs: return Table(kOccsMembers);
        case ObjectKind::Occ: return Table(kOccMembers);
        case ObjectKind::Rels: return Table(kRelsMembers);
        case ObjectKind::Rel: return Table(kRelMembers);
        default: return {nullptr, nullptr};
    }
}

const Member* FindMember(MemberTable table, DISPID id) {
    for (const Member* m = table.begin; m != table.end; ++m) {
        if (m->id == id) return m;
    }
    return nullptr;
}

std::wstring MemberLabel(const Member* member, DISPID id) {
    if (member && member->label) return member->label;
    return std::to_wstring(id);
}

const wchar_t* CallKind(WORD flags) {
    if (flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) return L"put";
    if (flags & DISPATCH_PROPERTYGET) return L"get";
    return L"call";
}

std::size_t ExpectedArguments(const Member& m) {
    if (m.handler == OccsItem || m.handler == RelsAddGround) return 1;
    return 0;
}

// Checks the call's shape against the member; S_OK when it fits.
HRESULT CheckShape(const Member* m, WORD flags, const DISPPARAMS& params) {
    if (!m) return DISP_E_MEMBERNOTFOUND;
    bool put = flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF);
    if (put) {
        if (m->access != Access::GetPut) return DISP_E_MEMBERNOTFOUND;
        if (params.cArgs != 1) return DISP_E_BADPARAMCOUNT;
        return S_OK;
    }
    if (params.cNamedArgs != 0) return DISP_E_NONAMEDARGS;
    if (params.cArgs != ExpectedArguments(*m)) return DISP_E_BADPARAMCOUNT;
    return S_OK;
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

HRESULT DispatchObject::GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) noexcept {
    if (!names || !ids || count == 0) return E_INVALIDARG;
    try {
        state_->Arrive();
        if (auto failure = state_->DueCallFailure()) {
            const HRESULT status = BareStatus(*failure);
            for (UINT i = 0; i < count; ++i) ids[i] = DISPID_UNKNOWN;
            state_->Record(JournalEntry{name_, L"names", names[0], {}, L"hresult " + Hex(status)});
            return status;
        }
        const Document* doc = id_.kind == ObjectKind::Doc ? state_->model.Find(id_.doc) : nullptr;
        MemberTable table = MembersOf(id_.kind, doc && !doc->assembly);
        HRESULT hr = S_OK;
        ids[0] = DISPID_UNKNOWN;
        for (const Member* m = table.begin; m != table.end; ++m) {
            if (m->name && CompareStringOrdinal(m->name, -1, names[0], -1, TRUE) == CSTR_EQUAL) {
                ids[0] = m->id;
            }
        }
        if (ids[0] == DISPID_UNKNOWN) hr = DISP_E_UNKNOWNNAME;
        for (UINT i = 1; i < count; ++i) {
            ids[i] = DISPID_UNKNOWN;
            hr = DISP_E_UNKNOWNNAME;  // members take no named arguments
        }
        state_->Record(JournalEntry{name_, L"names", names[0], {},
                                    SUCCEEDED(hr) ? L"DISPID " + std::to_wstring(ids[0]) : L"hresult " + Hex(hr)});
        return hr;
    } catch (...) {
        return E_UNEXPECTED;
    }
}

HRESULT DispatchObject::Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                               EXCEPINFO* excep, UINT* arg_error) noexcept {
    try {
        state_->Arrive();
        DISPPARAMS none{};
        const DISPPARAMS& p = params ? *params : none;
        const Document* doc = state_->model.Find(id_.doc);
        bool part = id_.kind == ObjectKind::Doc && doc && !doc->assembly;
        const Member* member = FindMember(MembersOf(id_.kind, part), id);

        JournalEntry entry{name_, CallKind(flags), MemberLabel(member, id), {}, {}};
        for (UINT i = p.cArgs; i-- > 0;) entry.args.push_back(DescribeVariant(p.rgvarg[i]));

        Outcome outcome;
        bool put = flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF);
        HRESULT shape = CheckShape(member, flags, p);
        if (FAILED(shape)) {
            outcome = HrOutcome(shape);
        } else if (const auto fault = state_->DueCallFailure() ? state_->DueCallFailure()
                                                                : state_->DueFault(id_.kind, id)) {
            outcome.failure = *fault;
            outcome.hr = fault->bare_hresult ? static_cast<HRESULT>(fault->number) : DISP_E_EXCEPTION;
        } else {
            outcome = member->handler(*this, p, put);
        }
        entry.outcome = DescribeOutcome(outcome);
        state_->Record(std::move(entry));

        if (outcome.failure && !outcome.failure->bare_hresult) FillException(excep, *outcome.failure);
        if (outcome.hr == DISP_E_TYPEMISMATCH && arg_error) *arg_error = outcome.arg_error;
        if (SUCCEEDED(outcome.hr) && result) {
            VariantInit(result);
            *result = outcome.value.release();
        }
        return outcome.hr;
    } catch (...) {
        return E_UNEXPECTED;
    }
}

// The standard enumerator of a relations collection. A snapshot enumerator
// fixes the relation ids when it is created and yields them even if they are
// deleted later (as a copied list of objects would); Reset and Clone keep
// that snapshot. A live one walks the
// current collection by position, so deleting the element just yielded
// shifts the next one under the cursor: that relation is skipped, counted in
// LiveEnumeratorSkips() and named in the journal line of the final Next.
class RelationEnumerator final : public RefCounted<IEnumVARIANT>, public HostObject {
public:
    RelationEnumerator(std::shared_ptr<HostState> state, ObjectId collection)
        : state_(std::move(state)), collection_(std::move(collection)),
          name_(L"enum:" + collection_.Name()), live_(state_->model.enumerator == EnumeratorMode::Live),
          ids_(CollectionIds(*state_, collection_)) {
        state_->live_objects.insert(this);
    }
    RelationEnumerator(const RelationEnumerator& other)
        : state_(other.state_), collection_(other.collection_), name_(other.name_), live_(other.live_),
          ids_(other.ids_), position_(other.position_), yielded_(other.yielded_) {
        state_->live_objects.insert(this);
    }
    ~RelationEnumerator() override { state_->live_objects.erase(this); }

    std::wstring Name() const override { return name_; }
    const ObjectId* Identity() const override { return nullptr; }
    ULONG References() const override { return Count(); }
    IUnknown* Unknown() override { return static_cast<IEnumVARIANT*>(this); }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) noexcept override {
        if (!ppv) return E_POINTER;
        *ppv = nullptr;
        if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IEnumVARIANT)) {
            *ppv = static_cast<IEnumVARIANT*>(this);
        } else if (IsEqualIID(riid, kIidSimhostObject)) {
            *ppv = static_cast<HostObject*>(this);
        } else {
            return E_NOINTERFACE;
        }
        AddRef();
        return S_OK;
    }

    HRESULT STDMETHODCALLTYPE Next(ULONG celt, VARIANT* out, ULONG* fetched) noexcept override {
        if (!out || (celt > 1 && !fetched)) return E_INVALIDARG;
        try {
            state_->Arrive();
            if (auto failure = state_->DueCallFailure()) {
                const HRESULT status = BareStatus(*failure);
                state_->Record(JournalEntry{name_, L"enum", L"Next", {L"celt " + std::to_wstring(celt)},
                                            L"hresult " + Hex(status)});
                return status;
            }
            std::vector<int> current = Current();
            ULONG n = 0;
            std::wstring outcome;
            while (n < celt && position_ < current.size()) {
                int id = current[position_++];
                yielded_.push_back(id);
                VariantInit(&out[n]);
                out[n].vt = VT_DISPATCH;
                out[n].pdispVal = NewDispatchObject(state_, {ObjectKind::Rel, collection_.doc, id});
                outcome += (n ? L", " : L"") + DescribeVariant(out[n]);
                ++n;
            }
            if (fetched) *fetched = n;
            HRESULT hr = n == celt ? S_OK : S_FALSE;
            if (hr == S_FALSE) outcome += (n ? L", " : L"") + EndNote(current);
            state_->Record(JournalEntry{name_, L"enum", L"Next", {L"celt " + std::to_wstring(celt)}, outcome});
            return hr;
        } catch (...) {
            return E_UNEXPECTED;
        }
    }
    HRESULT STDMETHODCALLTYPE Skip(ULONG celt) noexcept override {
        try {
            state_->Arrive();
            std::vector<int> current = Current();
            std::size_t room = current.size() - std::min(position_, current.size());
            std::size_t step = std::min<std::size_t>(celt, room);
            position_ += step;
            HRESULT hr = step == celt ? S_OK : S_FALSE;
            state_->Record(JournalEntry{name_, L"enum", L"Skip", {L"celt " + std::to_wstring(celt)},
                                        hr == S_OK ? L"S_OK" : L"S_FALSE"});
            return hr;
        } catch (...) {
            return E_UNEXPECTED;
        }
    }
    HRESULT STDMETHODCALLTYPE Reset() noexcept override {
        try {
            state_->Arrive();
            position_ = 0;
            yielded_.clear();
            state_->Record(JournalEntry{name_, L"enum", L"Reset", {}, L"S_OK"});
            return S_OK;
        } catch (...) {
            return E_UNEXPECTED;
        }
    }
    HRESULT STDMETHODCALLTYPE Clone(IEnumVARIANT** out) noexcept override {
        if (!out) return E_POINTER;
        try {
            state_->Arrive();
            *out = new RelationEnumerator(*this);
            state_->Record(JournalEntry{name_, L"enum", L"Clone", {}, L"S_OK"});
            return S_OK;
        } catch (...) {
            *out = nullptr;
            return E_OUTOFMEMORY;
        }
    }

private:
    std::vector<int> Current() const { return live_ ? CollectionIds(*state_, collection_) : ids_; }

    // How the walk ended; a live walk names the relations it passed over.
    std::wstring EndNote(const std::vector<int>& current) {
        if (!live_) return L"S_FALSE";
        std::size_t skipped = 0;
        for (int id : current) {
            if (std::find(yielded_.begin(), yielded_.end(), id) == yielded_.end()) ++skipped;
        }
        if (!ended_) state_->live_skips += skipped;
        ended_ = true;
        if (skipped == 0) return L"S_FALSE";
        return L"S_FALSE live walk skipped " + std::to_wstring(skipped) + L" of " +
               std::to_wstring(current.size()) + L" remaining relations";
    }

    std::shared_ptr<HostState> state_;
    ObjectId collection_;
    std::wstring name_;
    bool live_;
    std::vector<int> ids_;
    std::size_t position_ = 0;
    std::vector<int> yielded_;
    bool ended_ = false;
};

IUnknown* NewRelationEnumerator(const std::shared_ptr<HostState>& state, const ObjectId& collection) {
    return static_cast<IEnumVARIANT*>(new RelationEnumerator(state, collection));
}

}  // namespace

IDispatch* NewDispatchObject(const std::shared_ptr<HostState>& state, ObjectId id) {
    return static_cast<IDispatch*>(new DispatchObject(state, std::move(id)));
}

DISPID ResolveMember(ObjectKind kind, const std::wstring& member) {
    if (!member.empty() && (iswdigit(member[0]) || member[0] == L'-')) {
        std::size_t used = 0;
        long value = std::stol(member, &used, 10);
        if (used == member.size()) return static_cast<DISPID>(value);
    }
    for (bool part : {false, true}) {
        MemberTable table = MembersOf(kind, part);
        for (const Member* m = table.begin; m != table.end; ++m) {
            bool by_name = m->name && CompareStringOrdinal(m->name, -1, member.c_str(), -1, TRUE) == CSTR_EQUAL;
            bool by_label = m->label && member == m->label;
            if (by_name || by_label) return m->id;
        }
    }
    throw std::invalid_argument("unknown member for this object kind");
}

}  // namespace simhost
