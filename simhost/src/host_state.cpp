#include "host_state.h"

#include <wrl/client.h>

#include <algorithm>
#include <cstdio>
#include <stdexcept>
#include <utility>
#include <variant>

#include "shared/com.h"
#include "shared/variant.h"
#include "simhost/host.h"
#include "simhost/interface_ids.h"

namespace simhost {

namespace {

// The kinds' names, in the order of ObjectKind.
constexpr const wchar_t* kKindNames[] = {L"app", L"docs", L"doc", L"aux", L"occs", L"occ", L"rels", L"rel", L"enum"};

std::wstring KindName(ObjectKind kind) { return kKindNames[static_cast<int>(kind)]; }

ObjectKind ParseKind(const std::wstring& kind) {
    const auto found = std::ranges::find(kKindNames, kind);
    if (found == std::end(kKindNames)) throw std::invalid_argument("unknown object kind");
    return static_cast<ObjectKind>(found - std::begin(kKindNames));
}

struct VtName {
    VARTYPE vt;
    const wchar_t* name;
};
constexpr VtName kVtNames[] = {
    {VT_EMPTY, L"VT_EMPTY"}, {VT_NULL, L"VT_NULL"}, {VT_I2, L"VT_I2"}, {VT_I4, L"VT_I4"}, {VT_R4, L"VT_R4"},
    {VT_R8, L"VT_R8"}, {VT_CY, L"VT_CY"}, {VT_DATE, L"VT_DATE"}, {VT_BSTR, L"VT_BSTR"},
    {VT_DISPATCH, L"VT_DISPATCH"}, {VT_ERROR, L"VT_ERROR"}, {VT_BOOL, L"VT_BOOL"}, {VT_VARIANT, L"VT_VARIANT"},
    {VT_UNKNOWN, L"VT_UNKNOWN"}, {VT_DECIMAL, L"VT_DECIMAL"}, {VT_I1, L"VT_I1"}, {VT_UI1, L"VT_UI1"},
    {VT_UI2, L"VT_UI2"}, {VT_UI4, L"VT_UI4"}, {VT_I8, L"VT_I8"}, {VT_UI8, L"VT_UI8"}, {VT_INT, L"VT_INT"},
    {VT_UINT, L"VT_UINT"},
};

std::wstring VtName(VARTYPE vt) {
    std::wstring prefix;
    if (vt & VT_BYREF) prefix += L"VT_BYREF|";
    if (vt & VT_ARRAY) prefix += L"VT_ARRAY|";
    VARTYPE base = vt & VT_TYPEMASK;
    for (const auto& n : kVtNames) {
        if (n.vt == base) return prefix + n.name;
    }
    return prefix + L"VT_" + std::to_wstring(base);
}

std::wstring ObjectName(IUnknown* object) {
    if (!object) return L"null";
    void* raw = nullptr;
    if (FAILED(object->QueryInterface(kIidSimhostObject, &raw))) return L"foreign";
    HostObject* host_object = static_cast<HostObject*>(raw);
    const Microsoft::WRL::ComPtr<IUnknown> keep = marsitel::Adopt(host_object->Unknown());
    return host_object->Name();
}

// A thread message: the host's window does not see it.
constexpr UINT kComputeMessage = WM_APP + 0x43;

void AskToCompute(DWORD milliseconds) {
    PostThreadMessageW(GetCurrentThreadId(), kComputeMessage, milliseconds, 0);
}

// Journal lines are one line each: no tabs or line breaks inside values.
std::wstring OneLine(std::wstring text) {
    std::replace_if(text.begin(), text.end(), [](wchar_t c) { return c == L'\t' || c == L'\r' || c == L'\n'; }, L' ');
    return text;
}

// Only calls to the host's objects are refused: COM's own calls (remote
// QueryInterface, AddRef, Release) pass, or references would leak.
bool ReachesHostObject(REFIID iid) {
    if (IsEqualIID(iid, IID_IDispatch) || IsEqualIID(iid, IID_IEnumVARIANT)) return true;
    return std::ranges::any_of(kHostInterfaces, [&](const HostInterface& own) { return IsEqualIID(iid, *own.iid); });
}

// The standard answer of a busy server is "retry later": the caller's
// message filter decides whether to retry, and without one the call fails
// with RPC_E_CALL_REJECTED. Wine ignores that answer and serves the call, so
// there the host refuses outright, which a caller without a message filter
// cannot tell apart. Wine drops an outright refusal's request unread: an
// object passed in it is never given back and shows as held at exit.
DWORD BusyAnswer() {
    HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    static const bool wine = ntdll && GetProcAddress(ntdll, "wine_get_version");
    return wine ? SERVERCALL_REJECTED : SERVERCALL_RETRYLATER;
}

class BusyFilter final : public RefCounted<IMessageFilter> {
public:
    explicit BusyFilter(std::shared_ptr<HostState> state) : state_(std::move(state)) {}

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) noexcept override {
        if (!ppv) return E_POINTER;
        *ppv = nullptr;
        if (!IsEqualIID(riid, IID_IUnknown) && !IsEqualIID(riid, IID_IMessageFilter)) return E_NOINTERFACE;
        *ppv = static_cast<IMessageFilter*>(this);
        AddRef();
        return S_OK;
    }
    DWORD STDMETHODCALLTYPE HandleInComingCall(DWORD, HTASK, DWORD, LPINTERFACEINFO info) noexcept override {
        if (info && ReachesHostObject(info->iid) && state_->RefusesAsBusy()) return BusyAnswer();
        return SERVERCALL_ISHANDLED;
    }
    // The host makes no outgoing calls of its own; should one be rejected,
    // it is not retried.
    DWORD STDMETHODCALLTYPE RetryRejectedCall(HTASK, DWORD, DWORD) noexcept override { return static_cast<DWORD>(-1); }
    DWORD STDMETHODCALLTYPE MessagePending(HTASK, DWORD, DWORD) noexcept override { return PENDINGMSG_WAITDEFPROCESS; }

private:
    std::shared_ptr<HostState> state_;
};

}  // namespace

