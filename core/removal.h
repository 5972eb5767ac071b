#pragma once
// Relation removal: one complete run.
#include "core/host/busy_host.h"
#include "core/progress_display.h"
#include "core/readiness.h"
#include "core/run_options.h"

namespace marsitel {

// One complete run for the Execute button. Returns what the readiness check
// found: Ready when the run went through, anything else when it changed
// nothing. Throws marsitel::Error on any failure after the check; changes
// already made in the host stay.
// When the walk fails, the host's walk flag is first set back to False,
// within a short bound (a failure there is ignored), and the closing call is
// not made. The waits for a busy host show `busy`'s notice and keep to its
// bounds.
HostReadiness RunRelationRemoval(const RunOptions& options, ProgressDisplay& progress, const host::BusyContext& busy);

}  // namespace marsitel
