#include "core/traversal.h"

#include <windows.h>

#include <string>
#include <string_view>

namespace marsitel {
namespace {

constexpr std::int16_t kAllLevelsDepth = 1000;
constexpr wchar_t kAssemblyLinePrefix[] = L"Bearbeite ";
constexpr wchar_t kOccurrenceLinePrefix[] = L"Vorkommnis ";
constexpr std::wstring_view kAssemblySuffix = L"ASM";

void ShowAssembly(const host::HostAssembly& assembly, const host::HostOccurrences& occurrences,
                  ProgressDisplay& progress) {
    progress.SetBarMin(0.0f);
    progress.SetBarMax(static_cast<float>(occurrences.Count()));
    progress.SetAssemblyLine(kAssemblyLinePrefix + assembly.DisplayName());
    progress.Repaint();
}

void ShowOccurrence(std::int16_t index, const host::HostOccurrence& occurrence, ProgressDisplay& progress) {
    progress.SetBarValue(static_cast<float>(index));
    progress.SetOccurrenceLine(kOccurrenceLinePrefix + occurrence.DisplayName());
    progress.Repaint();
}

void DeleteAllRelations(const host::HostRelations& relations) {
    for (const auto& relation : relations.ReadAll()) relation.Delete();
}

// True when the last three characters, upper-cased, are "ASM".
bool IsSubAssemblyText(std::wstring_view documentText) {
    if (documentText.size() < kAssemblySuffix.size()) return false;
    std::wstring suffix(documentText.substr(documentText.size() - kAssemblySuffix.size()));
    CharUpperBuffW(suffix.data(), static_cast<DWORD>(suffix.size()));
    return suffix == kAssemblySuffix;
}

// Deletes every relation of each occurrence placed directly in `assembly`
// and, when the options ask for it, grounds the occurrence.
void ProcessOccurrences(const host::HostAssembly& assembly, const RunOptions& options, ProgressDisplay& progress) {
    const host::HostOccurrences occurrences = assembly.Occurrences();
    const std::int16_t count = host::CheckedInt16(occurrences.Count());
    for (std::int32_t i = 1; i <= count; ++i) {
        const auto index = static_cast<std::int16_t>(i);
        const host::HostOccurrence occurrence = occurrences.Item(index);
        const host::HostRelations relations = occurrence.Relations();
        ShowOccurrence(index, occurrence, progress);
        DeleteAllRelations(relations);
        if (options.GroundAll()) assembly.Relations().AddGround(occurrence);
    }
}

void VisitSubAssemblies(const host::HostOccurrences& occurrences, std::int16_t levels, const RunOptions& options,
                        ProgressDisplay& progress) {
    const std::int16_t count = host::CheckedInt16(occurrences.Count());
    // A wider counter, so that a count of 32,767 does not overflow the loop.
    for (std::int32_t i = 1; i <= count; ++i) {
        const host::HostOccurrence occurrence = occurrences.Item(static_cast<std::int16_t>(i));
        if (!IsSubAssemblyText(occurrence.DocumentText())) continue;
        const host::HostAssembly subAssembly = occurrence.Document();
        ProcessAssembly(subAssembly, static_cast<std::int16_t>(levels - 1), options, progress);
    }
}

}  // namespace

std::int16_t DepthForLevel(std::int16_t level) {
    return level == kAllLevels ? kAllLevelsDepth : level;
}

void ProcessAssembly(const host::HostAssembly& assembly, std::int16_t levels, const RunOptions& options,
                     ProgressDisplay& progress) {
    const host::HostOccurrences occurrences = assembly.Occurrences();
    ShowAssembly(assembly, occurrences, progress);
    ProcessOccurrences(assembly, options, progress);
    if (levels > 1) VisitSubAssemblies(occurrences, levels, options, progress);
}

}  // namespace marsitel
