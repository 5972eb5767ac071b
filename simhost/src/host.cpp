// The Host facade and its registration. Registration is careful about what
// it owns: it refuses to touch a ProgID or interface key that belongs to
// another class, writes per user first (machine-wide only where the per-user
// entry does not resolve, as under Wine), and removes exactly what it wrote.
#include "simhost/host.h"

#include <windows.h>
#include <oleauto.h>

#include <algorithm>
#include <wrl/client.h>

#include "host_state.h"
#include "registry.h"
#include "shared/com.h"
#include "shared/utf8.h"
#include "simhost/interface_ids.h"
#include "typelib.h"

namespace simhost {

using marsitel::Adopt;
using Microsoft::WRL::ComPtr;

namespace {

constexpr wchar_t kProgIdDescription[] = L"simhost: simulated host application";
constexpr HRESULT kRpcServerUnavailable = static_cast<HRESULT>(0x800706BA);
constexpr int kRegisterAttempts = 100;
constexpr DWORD kRegisterRetryMs = 100;

std::wstring ProgIdPath() {
    return std::wstring(kClassesPath) + kProgId;
}
std::wstring ClsidPath() {
    return std::wstring(kClassesPath) + L"CLSID\\" + GuidText(kSimhostClsid);
}

struct Root {
    HKEY key;
    const wchar_t* name;
};
const Root kRoots[] = {{HKEY_CURRENT_USER, L"user"}, {HKEY_LOCAL_MACHINE, L"machine"}};

// Throws RegistrationRefused when someone else owns the ProgID.
void CheckProgIdIsFree() {
    std::wstring ours = GuidText(kSimhostClsid);
    for (const Root& root : kRoots) {
        if (!KeyExists(root.key, ProgIdPath())) continue;
        auto clsid = ReadDefault(root.key, ProgIdPath() + L"\\CLSID");
        if (!clsid || _wcsicmp(clsid->c_str(), ours.c_str()) != 0) {
            throw RegistrationRefused(std::wstring(L"The ProgID ") + kProgId + L" is registered (" + root.name +
                                      L") to " + (clsid && !clsid->empty() ? *clsid : L"another class") +
                                      L", not to simhost " + ours +
                                      L". A real host seems to be installed; simhost changes nothing and stops.");
        }
    }
    CLSID resolved{};
    if (SUCCEEDED(CLSIDFromProgID(kProgId, &resolved)) && !IsEqualCLSID(resolved, kSimhostClsid)) {
        throw RegistrationRefused(std::wstring(L"The ProgID ") + kProgId + L" resolves to " + GuidText(resolved) +
                                  L", not to simhost " + ours + L". simhost changes nothing and stops.");
    }
}

// Another simhost that answers under our class id.
void CheckNoOtherSimhostRuns() {
    ComPtr<IUnknown> running;
    if (FAILED(GetActiveObject(kSimhostClsid, nullptr, &running))) return;
    ComPtr<IDispatch> dispatch;
    UINT count = 0;
    if (SUCCEEDED(running.As(&dispatch)) && SUCCEEDED(dispatch->GetTypeInfoCount(&count))) {
        throw RegistrationRefused(L"Another simhost is already registered as the running host.");
    }
}

bool ProgIdResolvesToUs() {
    CLSID resolved{};
    return SUCCEEDED(CLSIDFromProgID(kProgId, &resolved)) && IsEqualCLSID(resolved, kSimhostClsid);
}

LONG WriteClassKeys(HKEY root) {
    std::wstring clsid = GuidText(kSimhostClsid);
    LONG rc = WriteValue(root, ProgIdPath(), nullptr, kProgIdDescription);
    if (rc == ERROR_SUCCESS) rc = WriteValue(root, ProgIdPath() + L"\\CLSID", nullptr, clsid);
    if (rc == ERROR_SUCCESS) rc = WriteValue(root, ClsidPath(), nullptr, kProgIdDescription);
    if (rc == ERROR_SUCCESS) rc = WriteValue(root, ClsidPath() + L"\\ProgID", nullptr, kProgId);
    return rc;
}

// Removes the class keys under root, the ProgID only while it still names us.
void RemoveClassKeys(HKEY root) {
    auto clsid = ReadDefault(root, ProgIdPath() + L"\\CLSID");
    if (clsid && _wcsicmp(clsid->c_str(), GuidText(kSimhostClsid).c_str()) == 0) {
        DeleteTree(root, ProgIdPath());
    }
    DeleteTree(root, ClsidPath());
}

HRESULT RegisterRunningObject(IUnknown* object, DWORD& cookie) {
    HRESULT hr = E_FAIL;
    for (int attempt = 0; attempt < kRegisterAttempts; ++attempt) {
        hr = RegisterActiveObject(object, kSimhostClsid, ACTIVEOBJECT_STRONG, &cookie);
        if (hr != kRpcServerUnavailable) break;
        Sleep(kRegisterRetryMs);
    }
    return hr;
}

}  // namespace

RegistrationRefused::RegistrationRefused(std::wstring message)
    : std::runtime_error(marsitel::ToUtf8(message)), message_(std::move(message)) {}

RegistrationError::RegistrationError(std::wstring message, long hresult)
    : std::runtime_error(marsitel::ToUtf8(message)), message_(std::move(message)), hresult_(hresult) {}

struct Host::Registration {
    ComPtr<IDispatch> application;
    std::vector<HKEY> class_roots;
    std::unique_ptr<TypeLibRegistration> type_library;
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

std::unique_ptr<Host> Host::FromModel(Model model) {
    return std::unique_ptr<Host>(new Host(std::move(model)));
}
std::unique_ptr<Host> Host::FromScenario(std::wstring_view text) {
    return FromModel(ParseScenario(text));
}

void Host::Register(InterfaceViews views) {
    if (registration_) return;
    CheckProgIdIsFree();
    TypeLibRegistration::CheckInterfacesAreFree();
    CheckNoOtherSimhostRuns();

    // Keys of a simhost that ended abruptly are ours: start from a clean slate.
    for (const Root& root : kRoots) {
        RemoveClassKeys(root.key);
        TypeLibRegistration::RemoveKeys(root.key);
    }

    registration_ = std::make_unique<Registration>();
    Registration& r = *registration_;
    try {
        LONG rc = WriteClassKeys(HKEY_CURRENT_USER);
        r.class_roots.push_back(HKEY_CURRENT_USER);
        if (rc != ERROR_SUCCESS) throw RegistrationError(L"Cannot write the per-user class registration.", HRESULT_FROM_WIN32(rc));
        if (!ProgIdResolvesToUs()) {
            rc = WriteClassKeys(HKEY_LOCAL_MACHINE);
            r.class_roots.push_back(HKEY_LOCAL_MACHINE);
            if (rc != ERROR_SUCCESS) {
                throw RegistrationError(L"The per-user registration does not resolve and the machine-wide one cannot be written.",
                                        HRESULT_FROM_WIN32(rc));
            }
            if (!ProgIdResolvesToUs()) {
                throw RegistrationError(std::wstring(L"The ProgID ") + kProgId + L" does not resolve after registration.", E_FAIL);
            }
        }
        r.type_library = std::make_unique<TypeLibRegistration>(r.class_roots, views);

        r.application = Adopt(NewServedObject(state_, ObjectId{ObjectKind::App}));
        state_->own_references += 1;
        ULONG before = r.application->AddRef() - 1;
        r.application->Release();
        HRESULT hr = RegisterRunningObject(r.application.Get(), r.cookie);
        if (FAILED(hr)) throw RegistrationError(L"RegisterActiveObject failed.", hr);
        r.running = true;
        ULONG after = r.application->AddRef() - 1;
        r.application->Release();
        state_->own_references += static_cast<long>(after) - static_cast<long>(before);

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
        r.filter_installed = false;
    }
    if (r.running) {
        RevokeActiveObject(r.cookie, nullptr);
        r.running = false;
    }
    if (r.application) {
        CoDisconnectObject(r.application.Get(), 0);
        r.application.Reset();
    }
    state_->own_references = 0;
    RemoveRegistryEntries();
    registration_.reset();
}

void Host::RemoveRegistryEntries() noexcept {
    if (!registration_) return;
    Registration& r = *registration_;
    r.type_library.reset();
    for (HKEY root : r.class_roots) RemoveClassKeys(root);
    r.class_roots.clear();
}

ComPtr<IDispatch> Host::NewApplicationReference() {
    return Adopt(NewServedObject(state_, ObjectId{ObjectKind::App}));
}

std::wstring Host::Save() const {
    return SaveScenario(state_->model);
}
const Model& Host::CurrentModel() const {
    return state_->model;
}
std::vector<JournalEntry> Host::Journal() const {
    return state_->journal;
}
void Host::ClearJournal() {
    state_->journal.clear();
}
void Host::KeepJournalInMemory(bool keep) {
    state_->keep_journal = keep;
    if (!keep) state_->journal.clear();
}
std::size_t Host::CallsServed() const {
    return state_->calls_served;
}
long Host::ClientReferences() const {
    return state_->ClientReferences();
}
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

std::size_t Host::LiveEnumeratorSkips() const {
    return state_->live_skips;
}
bool Host::WalkFlag() const {
    return state_->walk_flag;
}

void Host::AddFault(Fault fault) {
    state_->AddFault(std::move(fault));
}
void Host::SetActiveDocument(std::optional<std::wstring> doctext) {
    if (doctext && !state_->model.Find(*doctext)) throw std::invalid_argument("unknown document");
    state_->model.active = std::move(doctext);
}
void Host::SetEnumeratorMode(EnumeratorMode mode) {
    state_->model.enumerator = mode;
}
void Host::SetCallObserver(std::function<void(const JournalEntry&)> observer) {
    state_->observer = std::move(observer);
}
void Host::SetCallLimit(std::size_t limit, std::function<void()> on_limit) {
    state_->call_limit = limit;
    state_->on_limit = std::move(on_limit);
}

int Host::RelationCount(std::wstring_view assembly) const {
    return state_->model.RelationCount(assembly);
}
int Host::GroundCount(std::wstring_view assembly) const {
    return state_->model.GroundCount(assembly);
}
int Host::OccurrenceRelationCount(std::wstring_view assembly, int occurrence) const {
    return state_->model.OccurrenceRelationCount(assembly, occurrence);
}

}  // namespace simhost
