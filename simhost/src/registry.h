#pragma once
// Small registry helpers for the class registration.
#include <windows.h>

#include <optional>
#include <string>

namespace simhost {

class RegKey {
public:
    RegKey() = default;
    explicit RegKey(HKEY key) : key_(key) {}
    ~RegKey() {
        if (key_) RegCloseKey(key_);
    }
    RegKey(const RegKey&) = delete;
    RegKey& operator=(const RegKey&) = delete;
    HKEY get() const { return key_; }
    HKEY* put() { return &key_; }

private:
    HKEY key_ = nullptr;
};

// The default value of root\path, if the key exists (empty text if it has none).
std::optional<std::wstring> ReadDefault(HKEY root, const std::wstring& path);
std::optional<std::wstring> ReadValue(HKEY root, const std::wstring& path, const wchar_t* name);
bool KeyExists(HKEY root, const std::wstring& path);
// Creates (or opens) root\path and sets its default value. Returns the error.
LONG WriteDefault(HKEY root, const std::wstring& path, const std::wstring& value);
LONG WriteValue(HKEY root, const std::wstring& path, const wchar_t* name, const std::wstring& value);
void DeleteTree(HKEY root, const std::wstring& path);

std::wstring GuidText(const GUID& guid);

}  // namespace simhost
