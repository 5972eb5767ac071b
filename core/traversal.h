#pragma once
// The walk of one removal run: assemblies visited depth-first, and the
// relations of each assembly's own occurrences deleted (and grounded).
#include <cstdint>

#include "core/host/host_objects.h"
#include "core/progress_display.h"
#include "core/run_options.h"

namespace marsitel {

// The level selector's value as a depth: kAllLevels stands for a depth
// that no assembly reaches.
std::int16_t DepthForLevel(std::int16_t level);

// Visits `assembly` and, while `levels` is above 1, every sub-assembly
// placed in it. Throws marsitel::Error; what was done before stays done.
void ProcessAssembly(const host::HostAssembly& assembly, std::int16_t levels, const RunOptions& options,
                     ProgressDisplay& progress);

}  // namespace marsitel
