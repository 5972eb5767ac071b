#pragma once
// The host's objects, one thin typed wrapper each, named after the members
// this program uses. Each holds its own reference and releases it when it
// goes out of scope.
#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "core/host/dispatch.h"

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

class HostAuxiliary {
public:
    explicit HostAuxiliary(DispatchObject object) : object_(std::move(object)) {}
    // Member 6, once before the walk.
    void Prepare() const;

private:
    DispatchObject object_;
};

class HostOccurrence;
class HostOccurrences;

class HostRelation {
public:
    explicit HostRelation(DispatchObject object) : object_(std::move(object)) {}
    void Delete() const;

private:
    DispatchObject object_;
};

class HostRelations {
public:
    explicit HostRelations(DispatchObject object) : object_(std::move(object)) {}
    // Every relation the collection holds, read completely before anything
    // is deleted: a live enumerator would otherwise skip every other one.
    std::vector<HostRelation> ReadAll() const;
    void AddGround(const HostOccurrence& occurrence) const;

private:
    DispatchObject object_;
};

class HostAssembly {
public:
    explicit HostAssembly(DispatchObject object) : object_(std::move(object)) {}
    HostOccurrences Occurrences() const;
    std::wstring DisplayName() const;
    HostRelations Relations() const;
    HostAuxiliary Auxiliary() const;

private:
    DispatchObject object_;
};

class HostOccurrence {
public:
    explicit HostOccurrence(DispatchObject object) : object_(std::move(object)) {}
    std::wstring DisplayName() const;
    HostRelations Relations() const;
    // The placed document's file name; decides whether it is entered.
    std::wstring DocumentText() const;
    HostAssembly Document() const;

    const DispatchObject& object() const noexcept { return object_; }

private:
    DispatchObject object_;
};

class HostOccurrences {
public:
    explicit HostOccurrences(DispatchObject object) : object_(std::move(object)) {}
    std::int32_t Count() const;
    // 1-based.
    HostOccurrence Item(std::int16_t index) const;

private:
    DispatchObject object_;
};

class HostApplication {
public:
    // Attaches to the running host; never starts one.
    static HostApplication Attach();
    explicit HostApplication(DispatchObject object) : object_(std::move(object)) {}
    HostAssembly ActiveAssembly() const;
    // Property 73: True for the length of the walk. Set back after a failed
    // walk as the last call, within its short bound.
    void SetWalkFlag(bool value, CallBound bound = CallBound::Full) const;
    // Member 63, once after the walk.
    void Finish() const;

private:
    DispatchObject object_;
};

}  // namespace marsitel::host
