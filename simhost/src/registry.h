#pragma once
// Small registry helpers for the class registration. `view` is 0 for the
// caller's own view of the registry, or KEY_WOW64_32KEY or KEY_WOW64_64KEY.
#include <windows.h>

#include <optional>
#include <string>

namespace simhost {

inline constexpr wchar_t kClassesPath[] = L"Software\\Classes\\";

// The default value of root\path, if the key exists (empty text if it has none).
std::optional<std::wstring> ReadDefault(HKEY root, const std::wstring& path, REGSAM view = 0);
bool KeyExists(HKEY root, const std::wstring& path, REGSAM view = 0);
// Creates (or opens) root\path and sets the value (the default one when
// `name` is null). Returns the error.
LONG WriteValue(HKEY root, const std::wstring& path, const wchar_t* name, const std::wstring& value, REGSAM view = 0);
void DeleteTree(HKEY root, const std::wstring& path, REGSAM view = 0);

std::wstring GuidText(const GUID& guid);

}  // namespace simhost
