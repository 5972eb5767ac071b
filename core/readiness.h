#pragma once
// The readiness check before a run and at the dialog's load.

namespace marsitel {

// True when the host runs with an assembly active; otherwise shows the
// reason in a warning box and returns false. Throws only when the host
// stays busy (host::HostBusyError): then neither warning would be true.
bool CheckHostReady();

}  // namespace marsitel
