#pragma once
// How failures of COM and of the host become marsitel::Error; the rules
// themselves are listed in error_mapping.cpp.
#include <windows.h>
#include <oaidl.h>

#include <chrono>

#include "core/host/error.h"

namespace marsitel::host {

Error TypeMismatchError();
Error OverflowError();
Error ObjectNotSetError();
// DISP_E_EXCEPTION from IDispatch::Invoke; fills deferred information first.
Error ErrorFromException(EXCEPINFO& info);
// The host rejected calls as busy for the whole of `waited`.
Error HostStayedBusyError(HRESULT status, std::chrono::milliseconds waited);

}  // namespace marsitel::host
