// What the program's tests rely on of the simulated host: each object
// converts to its own interface, Delete and the ground call change every
// collection, a live enumerator passes over what is deleted under it, and
// the references a client holds are counted. Called in-process the way a
// client calls them.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <vector>

#include "shared/com.h"
#include "shared/variant.h"
#include "simhost/host.h"
#include "simhost/interface_ids.h"

using namespace simhost;
using Microsoft::WRL::ComPtr;

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

struct CallResult {
    HRESULT hr = S_OK;
    marsitel::Variant value;
    WORD code = 0;  // the host's own error number
};

// Arguments in the order written; Invoke takes them last first.
CallResult Call(IDispatch* target, DISPID id, WORD flags, std::vector<VARIANT> args = {}) {
    std::reverse(args.begin(), args.end());
    DISPPARAMS params{args.data(), nullptr, static_cast<UINT>(args.size()), 0};
    EXCEPINFO excep{};
    CallResult r;
    r.hr = target->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, flags, &params, r.value.put(), &excep, nullptr);
    r.code = excep.wCode;
    for (BSTR text : {excep.bstrSource, excep.bstrDescription, excep.bstrHelpFile}) SysFreeString(text);
    return r;
}

HRESULT Outcome(IDispatch* target, DISPID id, std::vector<VARIANT> args = {}) {
    return Call(target, id, DISPATCH_METHOD, std::move(args)).hr;
}

// Property get; null on error, which the caller's ASSERT catches.
ComPtr<IDispatch> GetObject(IDispatch* target, DISPID id, std::vector<VARIANT> args = {}) {
    const CallResult r = Call(target, id, DISPATCH_PROPERTYGET | DISPATCH_METHOD, std::move(args));
    return SUCCEEDED(r.hr) && r.value.get().vt == VT_DISPATCH ? r.value.get().pdispVal : nullptr;
}

long GetNumber(IDispatch* target, DISPID id) {
    const CallResult r = Call(target, id, DISPATCH_PROPERTYGET);
    return SUCCEEDED(r.hr) && r.value.get().vt == VT_I4 ? r.value.get().lVal : -999999;
}

HRESULT Convert(IUnknown* object, const GUID& iid) {
    ComPtr<IUnknown> converted;
    return object->QueryInterface(iid, reinterpret_cast<void**>(converted.GetAddressOf()));
}

ComPtr<IEnumVARIANT> NewEnum(IDispatch* relations) {
    const CallResult r = Call(relations, DISPID_NEWENUM, DISPATCH_PROPERTYGET | DISPATCH_METHOD);
    ComPtr<IEnumVARIANT> e;
    if (SUCCEEDED(r.hr) && r.value.get().vt == VT_UNKNOWN) r.value.get().punkVal->QueryInterface(IID_PPV_ARGS(&e));
    return e;
}

// The next relation the enumerator yields, or null at its end.
ComPtr<IDispatch> Next(IEnumVARIANT& e) {
    marsitel::Variant item;
    return e.Next(1, item.put(), nullptr) == S_OK && item.get().vt == VT_DISPATCH ? item.get().pdispVal : nullptr;
}

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
    ComPtr<IDispatch> Occurrence(short index) {
        VARIANT argument{};
        argument.vt = VT_I2;
        argument.iVal = index;
        return GetObject(occurrences.Get(), dispid::kItem, {argument});
    }
    ComPtr<IDispatch> RelationsOf(short index) {
        return GetObject(Occurrence(index).Get(), dispid::kOccurrenceRelations);
    }

    marsitel::ComApartment apartment;
    std::unique_ptr<Host> host;
    ComPtr<IDispatch> app, assembly, occurrences;
};

}  // namespace

TEST_F(HostObjects, EachObjectConvertsToItsOwnInterfaceOnlyAndIsCountedWhileHeld) {
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

    EXPECT_EQ(host->ClientReferences(), 7);
    occ = rels = aux = part = app = assembly = occurrences = nullptr;
    EXPECT_EQ(host->ClientReferences(), 0);
}

// The default snapshot enumerator yields every relation although each one
// is deleted on the way.
TEST_F(HostObjects, DeletingRemovesFromEveryCollectionAndOnlyOnce) {
    ComPtr<IDispatch> lager_rels = RelationsOf(2);
    ComPtr<IDispatch> all = GetObject(assembly.Get(), dispid::kAssemblyRelations);
    EXPECT_EQ(GetNumber(lager_rels.Get(), dispid::kCount), 2);
    ComPtr<IEnumVARIANT> snapshot = NewEnum(RelationsOf(1).Get());
    ASSERT_TRUE(snapshot);
    std::vector<ComPtr<IDispatch>> deleted;
    for (ComPtr<IDispatch> relation; (relation = Next(*snapshot.Get()));) {
        EXPECT_EQ(Outcome(relation.Get(), dispid::kDelete), S_OK);
        deleted.push_back(relation);
    }
    EXPECT_EQ(deleted.size(), 3u);
    EXPECT_EQ(GetNumber(RelationsOf(1).Get(), dispid::kCount), 0);
    EXPECT_EQ(GetNumber(lager_rels.Get(), dispid::kCount), 1);
    EXPECT_EQ(GetNumber(all.Get(), dispid::kCount), 1);
    EXPECT_EQ(host->RelationCount(L"Lager.asm"), 1);
    EXPECT_EQ(host->LiveEnumeratorSkips(), 0u);

    const CallResult again = Call(deleted[0].Get(), dispid::kDelete, DISPATCH_METHOD);
    EXPECT_EQ(again.hr, DISP_E_EXCEPTION);
    EXPECT_EQ(again.code, host_error::kRelationDeleted);
    EXPECT_EQ(host->RelationCount(L"Getriebe.asm"), 1);
}

TEST_F(HostObjects, ALiveWalkPassesOverTheRelationThatMovesUnderItsCursorAndCountsIt) {
    host->SetEnumeratorMode(EnumeratorMode::Live);
    ComPtr<IEnumVARIANT> live = NewEnum(RelationsOf(1).Get());
    ASSERT_TRUE(live);
    while (ComPtr<IDispatch> relation = Next(*live.Get())) EXPECT_EQ(Outcome(relation.Get(), dispid::kDelete), S_OK);
    EXPECT_EQ(host->OccurrenceRelationCount(L"Getriebe.asm", 1), 1);
    EXPECT_EQ(host->LiveEnumeratorSkips(), 1u);
}

TEST_F(HostObjects, GroundAppendsThroughTheAssemblyRelations) {
    ComPtr<IDispatch> all = GetObject(assembly.Get(), dispid::kAssemblyRelations);
    ComPtr<IDispatch> welle = Occurrence(1);
    VARIANT argument{};  // borrowed: welle holds the reference
    argument.vt = VT_DISPATCH;
    argument.pdispVal = welle.Get();
    for (int i = 0; i < 2; ++i) EXPECT_EQ(Outcome(all.Get(), dispid::kAddGround, {argument}), S_OK);
    EXPECT_EQ(host->GroundCount(L"Getriebe.asm"), 3);
    EXPECT_EQ(host->OccurrenceRelationCount(L"Getriebe.asm", 1), 5);
    EXPECT_EQ(host->GroundCount(L"Lager.asm"), 0);
}
