#pragma once
// What the host's calls carry besides their values: the failures the host
// answers with, the faults scheduled for its calls, and a call's line in
// the journal.
#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <variant>
#include <vector>

namespace simhost {

struct HostFailure {
    // Reported through EXCEPINFO: a number from 1 to 65535 travels in wCode,
    // any other number in scode. With bare_hresult the number is the HRESULT
    // that Invoke returns, without EXCEPINFO.
    std::int32_t number = 0;
    std::wstring description;
    bool bare_hresult = false;
};

// The host's own errors (EXCEPINFO, wCode).
namespace host_error {
inline constexpr std::int32_t kNoActiveDocument = 1001;
inline constexpr std::int32_t kBadIndex = 1002;
inline constexpr std::int32_t kRelationDeleted = 1003;
inline constexpr std::int32_t kNotAnOccurrence = 1004;
}  // namespace host_error

// When a fault strikes. Calls are counted as the journal counts them, from 1.
// The nth invocation of `member` (a dispatch id in decimal or a name such as
// "Delete") on objects of `kind` ("app", "docs", "doc", "aux", "occs", "occ",
// "rels" or "rel"); the nth query for one of the host's interfaces on objects
// of `kind`; the call with this number (0: the moment the host is set up);
// the calls that arrive once `calls` calls have been served.
struct NthCallOf { std::wstring kind, member; int nth = 1; };
struct NthQueryOn { std::wstring kind; int nth = 1; };
struct CallNumber { std::size_t number = 1; };
struct AfterServed { std::size_t calls = 0; };

// What it does: answers with the failure (a name look-up, a query or an
// enumerator step with BareStatus(failure)); refuses that many calls as busy,
// which is decided before a call shows its member, so a refusal strikes by
// number or after calls served only; answers the call that late, the host's
// one thread serving nothing meanwhile; serves nothing that long once the
// call is answered.
struct Fail { HostFailure failure; };
struct RefuseBusy { int calls = 1; };
struct Hold { DWORD milliseconds = 0; };
struct ComputeAfterAnswer { DWORD milliseconds = 0; };

struct Fault {
    std::variant<NthCallOf, NthQueryOn, CallNumber, AfterServed> when;
    std::variant<Fail, RefuseBusy, Hold, ComputeAfterAnswer> does;
};

// The status of a failure where no exception information can travel.
inline HRESULT BareStatus(const HostFailure& failure) {
    return failure.bare_hresult ? static_cast<HRESULT>(failure.number) : E_FAIL;
}

struct JournalEntry {
    std::wstring object;   // "app", "docs", "doc:Getriebe.asm", "occ:Getriebe.asm:2", ...
    std::wstring kind;     // "get", "call", "put", "names", "qi", "enum"
    std::wstring member;   // dispatch id as decimal, a name, or an interface short name
    std::vector<std::wstring> args;  // "VT_I2 1", "VT_BOOL -1", "VT_DISPATCH occ:Getriebe.asm:2"
    std::wstring outcome;  // "VT_I4 5", "S_OK", "error 1002 <description>", "hresult 0x80020003"
    // object TAB kind TAB member TAB args (", "-joined, "-" when none) TAB outcome
    std::wstring ToString() const;
};

}  // namespace simhost
