// The Host facade: its state, and what registering it as the running host
// sets up beside the registry entries.
#include "simhost/host.h"

#include <windows.h>
#include <oleauto.h>
#include <wrl/client.h>

#include <algorithm>

#include "host_state.h"
#include "registration.h"
#include "shared/com.h"
#include "simhost/interface_ids.h"

namespace simhost {

using marsitel::Adopt;
using Microsoft::WRL::ComPtr;

namespace {

constexpr HRESULT kRpcServerUnavailable = static_cast<HRESULT>(0x800706BA);
constexpr int kRegisterAttempts = 100;
constexpr DWORD kRegisterRetryMs = 100;

HRESULT RegisterRunningObject(IUnknown* object, DWORD& cookie) {
    HRESULT hr = E_FAIL;
    for (int attempt = 0; attempt < kRegisterAttempts; ++attempt) {
        hr = RegisterActiveObject(object, kSimhostClsid, ACTIVEOBJECT_STRONG, &cookie);
        if (hr != kRpcServerUnavailable) break;
        Sleep(kRegisterRetryMs);
    }
    return hr;
}

// The references on `object` besides the caller's.
long OtherReferences(IUnknown* object) {
    const ULONG count = object->AddRef() - 1;
    object->Release();
    return static_cast<long>(count) - 1;
}

}  // namespace

struct Host::Registration {
    std::unique_ptr<RegistryEntries> entries;
    ComPtr<IDispatch> application;
    DWORD cookie = 0;
    bool running = false;
    ComPtr<IMessageFilter> previous_filter;
    bool filter_installed = false;
};

Host::Host(Model model) : state_(std::make_shared<HostState>(std::move(model))) {}

Host::~Host() {
    Revoke();
    state_->observer = nullptr;
    state_->on_limit = nullptr;
}

std::unique_ptr<Host> Host::FromModel(Model model) { return std::unique_ptr<Host>(new Host(std::move(model))); }
std::unique_ptr<Host> Host::FromScenario(std::wstring_view text) { return FromModel(ParseScenario(text)); }

void Host::Register(InterfaceViews views) {
    if (registration_) return;
    auto entries = std::make_unique<RegistryEntries>(views);
    registration_ = std::make_unique<Registration>();
    Registration& r = *registration_;
    r.entries = std::move(entries);
    try {
        r.application = Adopt(NewServedObject(state_, ObjectId{ObjectKind::App}));
        const long before = OtherReferences(r.application.Get());
        HRESULT hr = RegisterRunningObject(r.application.Get(), r.cookie);
        if (FAILED(hr)) throw RegistrationError(L"RegisterActiveObject failed.", hr);
        r.running = true;
        // The host's own pointer and what the running object table keeps.
        state_->own_references = 1 + OtherReferences(r.application.Get()) - before;

        ComPtr<IMessageFilter> filter = Adopt(NewBusyFilter(state_));
        if (SUCCEEDED(CoRegisterMessageFilter(filter.Get(), &r.previous_filter))) r.filter_installed = true;
    } catch (...) {
        Revoke();
        throw;
    }
}

void Host::Revoke() {
    if (!registration_) return;
    Registration& r = *registration_;
    if (r.filter_installed) {
        ComPtr<IMessageFilter> ours;
        CoRegisterMessageFilter(r.previous_filter.Get(), &ours);
    }
    if (r.running) RevokeActiveObject(r.cookie, nullptr);
    if (r.application) CoDisconnectObject(r.application.Get(), 0);
    state_->own_references = 0;
    registration_.reset();
}

void Host::RemoveRegistryEntries() noexcept {
    if (registration_) registration_->entries.reset();
}

ComPtr<IDispatch> Host::NewApplicationReference() {
    return Adopt(NewServedObject(state_, ObjectId{ObjectKind::App}));
}

std::wstring Host::Save() const { return SaveScenario(state_->model); }
const Model& Host::CurrentModel() const { return state_->model; }
std::vector<JournalEntry> Host::Journal() const { return state_->journal; }
void Host::ClearJournal() { state_->journal.clear(); }
void Host::KeepJournalInMemory(bool keep) {
    state_->keep_journal = keep;
    if (!keep) state_->journal.clear();
}
std::size_t Host::CallsServed() const { return state_->calls_served; }
long Host::ClientReferences() const { return state_->ClientReferences(); }
std::vector<std::wstring> Host::HeldObjects() const {
    std::vector<std::wstring> held;
    for (HostObject* o : state_->live_objects) {
        long refs = static_cast<long>(o->References());
        if (o->Identity() && o->Identity()->kind == ObjectKind::App) refs -= state_->own_references;
        if (refs > 0) held.push_back(o->Name() + L"=" + std::to_wstring(refs));
    }
    std::sort(held.begin(), held.end());
    return held;
}
std::size_t Host::LiveEnumeratorSkips() const { return state_->live_skips; }
bool Host::WalkFlag() const { return state_->walk_flag; }

void Host::AddFault(Fault fault) { state_->AddFault(std::move(fault)); }
void Host::SetActiveDocument(std::optional<std::wstring> doctext) {
    if (doctext && !state_->model.Find(*doctext)) throw std::invalid_argument("unknown document");
    state_->model.active = std::move(doctext);
}
void Host::SetEnumeratorMode(EnumeratorMode mode) { state_->model.enumerator = mode; }
void Host::SetCallObserver(std::function<void(const JournalEntry&)> observer) {
    state_->observer = std::move(observer);
}
void Host::SetCallLimit(std::size_t limit, std::function<void()> on_limit) {
    state_->call_limit = limit;
    state_->on_limit = std::move(on_limit);
}

int Host::RelationCount(std::wstring_view assembly) const { return state_->model.RelationCount(assembly); }
int Host::GroundCount(std::wstring_view assembly) const { return state_->model.GroundCount(assembly); }
int Host::OccurrenceRelationCount(std::wstring_view assembly, int occurrence) const {
    return state_->model.OccurrenceRelationCount(assembly, occurrence);
}

}  // namespace simhost
