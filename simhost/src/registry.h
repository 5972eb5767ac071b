#pragma once
// Small registry helpers for the class registration.
#include <windows.h>

#include <optional>
#include <string>

namespace simhost {

// The default value of root\path, if the key exists (empty text if it has none).
std::optional<std::wstring> ReadDefault(HKEY root, const std::wstring& path);
bool KeyExists(HKEY root, const std::wstring& path);
// Creates (or opens) root\path and sets its default value. Returns the error.
LONG WriteDefault(HKEY root, const std::wstring& path, const std::wstring& value);
LONG WriteValue(HKEY root, const std::wstring& path, const wchar_t* name, const std::wstring& value);
void DeleteTree(HKEY root, const std::wstring& path);

std::wstring GuidText(const GUID& guid);

}  // namespace simhost
