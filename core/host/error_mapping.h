#pragma once
// How failures of COM and of the host become marsitel::Error; the rules
// themselves are listed in error_mapping.cpp.
#include <windows.h>
#include <oaidl.h>

#include <chrono>

#include "core/error.h"

namespace marsitel::host {

// The host refused calls as busy until the wait for it ended: a failure of
// its own kind, which the readiness check does not take for a missing host
// or document.
class HostBusyError : public Error {
public:
    using Error::Error;
};

Error TypeMismatchError();
Error OverflowError();
Error ObjectNotSetError();
// DISP_E_EXCEPTION from IDispatch::Invoke; fills deferred information first.
Error ErrorFromException(EXCEPINFO& info);
// The host rejected calls as busy for the whole of `waited`.
HostBusyError HostStayedBusyError(HRESULT status, std::chrono::milliseconds waited);

}  // namespace marsitel::host