bool ComputeIfAsked(const MSG& message) {
    if (message.hwnd || message.message != kComputeMessage) return false;
    Sleep(static_cast<DWORD>(message.wParam));
    return true;
}

std::wstring Hex(HRESULT status) {
    wchar_t buffer[16];
    std::swprintf(buffer, 16, L"0x%08lX", static_cast<unsigned long>(status));
    return buffer;
}

std::wstring ObjectId::Name() const {
    switch (kind) {
        case ObjectKind::App: return L"app";
        case ObjectKind::Docs: return L"docs";
        case ObjectKind::Occ: return L"occ:" + doc + L":" + std::to_wstring(index);
        case ObjectKind::Rels:
            return of_occurrence ? L"rels:occ:" + doc + L":" + std::to_wstring(index) : L"rels:doc:" + doc;
        case ObjectKind::Rel: return L"rel:" + doc + L":" + std::to_wstring(index);
        default: return KindName(kind) + L":" + doc;
    }
}

void HostState::AddFault(Fault fault) {
    ScheduledFault f{std::move(fault)};
    if (const auto* call = std::get_if<NthCallOf>(&f.fault.when)) {
        f.kind = ParseKind(call->kind);
        if (call->nth < 1 || f.kind == ObjectKind::Enum) throw std::invalid_argument("no such member to fail");
        f.member = ResolveMember(f.kind, call->member);
    } else if (const auto* query = std::get_if<NthQueryOn>(&f.fault.when)) {
        f.kind = ParseKind(query->kind);
        if (query->nth < 1) throw std::invalid_argument("queries count from 1");
    }
    const auto* fail = std::get_if<Fail>(&f.fault.does);
    if (fail && fail->failure.bare_hresult && fail->failure.number >= 0) {
        throw std::invalid_argument("a bare failure is a failure status");
    }
    if (const auto* busy = std::get_if<RefuseBusy>(&f.fault.does)) {
        if (f.fault.when.index() < 2) throw std::invalid_argument("a refusal strikes by number or after calls served");
        f.left = std::max(busy->calls, 0);
    }
    const auto* compute = std::get_if<ComputeAfterAnswer>(&f.fault.does);
    const auto* number = std::get_if<CallNumber>(&f.fault.when);
    if (compute && number && number->number == 0) return AskToCompute(compute->milliseconds);
    faults.push_back(std::move(f));
}

