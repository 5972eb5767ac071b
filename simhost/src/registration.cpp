#include "registration.h"

#include <objbase.h>
#include <oleauto.h>
#include <wrl/client.h>

#include <cwchar>
#include <optional>
#include <span>

#include "shared/unique_handle.h"
#include "simhost/interface_ids.h"
#include "simhost/support/utf8.h"

namespace simhost {

using Microsoft::WRL::ComPtr;

namespace {

constexpr wchar_t kClassesPath[] = L"Software\\Classes\\";
constexpr wchar_t kProgIdDescription[] = L"simhost: simulated host application";
// Dispinterfaces travel through the standard IDispatch marshaller.
constexpr wchar_t kPsDispatch[] = L"{00020420-0000-0000-C000-000000000046}";
constexpr wchar_t kLibraryName[] = L"SimhostHostInterfaces";

struct Root {
    HKEY key;
    const wchar_t* name;
};
const Root kRoots[] = {{HKEY_CURRENT_USER, L"user"}, {HKEY_LOCAL_MACHINE, L"machine"}};

struct Platform {
    SYSKIND kind;
    const wchar_t* key;
};
constexpr Platform kPlatforms[] = {{SYS_WIN32, L"win32"}, {SYS_WIN64, L"win64"}};
constexpr Platform kOwnPlatform[] = {kPlatforms[sizeof(void*) == 8 ? 1 : 0]};
// A view of 0 is the program's own.
constexpr REGSAM kBothViews[] = {KEY_WOW64_64KEY, KEY_WOW64_32KEY};
constexpr REGSAM kOwnView[] = {0};

std::wstring GuidText(const GUID& guid) {
    wchar_t buffer[40] = {};
    StringFromGUID2(guid, buffer, 40);
    return buffer;
}
bool SameGuidText(const std::optional<std::wstring>& text, const GUID& guid) {
    return text && _wcsicmp(text->c_str(), GuidText(guid).c_str()) == 0;
}

std::wstring ProgIdPath() { return std::wstring(kClassesPath) + host::kHostProgId; }
std::wstring ClsidPath() { return std::wstring(kClassesPath) + L"CLSID\\" + GuidText(kSimhostClsid); }
std::wstring InterfacePath(const GUID& iid) { return std::wstring(kClassesPath) + L"Interface\\" + GuidText(iid); }
std::wstring LibraryPath() { return std::wstring(kClassesPath) + L"TypeLib\\" + GuidText(kSimhostLibId); }

// Null when the key cannot be opened with `access`.
marsitel::UniqueKey OpenKey(HKEY root, const std::wstring& path, REGSAM access) {
    HKEY key = nullptr;
    return marsitel::UniqueKey(RegOpenKeyExW(root, path.c_str(), 0, access, &key) == ERROR_SUCCESS ? key : nullptr);
}

// The default value of root\path, if the key exists (empty text if it has none).
std::optional<std::wstring> ReadDefault(HKEY root, const std::wstring& path, REGSAM view = 0) {
    const marsitel::UniqueKey key = OpenKey(root, path, KEY_READ | view);
    if (!key) return std::nullopt;
    DWORD bytes = 0;
    std::wstring value;
    if (RegGetValueW(key.get(), nullptr, nullptr, RRF_RT_REG_SZ, nullptr, nullptr, &bytes) == ERROR_SUCCESS) {
        value.resize(bytes / sizeof(wchar_t));
        if (RegGetValueW(key.get(), nullptr, nullptr, RRF_RT_REG_SZ, nullptr, value.data(), &bytes)) value.clear();
    }
    value.resize(wcsnlen(value.c_str(), value.size()));
    return value;
}

// Creates (or opens) root\path and sets the value, the default one when
// `name` is null. Returns the error.
LONG WriteValue(HKEY root, const std::wstring& path, const wchar_t* name, const std::wstring& value, REGSAM view = 0) {
    HKEY created = nullptr;
    const LONG rc = RegCreateKeyExW(root, path.c_str(), 0, nullptr, 0, KEY_WRITE | view, nullptr, &created, nullptr);
    if (rc != ERROR_SUCCESS) return rc;
    const marsitel::UniqueKey key(created);
    return RegSetValueExW(key.get(), name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                          static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
}

void DeleteTree(HKEY root, const std::wstring& path, REGSAM view = 0) {
    if (const marsitel::UniqueKey key = OpenKey(root, path, DELETE | KEY_READ | KEY_SET_VALUE | view)) {
        RegDeleteTreeW(key.get(), nullptr);
    }
    RegDeleteKeyExW(root, path.c_str(), view, 0);
}

// Throws RegistrationRefused when someone else owns the ProgID.
void CheckProgIdIsFree() {
    const std::wstring ours = GuidText(kSimhostClsid);
    for (const Root& root : kRoots) {
        if (!OpenKey(root.key, ProgIdPath(), KEY_READ)) continue;
        auto clsid = ReadDefault(root.key, ProgIdPath() + L"\\CLSID");
        if (!SameGuidText(clsid, kSimhostClsid)) {
            throw RegistrationRefused(std::wstring(L"The ProgID ") + host::kHostProgId + L" is registered (" +
                                      root.name + L") to " + (clsid && !clsid->empty() ? *clsid : L"another class") +
                                      L", not to simhost " + ours +
                                      L". A real host seems to be installed; simhost changes nothing and stops.");
        }
    }
    CLSID resolved{};
    if (SUCCEEDED(CLSIDFromProgID(host::kHostProgId, &resolved)) && !IsEqualCLSID(resolved, kSimhostClsid)) {
        throw RegistrationRefused(std::wstring(L"The ProgID ") + host::kHostProgId + L" resolves to " +
                                  GuidText(resolved) + L", not to simhost " + ours +
                                  L". simhost changes nothing and stops.");
    }
}

bool NamesOurLibrary(HKEY root, const GUID& iid, REGSAM view) {
    return SameGuidText(ReadDefault(root, InterfacePath(iid) + L"\\TypeLib", view), kSimhostLibId);
}

// Throws RegistrationRefused when an interface key names another type library.
void CheckInterfacesAreFree() {
    for (const Root& root : kRoots) {
        for (REGSAM view : kBothViews) {
            for (const HostInterface& entry : kHostInterfaces) {
                if (OpenKey(root.key, InterfacePath(*entry.iid), KEY_READ | view) &&
                    !NamesOurLibrary(root.key, *entry.iid, view)) {
                    throw RegistrationRefused(std::wstring(L"The interface ") + entry.name + L" " +
                                              GuidText(*entry.iid) +
                                              L" is registered by another program; simhost changes nothing and stops.");
                }
            }
        }
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
    return SUCCEEDED(CLSIDFromProgID(host::kHostProgId, &resolved)) && IsEqualCLSID(resolved, kSimhostClsid);
}

LONG WriteClassKeys(HKEY root) {
    const std::wstring clsid = GuidText(kSimhostClsid);
    LONG rc = WriteValue(root, ProgIdPath(), nullptr, kProgIdDescription);
    if (rc == ERROR_SUCCESS) rc = WriteValue(root, ProgIdPath() + L"\\CLSID", nullptr, clsid);
    if (rc == ERROR_SUCCESS) rc = WriteValue(root, ClsidPath(), nullptr, kProgIdDescription);
    if (rc == ERROR_SUCCESS) rc = WriteValue(root, ClsidPath() + L"\\ProgID", nullptr, host::kHostProgId);
    return rc;
}

// Removes simhost's keys under root: the ProgID only while it still names us,
// the interface keys only while they name our library, in both views.
void RemoveKeys(HKEY root) noexcept {
    if (SameGuidText(ReadDefault(root, ProgIdPath() + L"\\CLSID"), kSimhostClsid)) DeleteTree(root, ProgIdPath());
    DeleteTree(root, ClsidPath());
    for (REGSAM view : kBothViews) {
        for (const HostInterface& entry : kHostInterfaces) {
            if (NamesOurLibrary(root, *entry.iid, view)) DeleteTree(root, InterfacePath(*entry.iid), view);
        }
        DeleteTree(root, LibraryPath(), view);
    }
}

void Check(HRESULT hr, const wchar_t* what) {
    if (FAILED(hr)) throw RegistrationError(std::wstring(L"Building the type library failed: ") + what, hr);
}

void BuildLibrary(const std::wstring& path, SYSKIND kind) {
    ComPtr<ITypeLib> stdole;
    Check(LoadRegTypeLib(IID_StdOle, 2, 0, LOCALE_NEUTRAL, &stdole), L"stdole2");
    ComPtr<ITypeInfo> dispatch;
    Check(stdole->GetTypeInfoOfGuid(IID_IDispatch, &dispatch), L"IDispatch");
    ComPtr<ICreateTypeLib2> library;
    Check(CreateTypeLib2(kind, path.c_str(), &library), L"CreateTypeLib2");
    Check(library->SetGuid(kSimhostLibId), L"SetGuid");
    Check(library->SetName(const_cast<LPOLESTR>(kLibraryName)), L"SetName");
    Check(library->SetVersion(1, 0), L"SetVersion");
    Check(library->SetLcid(LOCALE_NEUTRAL), L"SetLcid");
    for (const HostInterface& entry : kHostInterfaces) {
        ComPtr<ICreateTypeInfo> info;
        Check(library->CreateTypeInfo(const_cast<LPOLESTR>(entry.name), TKIND_DISPATCH, &info), entry.name);
        Check(info->SetGuid(*entry.iid), entry.name);
        Check(info->SetTypeFlags(TYPEFLAG_FDISPATCHABLE), entry.name);
        HREFTYPE base = 0;
        Check(info->AddRefTypeInfo(dispatch.Get(), &base), entry.name);
        Check(info->AddImplType(0, base), entry.name);
        Check(info->LayOut(), entry.name);
    }
    Check(library->SaveAllChanges(), L"SaveAllChanges");
}

std::wstring TempFile(const wchar_t* platform) {
    wchar_t dir[MAX_PATH + 1] = {};
    const DWORD n = GetTempPathW(MAX_PATH, dir);
    if (n == 0 || n > MAX_PATH) throw RegistrationError(L"No temp folder for the type library.", E_FAIL);
    return std::wstring(dir) + L"simhost-" + std::to_wstring(GetCurrentProcessId()) + L"-" + platform + L".tlb";
}

void WriteLibraryKeys(HKEY root, std::span<const Platform> platforms, const std::vector<std::wstring>& files,
                      REGSAM view) {
    const std::wstring lib = LibraryPath() + L"\\1.0";
    LONG rc = WriteValue(root, lib, nullptr, L"simhost host interfaces", view);
    for (std::size_t i = 0; i < files.size() && rc == ERROR_SUCCESS; ++i) {
        rc = WriteValue(root, lib + L"\\0\\" + platforms[i].key, nullptr, files[i], view);
    }
    if (rc == ERROR_SUCCESS) rc = WriteValue(root, lib + L"\\FLAGS", nullptr, L"0", view);
    for (const HostInterface& entry : kHostInterfaces) {
        const std::wstring path = InterfacePath(*entry.iid);
        if (rc == ERROR_SUCCESS) rc = WriteValue(root, path, nullptr, entry.name, view);
        if (rc == ERROR_SUCCESS) rc = WriteValue(root, path + L"\\ProxyStubClsid32", nullptr, kPsDispatch, view);
        if (rc == ERROR_SUCCESS) rc = WriteValue(root, path + L"\\ProxyStubClsid", nullptr, kPsDispatch, view);
        if (rc == ERROR_SUCCESS) rc = WriteValue(root, path + L"\\TypeLib", nullptr, GuidText(kSimhostLibId), view);
        if (rc == ERROR_SUCCESS) rc = WriteValue(root, path + L"\\TypeLib", L"Version", L"1.0", view);
    }
    if (rc != ERROR_SUCCESS) throw RegistrationError(L"Cannot register the type library.", HRESULT_FROM_WIN32(rc));
}

}  // namespace

RegistrationRefused::RegistrationRefused(std::wstring message)
    : std::runtime_error(marsitel::ToUtf8(message)), message_(std::move(message)) {}

RegistrationError::RegistrationError(std::wstring message, long hresult)
    : std::runtime_error(marsitel::ToUtf8(message)), message_(std::move(message)), hresult_(hresult) {}

RegistryEntries::RegistryEntries(InterfaceViews views) {
    CheckProgIdIsFree();
    CheckInterfacesAreFree();
    CheckNoOtherSimhostRuns();
    // Keys of a simhost that ended abruptly are ours: start from a clean slate.
    for (const Root& root : kRoots) RemoveKeys(root.key);
    try {
        LONG rc = WriteClassKeys(HKEY_CURRENT_USER);
        roots_.push_back(HKEY_CURRENT_USER);
        if (rc != ERROR_SUCCESS) {
            throw RegistrationError(L"Cannot write the per-user class registration.", HRESULT_FROM_WIN32(rc));
        }
        if (!ProgIdResolvesToUs()) {
            rc = WriteClassKeys(HKEY_LOCAL_MACHINE);
            roots_.push_back(HKEY_LOCAL_MACHINE);
            if (rc != ERROR_SUCCESS) {
                throw RegistrationError(
                    L"The per-user registration does not resolve and the machine-wide one cannot be written.",
                    HRESULT_FROM_WIN32(rc));
            }
            if (!ProgIdResolvesToUs()) {
                throw RegistrationError(
                    std::wstring(L"The ProgID ") + host::kHostProgId + L" does not resolve after registration.",
                    E_FAIL);
            }
        }
        const bool both = views == InterfaceViews::Both;
        const std::span<const Platform> platforms = both ? std::span<const Platform>(kPlatforms) : kOwnPlatform;
        for (const Platform& p : platforms) {
            files_.push_back(TempFile(p.key));
            BuildLibrary(files_.back(), p.kind);
        }
        for (HKEY root : roots_) {
            for (REGSAM view : both ? std::span<const REGSAM>(kBothViews) : kOwnView) {
                WriteLibraryKeys(root, platforms, files_, view);
            }
        }
    } catch (...) {
        Remove();
        throw;
    }
}

RegistryEntries::~RegistryEntries() {
    Remove();
}

void RegistryEntries::Remove() noexcept {
    for (HKEY root : roots_) RemoveKeys(root);
    roots_.clear();
    for (const std::wstring& file : files_) DeleteFileW(file.c_str());
    files_.clear();
}

}  // namespace simhost
