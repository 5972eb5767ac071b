#pragma once
// What the host's COM objects share: the model, the journal, the schedule
// of faults and the set of live objects (for reference counting).
#include <windows.h>
#include <oaidl.h>

#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "simhost/calls.h"
#include "simhost/model.h"

namespace simhost {

enum class ObjectKind { App, Docs, Doc, Aux, Occs, Occ, Rels, Rel, Enum };

// A host object as the model knows it. `index` is the occurrence index for
// Occ and for the relations of an occurrence, the relation id for Rel.
struct ObjectId {
    ObjectKind kind = ObjectKind::App;
    std::wstring doc{};
    int index = 0;
    bool of_occurrence = false;  // Rels: the relations of one occurrence
    std::wstring Name() const;
};

// What every COM object of the host tells about itself; reachable through
// QueryInterface with kIidSimhostObject (in the host's own apartment only).
class HostObject {
public:
    virtual ~HostObject() = default;
    virtual std::wstring Name() const = 0;
    virtual const ObjectId* Identity() const = 0;  // null for enumerators
    virtual ULONG References() const = 0;
    virtual IUnknown* Unknown() = 0;
};

// AddRef and Release of a COM object of the host: it is made with `new`
// holding one reference and deletes itself with its last.
template <class Interface>
class RefCounted : public Interface {
public:
    RefCounted(const RefCounted&) = delete;
    RefCounted& operator=(const RefCounted&) = delete;

    ULONG STDMETHODCALLTYPE AddRef() noexcept override { return ++refs_; }
    ULONG STDMETHODCALLTYPE Release() noexcept override {
        const ULONG left = --refs_;
        if (left == 0) delete this;
        return left;
    }

protected:
    RefCounted() = default;
    virtual ~RefCounted() = default;
    ULONG Count() const noexcept { return refs_; }

private:
    ULONG refs_ = 1;
};

inline constexpr GUID kIidSimhostObject = {0x5d1e2b8a, 0x7c3f, 0x4e19, {0x9a, 0x6b, 0x3f, 0x0c, 0x8d, 0x2e, 0x4a, 0x7f}};

// A call as it arrives, before it is served. Only a call that can fail has a
// failure injected, and only an invocation of the right shape counts for an
// NthCallOf.
struct Arrival {
    enum class What { Invocation, Query, Other };
    ObjectKind kind;
    What what = What::Other;
    DISPID member = 0;
    bool can_fail = true;
};

// A fault of the schedule with what it has counted; `left` is the number of
// strikes to come (the refusals of a busy spell, else one).
struct ScheduledFault {
    Fault fault;
    ObjectKind kind = ObjectKind::App;
    DISPID member = 0;
    int seen = 0;
    int left = 1;
};

class HostState {
public:
    explicit HostState(Model m) : model(std::move(m)) {}

    Model model;
    std::vector<JournalEntry> journal;
    bool keep_journal = true;
    std::size_t calls_served = 0;
    std::vector<ScheduledFault> faults;
    std::optional<DWORD> compute_due;  // asked for after the answer of the call being served
    std::size_t live_skips = 0;
    bool walk_flag = false;
    std::set<HostObject*> live_objects;
    // References the host itself holds on its objects (its application
    // pointer and whatever the running object table keeps).
    long own_references = 0;
    std::function<void(const JournalEntry&)> observer;
    std::size_t call_limit = 0;
    std::function<void()> on_limit;

    void AddFault(Fault fault);
    // Called as a call arrives, before anything is done for it: holds the
    // thread when a hold strikes, and returns the failure to answer with.
    std::optional<HostFailure> Arrive(const Arrival& call);
    // Whether the incoming call is refused as busy; counts the refusal.
    bool RefusesAsBusy();
    void Record(JournalEntry entry);
    long ClientReferences() const;
    std::vector<int> RelationIds(const ObjectId& collection) const {
        return model.RelationIds(collection.doc, collection.of_occurrence ? collection.index : 0);
    }

private:
    bool Strikes(ScheduledFault& fault, const Arrival* call);
};

// A COM object of the host, counted among the state's live objects while it
// lives.
template <class Interface>
class HostComObject : public RefCounted<Interface>, public HostObject {
public:
    std::wstring Name() const override { return name_; }
    ULONG References() const override { return this->Count(); }
    IUnknown* Unknown() override { return static_cast<Interface*>(this); }

protected:
    HostComObject(std::shared_ptr<HostState> state, std::wstring name)
        : state_(std::move(state)), name_(std::move(name)) {
        state_->live_objects.insert(this);
    }
    ~HostComObject() override { state_->live_objects.erase(this); }
    // What every host object answers: IUnknown, `own` and kIidSimhostObject;
    // false for any other interface.
    bool QueryCommon(REFIID riid, const IID& own, void** ppv) {
        if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, own)) {
            *ppv = static_cast<Interface*>(this);
        } else if (IsEqualIID(riid, kIidSimhostObject)) {
            *ppv = static_cast<HostObject*>(this);
        } else {
            return false;
        }
        this->AddRef();
        return true;
    }

    std::shared_ptr<HostState> state_;
    std::wstring name_;
};

// "0x80020009"
std::wstring Hex(HRESULT status);

// Creates the COM object for `id`, or the enumerator of a relations
// collection; the caller owns the one reference.
IDispatch* NewServedObject(const std::shared_ptr<HostState>& state, ObjectId id);
IUnknown* NewRelationEnumerator(const std::shared_ptr<HostState>& state, const ObjectId& collection);

// The journal text of a VARIANT: "VT_I2 1", "VT_DISPATCH occ:Getriebe.asm:2", ...
std::wstring DescribeVariant(const VARIANT& value);
// The dispatch id that a fault's member means for a kind: a decimal
// number or a member name. Throws std::invalid_argument.
DISPID ResolveMember(ObjectKind kind, const std::wstring& member);

// The host's message filter: refuses calls as busy while the schedule asks.
IMessageFilter* NewBusyFilter(const std::shared_ptr<HostState>& state);

}  // namespace simhost
