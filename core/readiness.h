#pragma once
// The readiness check before a run and at the dialog's load.
#include "core/host/busy_host.h"

namespace marsitel {

// What the check found. The user interface warns of everything but Ready.
enum class HostReadiness {
    Ready,
    NotRunning,
    // Not found by a program that runs elevated: Windows keeps the running
    // objects of elevated and normal processes apart, so a host started
    // without administrator rights may well be running.
    NotRunningSeenElevated,
    NoAssemblyActive,
};

// Whether the host runs with an assembly active. Throws only when the wait
// for a busy host ends (host::HostBusyError), or when one of its interfaces
// is not registered for this program (host::InterfaceNotRegisteredError):
// then no finding would be true. The waits show `busy`'s notice and keep to
// its bounds.
HostReadiness CheckHostReady(const host::BusyContext& busy);

}  // namespace marsitel
