#pragma once
// Identities of the host's automation objects as clients see them: the ProgID,
// the six interface ids, and the dispatch ids of every member the host answers.
#include <windows.h>

namespace simhost {

inline constexpr wchar_t kProgId[] = L"SolidEdge.Application";

// The class id under which simhost registers the ProgID. It is simhost's own:
// a ProgID that maps to any other class id belongs to someone else.
inline constexpr GUID kSimhostClsid = {0x5d1e2b8a, 0x7c3f, 0x4e19, {0x9a, 0x6b, 0x3f, 0x0c, 0x8d, 0x2e, 0x4a, 0x71}};
// The type library simhost builds at run time to describe the six interfaces.
inline constexpr GUID kSimhostLibId = {0x5d1e2b8a, 0x7c3f, 0x4e19, {0x9a, 0x6b, 0x3f, 0x0c, 0x8d, 0x2e, 0x4a, 0x72}};

inline constexpr GUID kIidHostApplication = {0xded89db0, 0x45b6, 0x11ce, {0xb3, 0x07, 0x08, 0x00, 0x36, 0x3a, 0x1e, 0x02}};
inline constexpr GUID kIidHostAssembly = {0x00c6bf00, 0x483b, 0x11ce, {0x95, 0x1a, 0x08, 0x00, 0x36, 0x01, 0xbe, 0x52}};
inline constexpr GUID kIidHostAuxiliary = {0xf9293970, 0x4812, 0x11ce, {0x96, 0x47, 0x08, 0x00, 0x36, 0x7e, 0x05, 0x02}};
inline constexpr GUID kIidHostOccurrences = {0x7ad88cc9, 0xe2f4, 0x11d2, {0xbe, 0xd3, 0x08, 0x00, 0x36, 0xb4, 0xd5, 0x02}};
inline constexpr GUID kIidHostOccurrence = {0x600251c5, 0xe2f4, 0x11d2, {0xbe, 0xd3, 0x08, 0x00, 0x36, 0xb4, 0xd5, 0x02}};
inline constexpr GUID kIidHostRelations = {0xe0046380, 0x54c4, 0x11ce, {0x95, 0x1a, 0x08, 0x00, 0x36, 0x01, 0xbe, 0x52}};

struct HostInterface {
    const GUID* iid;
    const wchar_t* name;  // as the journal and the type library name it
};
inline constexpr HostInterface kHostInterfaces[] = {
    {&kIidHostApplication, L"HostApplication"}, {&kIidHostAssembly, L"HostAssembly"},
    {&kIidHostAuxiliary, L"HostAuxiliary"},     {&kIidHostOccurrences, L"HostOccurrences"},
    {&kIidHostOccurrence, L"HostOccurrence"},   {&kIidHostRelations, L"HostRelations"},
};

namespace dispid {
// application
inline constexpr DISPID kActiveDocument = 2;     // "ActiveDocument"
inline constexpr DISPID kDocuments = 35;         // "Documents"
inline constexpr DISPID kWalkFlag = 73;          // Boolean property, get and put
inline constexpr DISPID kAfterWalk = 63;         // method, no arguments
// documents collection, occurrences and relations collections
inline constexpr DISPID kCount = 3;              // "Count"
// assembly document
inline constexpr DISPID kAuxiliary = 39;
inline constexpr DISPID kOccurrences = 16390;
inline constexpr DISPID kDocumentName = 18;      // display name, parts too
inline constexpr DISPID kAssemblyRelations = 16386;
// auxiliary
inline constexpr DISPID kBeforeWalk = 6;         // method, no arguments
// occurrences
inline constexpr DISPID kItem = 0;               // default member, 16-bit index
// occurrence
inline constexpr DISPID kOccurrenceName = 5;
inline constexpr DISPID kOccurrenceRelations = 17;
inline constexpr DISPID kOccurrenceDocText = 39;
inline constexpr DISPID kOccurrenceDocument = 38;
// relations
inline constexpr DISPID kAddGround = 4;
// relation
inline constexpr DISPID kDelete = 16;            // "Delete"
}  // namespace dispid

}  // namespace simhost
