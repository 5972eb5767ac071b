#include "core/host/host_objects.h"

namespace marsitel::host {
namespace {

// Dispatch ids of the members used.
namespace member {
constexpr DISPID kApplicationActiveDocument = 2;
constexpr DISPID kApplicationWalkFlag = 73;
constexpr DISPID kApplicationFinish = 63;
constexpr DISPID kAssemblyAuxiliary = 39;
constexpr DISPID kAssemblyOccurrences = 16390;
constexpr DISPID kAssemblyDisplayName = 18;
constexpr DISPID kAssemblyRelations = 16386;
constexpr DISPID kAuxiliaryPrepare = 6;
constexpr DISPID kOccurrencesCount = 3;
constexpr DISPID kOccurrencesItem = DISPID_VALUE;
constexpr DISPID kOccurrenceDisplayName = 5;
constexpr DISPID kOccurrenceRelations = 17;
constexpr DISPID kOccurrenceDocumentText = 39;
constexpr DISPID kOccurrenceDocument = 38;
constexpr DISPID kRelationsAddGround = 4;
}  // namespace member

constexpr wchar_t kDeleteName[] = L"Delete";

}  // namespace

void HostAuxiliary::Prepare() const {
    object_.Call(member::kAuxiliaryPrepare);
}

void HostRelation::Delete() const {
    object_.Call(kDeleteName);
}

std::vector<HostRelation> HostRelations::ReadAll() const {
    std::vector<HostRelation> relations;
    for (auto& element : object_.ReadEnumeration()) relations.emplace_back(std::move(element));
    return relations;
}

void HostRelations::AddGround(const HostOccurrence& occurrence) const {
    const Argument argument = Argument::Object(occurrence.object());
    object_.Call(member::kRelationsAddGround, {&argument});
}

HostOccurrences HostAssembly::Occurrences() const {
    return HostOccurrences(object_.Get(member::kAssemblyOccurrences).Object().As(kIidHostOccurrences));
}

std::wstring HostAssembly::DisplayName() const {
    return object_.Get(member::kAssemblyDisplayName).Text();
}

HostRelations HostAssembly::Relations() const {
    return HostRelations(object_.Get(member::kAssemblyRelations).Object().As(kIidHostRelations));
}

HostAuxiliary HostAssembly::Auxiliary() const {
    return HostAuxiliary(object_.Get(member::kAssemblyAuxiliary).Object().As(kIidHostAuxiliary));
}

std::wstring HostOccurrence::DisplayName() const {
    return object_.Get(member::kOccurrenceDisplayName).Text();
}

HostRelations HostOccurrence::Relations() const {
    return HostRelations(object_.Get(member::kOccurrenceRelations).Object().As(kIidHostRelations));
}

std::wstring HostOccurrence::DocumentText() const {
    return object_.Get(member::kOccurrenceDocumentText).Text();
}

HostAssembly HostOccurrence::Document() const {
    return HostAssembly(object_.Get(member::kOccurrenceDocument).Object().As(kIidHostAssembly));
}

std::int32_t HostOccurrences::Count() const {
    return object_.Get(member::kOccurrencesCount).Int32();
}

HostOccurrence HostOccurrences::Item(std::int16_t index) const {
    const Argument argument = Argument::Int16(index);
    return HostOccurrence(object_.Get(member::kOccurrencesItem, {&argument}).Object().As(kIidHostOccurrence));
}

HostApplication HostApplication::Attach() {
    return HostApplication(AttachToRunningObject(kHostProgId).As(kIidHostApplication));
}

HostAssembly HostApplication::ActiveAssembly() const {
    return HostAssembly(object_.Get(member::kApplicationActiveDocument).Object().As(kIidHostAssembly));
}

void HostApplication::SetWalkFlag(bool value, CallBound bound) const {
    object_.Put(member::kApplicationWalkFlag, Argument::Boolean(value), bound);
}

void HostApplication::Finish() const {
    object_.Call(member::kApplicationFinish);
}

}  // namespace marsitel::host
