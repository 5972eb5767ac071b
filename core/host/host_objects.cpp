#include "core/host/host_objects.h"

namespace marsitel::host {

void HostAuxiliary::Prepare() const {
    object_.Call(dispid::kPrepare);
}

void HostRelation::Delete() const {
    object_.Call(by_name::kDelete);
}

std::vector<HostRelation> HostRelations::ReadAll() const {
    std::vector<HostRelation> relations;
    for (auto& element : object_.ReadEnumeration()) relations.emplace_back(std::move(element));
    return relations;
}

void HostRelations::AddGround(const HostOccurrence& occurrence) const {
    const Argument argument = Argument::Object(occurrence.object());
    object_.Call(dispid::kAddGround, {&argument});
}

HostOccurrences HostAssembly::Occurrences() const {
    return HostOccurrences(object_.Get(dispid::kOccurrences).Object().As(kIidHostOccurrences));
}

std::wstring HostAssembly::DisplayName() const {
    return object_.Get(dispid::kDisplayName).Text();
}

HostRelations HostAssembly::Relations() const {
    return HostRelations(object_.Get(dispid::kAssemblyRelations).Object().As(kIidHostRelations));
}

HostAuxiliary HostAssembly::Auxiliary() const {
    return HostAuxiliary(object_.Get(dispid::kAuxiliary).Object().As(kIidHostAuxiliary));
}

std::wstring HostOccurrence::DisplayName() const {
    return object_.Get(dispid::kOccurrenceName).Text();
}

HostRelations HostOccurrence::Relations() const {
    return HostRelations(object_.Get(dispid::kOccurrenceRelations).Object().As(kIidHostRelations));
}

std::wstring HostOccurrence::DocumentText() const {
    return object_.Get(dispid::kDocumentText).Text();
}

HostAssembly HostOccurrence::Document() const {
    return HostAssembly(object_.Get(dispid::kOccurrenceDocument).Object().As(kIidHostAssembly));
}

std::int32_t HostOccurrences::Count() const {
    return object_.Get(dispid::kCount).Int32();
}

HostOccurrence HostOccurrences::Item(std::int16_t index) const {
    const Argument argument = Argument::Int16(index);
    return HostOccurrence(object_.Get(dispid::kItem, {&argument}).Object().As(kIidHostOccurrence));
}

HostApplication HostApplication::Attach() {
    return HostApplication(AttachToRunningObject(kHostProgId).As(kIidHostApplication));
}

HostAssembly HostApplication::ActiveAssembly() const {
    return HostAssembly(object_.Get(dispid::kActiveDocument).Object().As(kIidHostAssembly));
}

void HostApplication::SetWalkFlag(bool value, CallBound bound) const {
    object_.Put(dispid::kWalkFlag, Argument::Boolean(value), bound);
}

void HostApplication::Finish() const {
    object_.Call(dispid::kFinish);
}

}  // namespace marsitel::host
