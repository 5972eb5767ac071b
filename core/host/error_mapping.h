#pragma once
// How failures of COM and of the host become marsitel::Error; the rules
// themselves are listed in error_mapping.cpp.
#include <windows.h>

#include <oaidl.h>

#include "core/base/error.h"

namespace marsitel::host {

// The host refused calls as busy until the wait for it ended: a failure of
// its own kind, which the readiness check does not take for a missing host
// or document.
class HostBusyError : public Error {
public:
    using Error::Error;
};

// The user ended the wait for a busy host with the notice's button: what
// the user chose, reported as a warning rather than as a run-time error.
class BusyWaitStoppedError : public HostBusyError {
public:
    using HostBusyError::HostBusyError;
};

// COM cannot build this program's proxy for one of the host's interfaces:
// it is not registered for this program's bitness, or not completely. The
// query then fails whatever the object offers, so the readiness check does
// not take it for a missing document either.
class InterfaceNotRegisteredError : public Error {
public:
    using Error::Error;
};

Error TypeMismatchError();
Error OverflowError();
Error ObjectNotSetError();
// DISP_E_EXCEPTION from IDispatch::Invoke; fills deferred information first.
Error ErrorFromException(EXCEPINFO& info);
// `status` is what stopped the proxy; `programBits` is 32 or 64;
// `registeredForOtherBits`, whether the registration of the other bitness
// has the interface (the other program of ours would then reach the host).
InterfaceNotRegisteredError InterfaceNotRegistered(HRESULT status, int programBits, bool registeredForOtherBits);
// The host rejected calls as busy until the bound of the wait.
HostBusyError HostStayedBusyError(HRESULT status);
// The user ended the wait while the host rejected calls as busy.
BusyWaitStoppedError BusyWaitStopped(HRESULT status);
// The user ended the wait while the host had a call and did not answer it.
BusyWaitStoppedError UnansweredWaitStopped(HRESULT status);

}  // namespace marsitel::host
