#pragma once
// Text as UTF-8, the encoding of every text file the program's tools read
// and write: the simulated host's scenarios, saved states and journals, the
// benchmark's assemblies.
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace marsitel {

std::string ToUtf8(std::wstring_view text);
std::wstring FromUtf8(std::string_view bytes);

// The whole file as text, without a byte order mark an editor may have
// written; nothing when the file cannot be opened.
std::optional<std::wstring> ReadUtf8File(const std::filesystem::path& file);
// Replaces the file's contents; false when they could not be written.
bool WriteUtf8File(const std::filesystem::path& file, std::wstring_view text);

}  // namespace marsitel
