#pragma once
// The host's automation interface as this program calls it: the ProgID, the
// six interface ids, the dispatch ids of the members called by id and the
// names of those called by name. The program, the simulated host that
// answers it, the benchmark and the tests all name the calls from here, so
// that a member's number is written once.
#include <windows.h>

#include <oleauto.h>

namespace marsitel::host {

inline constexpr wchar_t kHostProgId[] = L"SolidEdge.Application";

inline constexpr IID kIidHostApplication = {
    0xDED89DB0, 0x45B6, 0x11CE, {0xB3, 0x07, 0x08, 0x00, 0x36, 0x3A, 0x1E, 0x02}};
inline constexpr IID kIidHostAssembly = {0x00C6BF00, 0x483B, 0x11CE, {0x95, 0x1A, 0x08, 0x00, 0x36, 0x01, 0xBE, 0x52}};
inline constexpr IID kIidHostAuxiliary = {0xF9293970, 0x4812, 0x11CE, {0x96, 0x47, 0x08, 0x00, 0x36, 0x7E, 0x05, 0x02}};
inline constexpr IID kIidHostOccurrences = {
    0x7AD88CC9, 0xE2F4, 0x11D2, {0xBE, 0xD3, 0x08, 0x00, 0x36, 0xB4, 0xD5, 0x02}};
inline constexpr IID kIidHostOccurrence = {
    0x600251C5, 0xE2F4, 0x11D2, {0xBE, 0xD3, 0x08, 0x00, 0x36, 0xB4, 0xD5, 0x02}};
inline constexpr IID kIidHostRelations = {0xE0046380, 0x54C4, 0x11CE, {0x95, 0x1A, 0x08, 0x00, 0x36, 0x01, 0xBE, 0x52}};

// Members called by their dispatch ids, by the object that has them.
namespace dispid {
// application
inline constexpr DISPID kActiveDocument = 2;
// Boolean property: True for the length of the walk.
inline constexpr DISPID kWalkFlag = 73;
// Method without arguments, once after the walk.
inline constexpr DISPID kFinish = 63;
// assembly document (a part document has kDisplayName alone)
inline constexpr DISPID kAuxiliary = 39;
inline constexpr DISPID kOccurrences = 16390;
inline constexpr DISPID kDisplayName = 18;
inline constexpr DISPID kAssemblyRelations = 16386;
// auxiliary: a method without arguments, once before the walk
inline constexpr DISPID kPrepare = 6;
// occurrences; relation collections count with the same id
inline constexpr DISPID kCount = 3;
inline constexpr DISPID kItem = DISPID_VALUE;  // by a 16-bit index from 1
// occurrence
inline constexpr DISPID kOccurrenceName = 5;
inline constexpr DISPID kOccurrenceRelations = 17;
inline constexpr DISPID kDocumentText = 39;  // the placed document's file name
inline constexpr DISPID kOccurrenceDocument = 38;
// relations: grounds the occurrence given as the argument
inline constexpr DISPID kAddGround = 4;
}  // namespace dispid

// Members called by name: their ids are asked for before each call.
namespace by_name {
inline constexpr wchar_t kActiveDocument[] = L"ActiveDocument";  // application
inline constexpr wchar_t kDocuments[] = L"Documents";            // application
inline constexpr wchar_t kCount[] = L"Count";                    // documents
inline constexpr wchar_t kDelete[] = L"Delete";                  // relation
}  // namespace by_name

}  // namespace marsitel::host
