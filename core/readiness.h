#pragma once
// The readiness check before a run and at the dialog's load.
#include <string>

#include "core/host/busy_host.h"

namespace marsitel {

// True when the host runs with an assembly active; otherwise shows the
// reason in a warning box and returns false. Throws only when the wait for
// a busy host ends (host::HostBusyError), or when one of its interfaces is
// not registered for this program (host::InterfaceNotRegisteredError): then
// neither warning would be true. The waits show `busy`'s notice and keep to
// its bounds.
bool CheckHostReady(const host::BusyContext& busy);

// The warning when no running host can be attached. Windows keeps the
// running objects of elevated and normal processes apart: an elevated
// program does not find a host started normally, and is told so.
std::wstring HostNotRunningWarning(bool elevated);

}  // namespace marsitel
