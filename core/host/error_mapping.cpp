// The one place where failures become error numbers.
//
//   0                    no error (never thrown)
//   13 type mismatch     an object that does not support the interface asked
//                        for (E_NOINTERFACE), or a result that cannot be
//                        converted to the type asked for (text, integer,
//                        single); a query that fails otherwise is a bare
//                        failure
//   6 overflow           a number too large for the integer asked for
//   91 object not set    a member used on an empty object reference
//   host exception       Invoke answered DISP_E_EXCEPTION: the EXCEPINFO's
//                        wCode when set; otherwise its scode, where a status
//                        of the control facility (0x800Axxxx) gives its low
//                        word, as automation clients traditionally report
//                        it, and any other status is the HRESULT itself,
//                        negative. The description is the host's own.
//   bare failure         any other failing HRESULT: the HRESULT as a
//                        negative number with the system's text for it.
//   not registered       a query for one of the host's interfaces failed,
//                        and COM cannot build this program's proxy for it:
//                        the status that stopped the proxy, with a text
//                        that names the cause and the remedy.
//   busy host            the bare failure of the rejection, with a text
//                        saying that the host stayed busy until the bound;
//                        when the user stopped the wait, a text that says
//                        so, which is shown as a warning; the same for a
//                        call that the host took and did not answer, which
//                        the user cancelled. A host that
//                        rejects a call outright (not as busy) is a bare
//                        failure.
#include "core/host/error_mapping.h"

#include <string>
#include <utility>

#include "core/base/app_title.h"

namespace marsitel::host {
namespace {

constexpr wchar_t kTypeMismatchText[] = L"Typen unverträglich";
constexpr wchar_t kOverflowText[] = L"Überlauf";
constexpr wchar_t kObjectNotSetText[] = L"Objektvariable nicht festgelegt";

// Takes the string and frees it, so that EXCEPINFO leaves nothing behind.
std::wstring TakeString(BSTR& text) {
    std::wstring result = text ? std::wstring(text, SysStringLen(text)) : std::wstring();
    SysFreeString(text);
    text = nullptr;
    return result;
}

bool IsControlFacility(HRESULT status) {
    return HRESULT_FACILITY(status) == FACILITY_CONTROL && FAILED(status);
}

std::int32_t NumberFromException(const EXCEPINFO& info) {
    if (info.wCode != 0) return info.wCode;
    if (IsControlFacility(info.scode)) return HRESULT_CODE(info.scode);
    return static_cast<std::int32_t>(info.scode);
}

// The warning of a wait that the user stopped, while the host was as `what`
// says.
BusyWaitStoppedError StoppedWhile(HRESULT status, const wchar_t* what) {
    return BusyWaitStoppedError(static_cast<std::int32_t>(status),
                                L"Abgebrochen, während " + std::wstring(kHostName) + what +
                                    L". Was bis dahin geändert wurde, bleibt geändert. " + kAppTitle +
                                    L" wird beendet.");
}

}  // namespace

InterfaceNotRegisteredError InterfaceNotRegistered(HRESULT status, int programBits, bool registeredForOtherBits) {
    std::wstring text = L"Die Schnittstellen von " + std::wstring(kHostName) + L" sind ";
    if (registeredForOtherBits) {
        const int otherBits = programBits == 32 ? 64 : 32;
        text += L"für " + std::to_wstring(programBits) + L"-Bit-Programme nicht registriert. Verwenden Sie die " +
                std::to_wstring(otherBits) + L"-Bit-Version von " + kAppTitle + L".";
    } else {
        text += L"nicht vollständig registriert. Reparieren Sie die Installation von " + std::wstring(kHostName) + L".";
    }
    return InterfaceNotRegisteredError(static_cast<std::int32_t>(status), std::move(text));
}

Error TypeMismatchError() {
    return Error(error_number::kTypeMismatch, kTypeMismatchText);
}

Error OverflowError() {
    return Error(error_number::kOverflow, kOverflowText);
}

Error ObjectNotSetError() {
    return Error(error_number::kObjectNotSet, kObjectNotSetText);
}

Error ErrorFromException(EXCEPINFO& info) {
    if (info.pfnDeferredFillIn) {
        info.pfnDeferredFillIn(&info);
        info.pfnDeferredFillIn = nullptr;
    }
    TakeString(info.bstrSource);
    TakeString(info.bstrHelpFile);
    std::wstring description = TakeString(info.bstrDescription);
    const std::int32_t number = NumberFromException(info);
    if (number == 0) return ErrorFromStatus(DISP_E_EXCEPTION);
    if (description.empty()) {
        description = FAILED(info.scode) ? SystemErrorText(info.scode) : std::wstring(kAutomationErrorText);
    }
    return Error(number, std::move(description));
}

// Both texts say that nothing is rolled back, and neither holds a number
// that a line could break from its unit.
HostBusyError HostStayedBusyError(HRESULT status) {
    return HostBusyError(static_cast<std::int32_t>(status),
                         std::wstring(kHostName) +
                             L" hat eine Minute lang nicht geantwortet, weil es beschäftigt war. Was bis dahin "
                             L"geändert wurde, bleibt geändert.");
}

BusyWaitStoppedError BusyWaitStopped(HRESULT status) {
    return StoppedWhile(status, L" beschäftigt war");
}

BusyWaitStoppedError UnansweredWaitStopped(HRESULT status) {
    return StoppedWhile(status, L" nicht antwortete");
}

}  // namespace marsitel::host
