#pragma once
// What the host's COM objects share: the model, the journal, the faults to
// inject and the set of live objects (for reference counting).
#include <windows.h>
#include <oaidl.h>

#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "simhost/host.h"

namespace simhost {

enum class ObjectKind { App, Docs, Doc, Aux, Occs, Occ, Rels, Rel, Enum };

// A host object as the model knows it. `index` is the occurrence index for
// Occ and for the relations of an occurrence, the relation id for Rel.
struct ObjectId {
    ObjectId(ObjectKind k, std::wstring d = {}, int i = 0, bool occurrence = false)
        : kind(k), doc(std::move(d)), index(i), of_occurrence(occurrence) {}
    ObjectKind kind = ObjectKind::App;
    std::wstring doc;
    int index = 0;
    bool of_occurrence = false;  // Rels: the relations of one occurrence
    std::wstring Name() const;
};

std::wstring KindName(ObjectKind kind);

// Implemented by every COM object of the host, reachable through QueryInterface
// with kIidSimhostObject (in the host's own apartment only).
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

struct Fault {
    std::wstring kind;
    DISPID dispid = 0;
    int nth = 1;
    int seen = 0;
    HostFailure failure;
};

struct QueryFault {
    std::wstring kind;
    int nth = 1;
    int seen = 0;
    HRESULT status = E_NOINTERFACE;
};

class HostState {
public:
    explicit HostState(Model m) : model(std::move(m)) {}

    Model model;
    std::vector<JournalEntry> journal;
    bool keep_journal = true;
    std::size_t calls_served = 0;
    std::vector<Fault> faults;
    std::vector<QueryFault> query_faults;
    std::size_t failing_call = 0;  // 0: none
    HostFailure failing_call_failure;
    int busy_remaining = 0;
    std::size_t busy_spell_after = 0;
    int busy_spell_remaining = 0;
    std::size_t hang_after = 0;
    DWORD hang_ms = 0;  // 0: no hang due
    std::size_t compute_after = 0;
    DWORD compute_ms = 0;  // 0: no computation due
    std::size_t live_skips = 0;
    bool walk_flag = false;
    std::set<HostObject*> live_objects;
    // References the host itself holds on its objects (its application
    // pointer and whatever the running object table keeps).
    long own_references = 0;
    std::function<void(const JournalEntry&)> observer;
    std::size_t call_limit = 0;
    std::function<void()> on_limit;

    // Called as a call arrives, before anything is done for it. Holds the
    // thread for the hang when one is due.
    void Arrive();
    void Record(JournalEntry entry);
    // Posts the computation that is due to the host's thread, behind the
    // answer of the call being served.
    void AskToCompute();
    // The failure to inject into this call, if one is due.
    std::optional<HostFailure> DueFault(ObjectKind kind, DISPID dispid);
    // The failure of FailCall when the arriving call is the one.
    std::optional<HostFailure> DueCallFailure() const;
    // The status that the arriving query for a host interface is to fail
    // with; S_OK when it is to be answered.
    HRESULT DueQueryFailure(ObjectKind kind);
    long ClientReferences() const;
};

// The status of a failure where no exception information can travel.
inline HRESULT BareStatus(const HostFailure& failure) {
    return failure.bare_hresult ? static_cast<HRESULT>(failure.number) : E_FAIL;
}

// Creates the COM object for `id`; the caller owns the one reference.
IDispatch* NewDispatchObject(const std::shared_ptr<HostState>& state, ObjectId id);

// The journal text of a VARIANT: "VT_I2 1", "VT_DISPATCH occ:Getriebe.asm:2", ...
std::wstring DescribeVariant(const VARIANT& value);
// The dispatch id that a FailNthCall member means for a kind: a decimal
// number or a member name. Throws std::invalid_argument.
DISPID ResolveMember(ObjectKind kind, const std::wstring& member);
ObjectKind ParseKind(const std::wstring& kind);

// The host's message filter: refuses calls as busy while the state asks.
IMessageFilter* NewBusyFilter(const std::shared_ptr<HostState>& state);

}  // namespace simhost