bool HostState::Strikes(ScheduledFault& f, const Arrival* call) {
    using What = Arrival::What;
    if (const auto* s = std::get_if<NthCallOf>(&f.fault.when)) {
        return call && call->what == What::Invocation && call->can_fail && call->kind == f.kind &&
               call->member == f.member && ++f.seen == s->nth;
    }
    if (const auto* s = std::get_if<NthQueryOn>(&f.fault.when)) {
        return call && call->what == What::Query && call->kind == f.kind && ++f.seen == s->nth;
    }
    if (const auto* s = std::get_if<CallNumber>(&f.fault.when)) return calls_served + 1 == s->number;
    return calls_served >= std::get<AfterServed>(f.fault.when).calls;
}

std::optional<HostFailure> HostState::Arrive(const Arrival& call) {
    if (on_limit && call_limit > 0 && calls_served >= call_limit) on_limit();
    std::optional<HostFailure> failure;
    DWORD hold = 0;
    for (ScheduledFault& f : faults) {
        if (f.left == 0 || std::holds_alternative<RefuseBusy>(f.fault.does) || !Strikes(f, &call)) continue;
        if (const auto* fail = std::get_if<Fail>(&f.fault.does)) {
            if (!call.can_fail || failure) continue;
            failure = fail->failure;
        } else if (const auto* held = std::get_if<Hold>(&f.fault.does)) {
            hold += held->milliseconds;
        } else {
            compute_due = std::get<ComputeAfterAnswer>(f.fault.does).milliseconds;
        }
        --f.left;
    }
    // The host's one thread sleeps: it answers this call late and serves
    // nothing else meanwhile, as a host stuck in a long computation.
    if (hold > 0) Sleep(hold);
    return failure;
}

bool HostState::RefusesAsBusy() {
    for (ScheduledFault& f : faults) {
        if (f.left > 0 && std::holds_alternative<RefuseBusy>(f.fault.does) && Strikes(f, nullptr)) {
            --f.left;
            return true;
        }
    }
    return false;
}

void HostState::Record(JournalEntry entry) {
    for (std::wstring& a : entry.args) a = OneLine(std::move(a));
    entry.outcome = OneLine(std::move(entry.outcome));
    ++calls_served;
    // Posted behind the answer of the call being served.
    if (compute_due) AskToCompute(*std::exchange(compute_due, std::nullopt));
    if (observer) observer(entry);
    if (keep_journal) journal.push_back(std::move(entry));
}

long HostState::ClientReferences() const {
    long total = 0;
    for (HostObject* o : live_objects) total += static_cast<long>(o->References());
    return total - own_references;
}

std::wstring DescribeVariant(const VARIANT& value) {
    const VARIANT* v = &value;
    if (value.vt == (VT_BYREF | VT_VARIANT) && value.pvarVal) v = value.pvarVal;
    std::wstring type = VtName(value.vt);
    VARTYPE base = v->vt & VT_TYPEMASK;
    bool byref = v->vt & VT_BYREF;
    if (v->vt & VT_ARRAY) return type;
    switch (base) {
        case VT_EMPTY:
        case VT_NULL: return type;
        case VT_DISPATCH: return type + L" " + ObjectName(byref ? (v->ppdispVal ? *v->ppdispVal : nullptr) : v->pdispVal);
        case VT_UNKNOWN: return type + L" " + ObjectName(byref ? (v->ppunkVal ? *v->ppunkVal : nullptr) : v->punkVal);
        case VT_BOOL: return type + L" " + std::to_wstring(byref ? *v->pboolVal : v->boolVal);
        default: break;
    }
    marsitel::Variant text;
    if (FAILED(VariantChangeTypeEx(text.put(), const_cast<VARIANT*>(v), LOCALE_INVARIANT, VARIANT_NOUSEROVERRIDE,
                                   VT_BSTR)) ||
        text.get().vt != VT_BSTR) {
        return type + L" ?";
    }
    return type + L" " + std::wstring(text.get().bstrVal, SysStringLen(text.get().bstrVal));
}

IMessageFilter* NewBusyFilter(const std::shared_ptr<HostState>& state) { return new BusyFilter(state); }

std::wstring JournalEntry::ToString() const {
    std::wstring joined;
    for (std::size_t i = 0; i < args.size(); ++i) joined += (i ? L", " : L"") + args[i];
    if (joined.empty()) joined = L"-";
    return object + L"\t" + kind + L"\t" + member + L"\t" + joined + L"\t" + outcome;
}

}  // namespace simhost
