#include "typelib.h"

#include <oleauto.h>
#include <wrl/client.h>

#include <span>

#include "registry.h"
#include "simhost/interface_ids.h"

namespace simhost {

using Microsoft::WRL::ComPtr;

namespace {

struct Platform {
    SYSKIND kind;
    const wchar_t* key;
};
constexpr Platform kPlatforms[] = {{SYS_WIN32, L"win32"}, {SYS_WIN64, L"win64"}};
constexpr Platform kOwnPlatform[] = {kPlatforms[sizeof(void*) == 8 ? 1 : 0]};
constexpr REGSAM kBothViews[] = {KEY_WOW64_64KEY, KEY_WOW64_32KEY};
constexpr REGSAM kOwnView[] = {0};

// Dispinterfaces travel through the standard IDispatch marshaller.
constexpr wchar_t kPsDispatch[] = L"{00020420-0000-0000-C000-000000000046}";
constexpr wchar_t kLibraryName[] = L"SimhostHostInterfaces";

std::wstring InterfacePath(const GUID& iid) {
    return std::wstring(kClassesPath) + L"Interface\\" + GuidText(iid);
}
std::wstring LibraryPath() {
    return std::wstring(kClassesPath) + L"TypeLib\\" + GuidText(kSimhostLibId);
}

void Check(HRESULT hr, const wchar_t* what) {
    if (FAILED(hr)) throw RegistrationError(std::wstring(L"Building the type library failed: ") + what, hr);
}

ComPtr<ITypeInfo> DispatchTypeInfo() {
    ComPtr<ITypeLib> stdole;
    Check(LoadRegTypeLib(IID_StdOle, 2, 0, LOCALE_NEUTRAL, &stdole), L"stdole2");
    ComPtr<ITypeInfo> dispatch;
    Check(stdole->GetTypeInfoOfGuid(IID_IDispatch, &dispatch), L"IDispatch");
    return dispatch;
}

void BuildLibrary(const std::wstring& path, SYSKIND kind) {
    ComPtr<ICreateTypeLib2> library;
    Check(CreateTypeLib2(kind, path.c_str(), &library), L"CreateTypeLib2");
    Check(library->SetGuid(kSimhostLibId), L"SetGuid");
    Check(library->SetName(const_cast<LPOLESTR>(kLibraryName)), L"SetName");
    Check(library->SetVersion(1, 0), L"SetVersion");
    Check(library->SetLcid(LOCALE_NEUTRAL), L"SetLcid");
    ComPtr<ITypeInfo> dispatch = DispatchTypeInfo();
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
    DWORD n = GetTempPathW(MAX_PATH, dir);
    if (n == 0 || n > MAX_PATH) throw RegistrationError(L"No temp folder for the type library.", E_FAIL);
    return std::wstring(dir) + L"simhost-" + std::to_wstring(GetCurrentProcessId()) + L"-" + platform + L".tlb";
}

void WriteKeys(HKEY root, std::span<const Platform> platforms, const std::vector<std::wstring>& files, REGSAM view) {
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

bool NamesOurLibrary(HKEY root, const GUID& iid, REGSAM view) {
    auto lib = ReadDefault(root, InterfacePath(iid) + L"\\TypeLib", view);
    return lib && _wcsicmp(lib->c_str(), GuidText(kSimhostLibId).c_str()) == 0;
}

}  // namespace

void TypeLibRegistration::CheckInterfacesAreFree() {
    for (HKEY root : {HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE}) {
        for (REGSAM view : kBothViews) {
            for (const HostInterface& entry : kHostInterfaces) {
                if (KeyExists(root, InterfacePath(*entry.iid), view) && !NamesOurLibrary(root, *entry.iid, view)) {
                    throw RegistrationRefused(std::wstring(L"The interface ") + entry.name + L" " +
                                              GuidText(*entry.iid) +
                                              L" is registered by another program; simhost changes nothing and stops.");
                }
            }
        }
    }
}

TypeLibRegistration::TypeLibRegistration(const std::vector<HKEY>& roots, InterfaceViews views) {
    const bool both = views == InterfaceViews::Both;
    const std::span<const Platform> platforms = both ? std::span<const Platform>(kPlatforms) : kOwnPlatform;
    try {
        for (const Platform& p : platforms) {
            files_.push_back(TempFile(p.key));
            BuildLibrary(files_.back(), p.kind);
        }
        for (HKEY root : roots) {
            roots_.push_back(root);
            for (REGSAM view : both ? std::span<const REGSAM>(kBothViews) : kOwnView) {
                WriteKeys(root, platforms, files_, view);
            }
        }
    } catch (...) {
        Remove();
        throw;
    }
}

TypeLibRegistration::~TypeLibRegistration() {
    Remove();
}

void TypeLibRegistration::RemoveKeys(HKEY root) noexcept {
    for (REGSAM view : kBothViews) {
        for (const HostInterface& entry : kHostInterfaces) {
            if (NamesOurLibrary(root, *entry.iid, view)) DeleteTree(root, InterfacePath(*entry.iid), view);
        }
        DeleteTree(root, LibraryPath(), view);
    }
}

void TypeLibRegistration::Remove() noexcept {
    for (HKEY root : roots_) RemoveKeys(root);
    roots_.clear();
    for (const std::wstring& file : files_) DeleteFileW(file.c_str());
    files_.clear();
}

}  // namespace simhost
