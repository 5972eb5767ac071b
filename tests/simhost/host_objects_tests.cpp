// The host's COM objects, called in-process the way a client calls them.
#include <gtest/gtest.h>

#include "com_helpers.h"
#include "simhost/host.h"
#include "simhost/interface_ids.h"

using namespace simhost;
using namespace simhost_test;

namespace {

constexpr wchar_t kScenario[] = LR"(simhost-scenario 1
document Getriebe.asm assembly "Kleines Getriebe"
document Welle.par part Welle
document Lager.asm assembly Lager
document Ring.par part Ring
occurrence Lager.asm Ring:1 Ring.par
occurrence Lager.asm Ring:2 Ring.par
relation Lager.asm mate Ring:1 Ring:2
occurrence Getriebe.asm Welle:1 Welle.par
occurrence Getriebe.asm Lager:1 Lager.asm
occurrence Getriebe.asm Lager:2 Lager.asm
relation Getriebe.asm ground Welle:1
relation Getriebe.asm axial Lager:1 Welle:1
relation Getriebe.asm mate Lager:2 Welle:1
relation Getriebe.asm planar Lager:1 Lager:2
active Getriebe.asm
)";

class HostObjects : public ::testing::Test {
protected:
    void SetUp() override {
        host = Host::FromScenario(kScenario);
        app = host->NewApplicationReference();
        ASSERT_TRUE(app);
        assembly = GetObject(app.Get(), dispid::kActiveDocument);
        ASSERT_TRUE(assembly);
        occurrences = GetObject(assembly.Get(), dispid::kOccurrences);
        ASSERT_TRUE(occurrences);
    }
    ComPtr<IDispatch> Occurrence(short index) { return GetObject(occurrences.Get(), dispid::kItem, {I2(index)}); }
    ComPtr<IDispatch> RelationsOf(short index) {
        return GetObject(Occurrence(index).Get(), dispid::kOccurrenceRelations);
    }

    ComApartment apartment;
    std::unique_ptr<Host> host;
    ComPtr<IDispatch> app, assembly, occurrences;
};

}  // namespace

TEST_F(HostObjects, EachObjectConvertsToItsOwnInterfaceOnly) {
    ComPtr<IDispatch> occ = Occurrence(1);
    ComPtr<IDispatch> rels = GetObject(occ.Get(), dispid::kOccurrenceRelations);
    ComPtr<IDispatch> aux = GetObject(assembly.Get(), dispid::kAuxiliary);
    struct Row {
        IDispatch* object;
        const GUID* iid;
    } rows[] = {{app.Get(), &kIidHostApplication}, {assembly.Get(), &kIidHostAssembly},
                {aux.Get(), &kIidHostAuxiliary},   {occurrences.Get(), &kIidHostOccurrences},
                {occ.Get(), &kIidHostOccurrence},  {rels.Get(), &kIidHostRelations}};
    for (const Row& object : rows) {
        for (const Row& iid : rows) EXPECT_EQ(Convert(object.object, *iid.iid) == S_OK, object.iid == iid.iid);
    }
    ComPtr<IDispatch> part = GetObject(occ.Get(), dispid::kOccurrenceDocument);
    EXPECT_EQ(Convert(part.Get(), kIidHostAssembly), E_NOINTERFACE);
    EXPECT_EQ(GetText(part.Get(), dispid::kDocumentName), L"Welle");
    CallResult r;
    Call(part.Get(), dispid::kOccurrences, DISPATCH_PROPERTYGET, {}, r);
    EXPECT_EQ(r.hr, DISP_E_MEMBERNOTFOUND);
}

// The default snapshot enumerator yields every relation although each one
// is deleted on the way.
TEST_F(HostObjects, DeletingRemovesFromEveryCollectionAndOnlyOnce) {
    ComPtr<IDispatch> welle_rels = RelationsOf(1);
    ComPtr<IDispatch> lager_rels = RelationsOf(2);
    ComPtr<IDispatch> all = GetObject(assembly.Get(), dispid::kAssemblyRelations);
    EXPECT_EQ(GetNumber(lager_rels.Get(), dispid::kCount), 2);
    auto relations = Enumerate(welle_rels.Get());
    ASSERT_EQ(relations.size(), 3u);
    for (const auto& relation : relations) EXPECT_EQ(Outcome(relation.Get(), IdOfName(relation.Get(), L"Delete")), S_OK);
    EXPECT_EQ(GetNumber(welle_rels.Get(), dispid::kCount), 0);
    EXPECT_EQ(GetNumber(lager_rels.Get(), dispid::kCount), 1);
    EXPECT_EQ(GetNumber(all.Get(), dispid::kCount), 1);
    EXPECT_EQ(host->OccurrenceRelationCount(L"Getriebe.asm", 3), 1);
    EXPECT_EQ(host->RelationCount(L"Lager.asm"), 1);
    EXPECT_EQ(host->LiveEnumeratorSkips(), 0u);

    CallResult again;
    Call(relations[0].Get(), dispid::kDelete, DISPATCH_METHOD, {}, again);
    EXPECT_EQ(again.hr, DISP_E_EXCEPTION);
    EXPECT_EQ(again.excep.wCode, host_error::kRelationDeleted);
    EXPECT_EQ(host->RelationCount(L"Getriebe.asm"), 1);
}

TEST_F(HostObjects, GroundAppendsThroughTheAssemblyRelations) {
    ComPtr<IDispatch> all = GetObject(assembly.Get(), dispid::kAssemblyRelations);
    ComPtr<IDispatch> welle = Occurrence(1);
    for (int i = 0; i < 2; ++i) EXPECT_EQ(Outcome(all.Get(), dispid::kAddGround, {Object(welle.Get())}), S_OK);
    EXPECT_EQ(host->GroundCount(L"Getriebe.asm"), 3);
    EXPECT_EQ(host->OccurrenceRelationCount(L"Getriebe.asm", 1), 5);
    EXPECT_EQ(host->CurrentModel().Find(L"Getriebe.asm")->relations.back().occurrences, std::vector<int>{1});

    // An occurrence of another assembly, or no occurrence at all, is refused.
    ComPtr<IDispatch> sub = GetObject(Occurrence(2).Get(), dispid::kOccurrenceDocument);
    ComPtr<IDispatch> ring = GetObject(GetObject(sub.Get(), dispid::kOccurrences).Get(), dispid::kItem, {I2(1)});
    for (IDispatch* wrong : {ring.Get(), app.Get()}) {
        CallResult r;
        Call(all.Get(), dispid::kAddGround, DISPATCH_METHOD, {Object(wrong)}, r);
        EXPECT_EQ(r.excep.wCode, host_error::kNotAnOccurrence);
    }
    EXPECT_EQ(host->GroundCount(L"Getriebe.asm"), 3);
    EXPECT_EQ(host->GroundCount(L"Lager.asm"), 0);
}

