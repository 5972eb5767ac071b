#include "core/removal.h"

#include "core/host/busy_host.h"
#include "core/host/host_objects.h"
#include "core/readiness.h"
#include "core/traversal.h"

namespace marsitel {
namespace {

// A failed walk would otherwise leave the host's flag set after the program
// has gone. A second failure here must not hide the first one, and a host
// that is still busy must not hold its report back for long.
void ClearWalkFlagAfterFailure(const host::HostApplication& application) noexcept {
    try {
        application.SetWalkFlag(false, host::CallBound::Last);
    } catch (...) {
    }
}

}  // namespace

HostReadiness RunRelationRemoval(const RunOptions& options, ProgressDisplay& progress, const host::BusyContext& busy) {
    host::BusyFilterScope busyFilter(busy);
    const std::int16_t depth = DepthForLevel(options.Level());
    const HostReadiness readiness = CheckHostReady(busy);
    if (readiness != HostReadiness::Ready) return readiness;

    const host::HostApplication application = host::HostApplication::Attach();
    const host::HostAssembly assembly = application.ActiveAssembly();
    assembly.Auxiliary().Prepare();
    application.SetWalkFlag(true);
    try {
        ProcessAssembly(assembly, depth, options, progress);
    } catch (...) {
        ClearWalkFlagAfterFailure(application);
        throw;
    }
    application.SetWalkFlag(false);
    application.Finish();
    return readiness;
}

}  // namespace marsitel
