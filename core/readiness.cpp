// The readiness check: the only procedure that traps errors. Each step
// leaves an error number behind instead of ending the program. A host that
// stays busy is not trapped: it runs and may well have an assembly active,
// and neither warning would be true. Nor is a host interface that this
// program cannot reach for want of its registration.
#include "core/readiness.h"

#include <windows.h>

#include <exception>
#include <functional>

#include "core/base/error.h"
#include "core/elevation.h"
#include "core/host/busy_host.h"
#include "core/host/dispatch.h"
#include "core/host/error_mapping.h"
#include "core/host/host_objects.h"

namespace marsitel {
namespace {

HostReadiness NotRunning() {
    return RunsElevated() ? HostReadiness::NotRunningSeenElevated : HostReadiness::NotRunning;
}

// The number the failing step leaves behind; 0 when it succeeded.
std::int32_t TrappedErrorNumber(const std::function<void()>& step) {
    try {
        step();
        return error_number::kNone;
    } catch (const host::HostBusyError&) {
        throw;
    } catch (const host::InterfaceNotRegisteredError&) {
        throw;
    } catch (const Error& error) {
        return error.number();
    } catch (const std::exception&) {
        return error_number::kOutOfMemory;
    }
}

HostReadiness Readiness() {
    using namespace host::by_name;
    host::DispatchObject application;
    if (TrappedErrorNumber([&] { application = host::AttachToRunningObject(host::kHostProgId); }) != 0) {
        return NotRunning();
    }
    // A negative number (a bare failure status of the host) is passed over.
    if (TrappedErrorNumber([&] { application.Get(kActiveDocument).Object().As(host::kIidHostAssembly); }) > 0) {
        return HostReadiness::NoAssemblyActive;
    }
    std::int32_t documents = 0;
    const auto countDocuments = [&] { documents = application.Get(kDocuments).Object().Get(kCount).Int32(); };
    const bool none = TrappedErrorNumber(countDocuments) != 0 || documents == 0;
    return none ? HostReadiness::NoAssemblyActive : HostReadiness::Ready;
}

}  // namespace

HostReadiness CheckHostReady(const host::BusyContext& busy) {
    try {
        const host::BusyFilterScope busyFilter(busy);
        return Readiness();
    } catch (const host::HostBusyError&) {
        throw;
    } catch (const host::InterfaceNotRegisteredError&) {
        throw;
    } catch (const std::exception&) {
        return NotRunning();
    }
}

}  // namespace marsitel
