// The simulated host's live enumerator, called in-process as a client calls it:
// items move under its cursor, which is why the program reads all of an
// occurrence's relations before it deletes the first. The run tests do the rest.
#include <gtest/gtest.h>
#include <windows.h>

#include "shared/com.h"
#include "shared/variant.h"
#include "simhost/host.h"
#include "simhost/interface_ids.h"

using namespace simhost;
using Microsoft::WRL::ComPtr;

namespace {

// Welle:1 with three relations of its own.
constexpr wchar_t kScenario[] = LR"(simhost-scenario 1
document Getriebe.asm assembly Getriebe
document Welle.par part Welle
document Lager.par part Lager
occurrence Getriebe.asm Welle:1 Welle.par
occurrence Getriebe.asm Lager:1 Lager.par
relation Getriebe.asm ground Welle:1
relation Getriebe.asm axial Lager:1 Welle:1
relation Getriebe.asm mate Lager:1 Welle:1
active Getriebe.asm
)";

// A property get or a method call with at most one argument.
marsitel::Variant Call(IDispatch* target, DISPID id, WORD flags, VARIANT* argument = nullptr) {
    DISPPARAMS params{argument, nullptr, argument ? 1u : 0u, 0};
    marsitel::Variant result;
    EXPECT_EQ(target->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, flags, &params, result.put(), nullptr, nullptr), S_OK);
    return result;
}

ComPtr<IDispatch> GetObject(IDispatch* target, DISPID id, VARIANT* argument = nullptr) {
    const marsitel::Variant value = Call(target, id, DISPATCH_PROPERTYGET | DISPATCH_METHOD, argument);
    return value.get().vt == VT_DISPATCH ? value.get().pdispVal : nullptr;
}

}  // namespace

TEST(HostObjects, ALiveWalkPassesOverTheRelationThatMovesUnderItsCursorAndCountsIt) {
    const marsitel::ComApartment apartment;
    const std::unique_ptr<Host> host = Host::FromScenario(kScenario);
    host->SetEnumeratorMode(EnumeratorMode::Live);
    const ComPtr<IDispatch> app = host->NewApplicationReference();
    ASSERT_TRUE(app);
    const ComPtr<IDispatch> occurrences =
        GetObject(GetObject(app.Get(), host::dispid::kActiveDocument).Get(), host::dispid::kOccurrences);
    ASSERT_TRUE(occurrences);
    VARIANT first{};
    first.vt = VT_I2;
    first.iVal = 1;
    const ComPtr<IDispatch> relations =
        GetObject(GetObject(occurrences.Get(), host::dispid::kItem, &first).Get(), host::dispid::kOccurrenceRelations);
    ASSERT_TRUE(relations);
    const marsitel::Variant enumerator = Call(relations.Get(), DISPID_NEWENUM, DISPATCH_PROPERTYGET | DISPATCH_METHOD);
    ComPtr<IEnumVARIANT> live;
    ASSERT_EQ(enumerator.get().vt, VT_UNKNOWN);
    ASSERT_EQ(enumerator.get().punkVal->QueryInterface(IID_PPV_ARGS(&live)), S_OK);
    int deleted = 0;
    for (marsitel::Variant item; live->Next(1, item.put(), nullptr) == S_OK; ++deleted) {
        ASSERT_EQ(item.get().vt, VT_DISPATCH);
        Call(item.get().pdispVal, kDeleteDispid, DISPATCH_METHOD);
    }
    EXPECT_EQ(deleted, 2);
    EXPECT_EQ(host->OccurrenceRelationCount(L"Getriebe.asm", 1), 1);
    EXPECT_EQ(host->LiveEnumeratorSkips(), 1u);
}
