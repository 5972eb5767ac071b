#pragma once
// Relation removal: the readiness check and one complete run.
#include "core/progress_display.h"
#include "core/run_options.h"

namespace marsitel {

// True when the host runs with an assembly active; otherwise shows the
// reason in a warning box and returns false. Throws only when the host
// stays busy (host::HostBusyError): then neither warning would be true.
bool CheckHostReady();

// One complete run for the Execute button. Throws marsitel::Error on any
// failure after the readiness check; changes already made in the host stay.
// When the walk fails, the host's walk flag is first set back to False,
// within a short bound (a failure there is ignored), and the closing call is
// not made.
void RunRelationRemoval(const RunOptions& options, ProgressDisplay& progress);

}  // namespace marsitel
