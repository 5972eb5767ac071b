#pragma once
// The readiness check before a run and at the dialog's load.
#include <string>

namespace marsitel {

// True when the host runs with an assembly active; otherwise shows the
// reason in a warning box and returns false. Throws only when the host
// stays busy (host::HostBusyError), or when one of its interfaces is not
// registered for this program (host::InterfaceNotRegisteredError): then
// neither warning would be true.
bool CheckHostReady();

// The warning when no running host can be attached. Windows keeps the
// running objects of elevated and normal processes apart: an elevated
// program does not find a host started normally, and is told so.
std::wstring HostNotRunningWarning(bool elevated);

}  // namespace marsitel
