#include "registry.h"

#include <objbase.h>

#include <cwchar>

#include "shared/unique_handle.h"

namespace simhost {
namespace {

// Null when the key cannot be opened for reading.
marsitel::UniqueKey OpenKey(HKEY root, const std::wstring& path) {
    HKEY key = nullptr;
    return marsitel::UniqueKey(RegOpenKeyExW(root, path.c_str(), 0, KEY_READ, &key) == ERROR_SUCCESS ? key : nullptr);
}

std::optional<std::wstring> ReadValue(HKEY root, const std::wstring& path, const wchar_t* name) {
    const marsitel::UniqueKey key = OpenKey(root, path);
    if (!key) return std::nullopt;
    DWORD type = 0, bytes = 0;
    LONG rc = RegQueryValueExW(key.get(), name, nullptr, &type, nullptr, &bytes);
    if (rc == ERROR_FILE_NOT_FOUND) return std::wstring();
    if (rc != ERROR_SUCCESS || type != REG_SZ) return std::wstring();
    std::wstring value(bytes / sizeof(wchar_t) + 1, L'\0');
    bytes = static_cast<DWORD>(value.size() * sizeof(wchar_t));
    if (RegQueryValueExW(key.get(), name, nullptr, &type, reinterpret_cast<BYTE*>(value.data()), &bytes) !=
        ERROR_SUCCESS) {
        return std::wstring();
    }
    value.resize(wcsnlen(value.c_str(), value.size()));
    return value;
}

}  // namespace

std::optional<std::wstring> ReadDefault(HKEY root, const std::wstring& path) {
    return ReadValue(root, path, nullptr);
}

bool KeyExists(HKEY root, const std::wstring& path) {
    return OpenKey(root, path) != nullptr;
}

LONG WriteValue(HKEY root, const std::wstring& path, const wchar_t* name, const std::wstring& value) {
    HKEY created = nullptr;
    const LONG rc = RegCreateKeyExW(root, path.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &created, nullptr);
    if (rc != ERROR_SUCCESS) return rc;
    const marsitel::UniqueKey key(created);
    return RegSetValueExW(key.get(), name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                          static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
}

LONG WriteDefault(HKEY root, const std::wstring& path, const std::wstring& value) {
    return WriteValue(root, path, nullptr, value);
}

void DeleteTree(HKEY root, const std::wstring& path) {
    RegDeleteTreeW(root, path.c_str());
    RegDeleteKeyW(root, path.c_str());
}

std::wstring GuidText(const GUID& guid) {
    wchar_t buffer[40] = {};
    StringFromGUID2(guid, buffer, 40);
    return buffer;
}

}  // namespace simhost
