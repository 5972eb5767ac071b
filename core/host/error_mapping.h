#pragma once
// How failures of COM and of the host become marsitel::Error; the rules
// themselves are listed in error_mapping.cpp.
#include <windows.h>
#include <oaidl.h>

#include "core/error.h"

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

Error TypeMismatchError();
Error OverflowError();
Error ObjectNotSetError();
// DISP_E_EXCEPTION from IDispatch::Invoke; fills deferred information first.
Error ErrorFromException(EXCEPINFO& info);
// The host rejected calls as busy until the bound of the wait.
HostBusyError HostStayedBusyError(HRESULT status);
// The user ended the wait while the host rejected calls as busy.
BusyWaitStoppedError BusyWaitStopped(HRESULT status);
// The user ended the wait while the host had a call and did not answer it.
BusyWaitStoppedError UnansweredWaitStopped(HRESULT status);

}  // namespace marsitel::host
