#include "registry.h"

#include <objbase.h>

#include <cwchar>

#include "shared/unique_handle.h"

namespace simhost {
namespace {

// Null when the key cannot be opened with `access`.
marsitel::UniqueKey OpenKey(HKEY root, const std::wstring& path, REGSAM access) {
    HKEY key = nullptr;
    return marsitel::UniqueKey(RegOpenKeyExW(root, path.c_str(), 0, access, &key) == ERROR_SUCCESS ? key : nullptr);
}

}  // namespace

std::optional<std::wstring> ReadDefault(HKEY root, const std::wstring& path, REGSAM view) {
    const marsitel::UniqueKey key = OpenKey(root, path, KEY_READ | view);
    if (!key) return std::nullopt;
    DWORD type = 0, bytes = 0;
    if (RegQueryValueExW(key.get(), nullptr, nullptr, &type, nullptr, &bytes) != ERROR_SUCCESS || type != REG_SZ) {
        return std::wstring();
    }
    std::wstring value(bytes / sizeof(wchar_t) + 1, L'\0');
    bytes = static_cast<DWORD>(value.size() * sizeof(wchar_t));
    if (RegQueryValueExW(key.get(), nullptr, nullptr, &type, reinterpret_cast<BYTE*>(value.data()), &bytes) !=
        ERROR_SUCCESS) {
        return std::wstring();
    }
    value.resize(wcsnlen(value.c_str(), value.size()));
    return value;
}

bool KeyExists(HKEY root, const std::wstring& path, REGSAM view) {
    return OpenKey(root, path, KEY_READ | view) != nullptr;
}

LONG WriteValue(HKEY root, const std::wstring& path, const wchar_t* name, const std::wstring& value, REGSAM view) {
    HKEY created = nullptr;
    const LONG rc = RegCreateKeyExW(root, path.c_str(), 0, nullptr, 0, KEY_WRITE | view, nullptr, &created, nullptr);
    if (rc != ERROR_SUCCESS) return rc;
    const marsitel::UniqueKey key(created);
    return RegSetValueExW(key.get(), name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                          static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
}

void DeleteTree(HKEY root, const std::wstring& path, REGSAM view) {
    if (const marsitel::UniqueKey key = OpenKey(root, path, DELETE | KEY_READ | KEY_SET_VALUE | view)) {
        RegDeleteTreeW(key.get(), nullptr);
    }
    RegDeleteKeyExW(root, path.c_str(), view, 0);
}

std::wstring GuidText(const GUID& guid) {
    wchar_t buffer[40] = {};
    StringFromGUID2(guid, buffer, 40);
    return buffer;
}

}  // namespace simhost
