#pragma once
// The host's objects, one thin typed wrapper each, named after the members
// this program uses. Each holds its own reference and releases it when it
// goes out of scope.
#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "core/host/dispatch.h"
#include "shared/host_interface.h"

namespace marsitel::host {

class HostAuxiliary {
public:
    explicit HostAuxiliary(DispatchObject object) : object_(std::move(object)) {}
    // Once before the walk.
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
    // The walk flag: True for the length of the walk. Set back after a
    // failed walk as the last call, within its short bound.
    void SetWalkFlag(bool value, CallBound bound = CallBound::Full) const;
    // Once after the walk.
    void Finish() const;

private:
    DispatchObject object_;
};

}  // namespace marsitel::host
