#pragma once
// What is simhost's own in the identities of the host's objects: its class
// id and type library, the journal's names of the six interfaces, and the
// dispatch ids of the members that clients reach by name alone. The rest,
// which the program calls, is in shared/host_interface.h.
#include <windows.h>

#include "shared/host_interface.h"

namespace simhost {

namespace host = marsitel::host;

// The class id under which simhost registers the ProgID. It is simhost's own:
// a ProgID that maps to any other class id belongs to someone else.
inline constexpr GUID kSimhostClsid = {0x5d1e2b8a, 0x7c3f, 0x4e19, {0x9a, 0x6b, 0x3f, 0x0c, 0x8d, 0x2e, 0x4a, 0x71}};
// The type library simhost builds at run time to describe the six interfaces.
inline constexpr GUID kSimhostLibId = {0x5d1e2b8a, 0x7c3f, 0x4e19, {0x9a, 0x6b, 0x3f, 0x0c, 0x8d, 0x2e, 0x4a, 0x72}};

struct HostInterface {
    const GUID* iid;
    const wchar_t* name;  // as the journal and the type library name it
};
inline constexpr HostInterface kHostInterfaces[] = {
    {&host::kIidHostApplication, L"HostApplication"}, {&host::kIidHostAssembly, L"HostAssembly"},
    {&host::kIidHostAuxiliary, L"HostAuxiliary"},     {&host::kIidHostOccurrences, L"HostOccurrences"},
    {&host::kIidHostOccurrence, L"HostOccurrence"},   {&host::kIidHostRelations, L"HostRelations"},
};

// Where clients ask for these members by name (host::by_name), the ids are
// the host's to choose.
inline constexpr DISPID kDocumentsDispid = 35;
inline constexpr DISPID kDeleteDispid = 16;

}  // namespace simhost
