// simhost.exe in its own process, reached the way a client reaches the real
// host: GetActiveObject on the ProgID, then IDispatch and QueryInterface
// across the process boundary.
#include <gtest/gtest.h>

#include <algorithm>

#include "com_helpers.h"
#include "simhost/host.h"
#include "simhost/interface_ids.h"
#include "simhost/model.h"
#include "simhost/options.h"
#include "simhost/testing/simhost_process.h"

using namespace simhost;
using namespace simhost_test;
using simhost::testing::SimhostProcess;

namespace {

constexpr wchar_t kScenario[] = LR"(simhost-scenario 1
document Vorrichtung.asm assembly "Spannvorrichtung"
document Platte.par part Grundplatte
document Spanner.asm assembly "Spanner"
document Bolzen.par part Bolzen
occurrence Spanner.asm Bolzen:1 Bolzen.par
relation Spanner.asm ground Bolzen:1
occurrence Vorrichtung.asm Platte:1 Platte.par
occurrence Vorrichtung.asm Spanner:1 Spanner.asm
relation Vorrichtung.asm axial Spanner:1 Platte:1
relation Vorrichtung.asm mate Spanner:1 Platte:1
active Vorrichtung.asm
)";

ComPtr<IDispatch> Attach() {
    CLSID clsid{};
    if (FAILED(CLSIDFromProgID(kProgId, &clsid))) return nullptr;
    ComPtr<IUnknown> running;
    if (FAILED(GetActiveObject(clsid, nullptr, &running))) return nullptr;
    ComPtr<IDispatch> app;
    running.As(&app);
    return app;
}

template <class I = IUnknown>
HRESULT Convert(IDispatch* object, const GUID& iid) {
    ComPtr<IUnknown> converted;
    return object->QueryInterface(iid, reinterpret_cast<void**>(converted.GetAddressOf()));
}

::testing::AssertionResult JournalHas(const std::vector<std::wstring>& lines, const std::wstring& line) {
    if (std::find(lines.begin(), lines.end(), line) != lines.end()) return ::testing::AssertionSuccess();
    std::string all;
    for (const std::wstring& l : lines) all += ToUtf8(l) + "\n";
    return ::testing::AssertionFailure() << "missing " << ToUtf8(line) << " in\n" << all;
}

class CrossProcess : public ::testing::Test {
protected:
    ComApartment apartment;
};

}  // namespace

TEST_F(CrossProcess, ClientWalksDeletesAndGroundsThroughEveryTableMember) {
    SimhostProcess host({kScenario, {L"--hidden"}});
    {
        ComPtr<IDispatch> app = Attach();
        ASSERT_TRUE(app);
        EXPECT_EQ(Convert(app.Get(), kIidHostApplication), S_OK);
        ComPtr<IDispatch> docs = GetObject(app.Get(), IdOfName(app.Get(), L"Documents"));
        ASSERT_TRUE(docs);
        EXPECT_EQ(GetNumber(docs.Get(), IdOfName(docs.Get(), L"Count")), 4);
        ComPtr<IDispatch> assembly = GetObject(app.Get(), IdOfName(app.Get(), L"ActiveDocument"));
        ASSERT_TRUE(assembly);
        EXPECT_EQ(Convert(assembly.Get(), kIidHostAssembly), S_OK);
        ComPtr<IDispatch> aux = GetObject(assembly.Get(), 39);
        ASSERT_TRUE(aux);
        EXPECT_EQ(Convert(aux.Get(), kIidHostAuxiliary), S_OK);
        CallResult before, put;
        Call(aux.Get(), 6, DISPATCH_METHOD, {}, before, false);
        Call(app.Get(), 73, DISPATCH_PROPERTYPUT, {Bool(true)}, put, false);
        EXPECT_EQ(before.hr, S_OK);
        EXPECT_EQ(put.hr, S_OK);

        EXPECT_EQ(GetText(assembly.Get(), 18), L"Spannvorrichtung");
        ComPtr<IDispatch> occs = GetObject(assembly.Get(), 16390);
        ASSERT_TRUE(occs);
        EXPECT_EQ(Convert(occs.Get(), kIidHostOccurrences), S_OK);
        EXPECT_EQ(GetNumber(occs.Get(), 3), 2);
        ComPtr<IDispatch> spanner = GetObject(occs.Get(), 0, {I2(2)});
        ASSERT_TRUE(spanner);
        EXPECT_EQ(Convert(spanner.Get(), kIidHostOccurrence), S_OK);
        EXPECT_EQ(GetText(spanner.Get(), 5), L"Spanner:1");
        EXPECT_EQ(GetText(spanner.Get(), 39), L"Spanner.asm");
        ComPtr<IDispatch> sub = GetObject(spanner.Get(), 38);
        ASSERT_TRUE(sub);
        EXPECT_EQ(Convert(sub.Get(), kIidHostAssembly), S_OK);

        ComPtr<IDispatch> rels = GetObject(spanner.Get(), 17);
        ASSERT_TRUE(rels);
        EXPECT_EQ(Convert(rels.Get(), kIidHostRelations), S_OK);
        auto relations = Enumerate(rels.Get());
        ASSERT_EQ(relations.size(), 2u);
        for (const auto& relation : relations) {
            CallResult r;
            Call(relation.Get(), IdOfName(relation.Get(), L"Delete"), DISPATCH_METHOD, {}, r, false);
            EXPECT_EQ(r.hr, S_OK);
        }
        relations.clear();
        ComPtr<IDispatch> all = GetObject(assembly.Get(), 16386);
        ASSERT_TRUE(all);
        CallResult ground;
        Call(all.Get(), 4, DISPATCH_METHOD, {Object(spanner.Get())}, ground, false);
        EXPECT_EQ(ground.hr, S_OK);

        CallResult reset, after;
        Call(app.Get(), 73, DISPATCH_PROPERTYPUT, {Bool(false)}, reset, false);
        Call(app.Get(), 63, DISPATCH_METHOD, {}, after, false);
        EXPECT_EQ(after.hr, S_OK);
    }
    host.Quit();
    EXPECT_EQ(host.ExitCode(), 0u);

    Model saved = ParseScenario(host.SavedState());
    EXPECT_EQ(saved.RelationCount(L"Vorrichtung.asm"), 1);
    EXPECT_EQ(saved.GroundCount(L"Vorrichtung.asm"), 1);
    EXPECT_EQ(saved.Find(L"Vorrichtung.asm")->relations[0].occurrences, std::vector<int>{2});
    EXPECT_EQ(saved.RelationCount(L"Spanner.asm"), 1);

    auto journal = host.JournalLines();
    EXPECT_TRUE(JournalHas(journal, L"occ:Vorrichtung.asm:2\tqi\tHostOccurrence\t-\tS_OK"));
    EXPECT_TRUE(JournalHas(journal, L"occs:Vorrichtung.asm\tget\t0\tVT_I2 2\tVT_DISPATCH occ:Vorrichtung.asm:2"));
    EXPECT_TRUE(JournalHas(journal, L"app\tput\t73\tVT_BOOL -1\tS_OK"));
    EXPECT_TRUE(JournalHas(journal, L"rel:Vorrichtung.asm:1\tcall\tDelete\t-\tS_OK"));
    EXPECT_TRUE(JournalHas(journal,
                           L"rels:doc:Vorrichtung.asm\tcall\t4\tVT_DISPATCH occ:Vorrichtung.asm:2\tS_OK"));
    EXPECT_EQ(host.ClientReferencesAtExit(), 0) << host.ClientReferencesLine();

    CLSID clsid{};
    EXPECT_NE(CLSIDFromProgID(kProgId, &clsid), S_OK) << "the registration must be gone";
}

TEST_F(CrossProcess, PartRefusesTheAssemblyInterface) {
    SimhostProcess host({kScenario, {L"--hidden", L"--active", L"Platte.par"}});
    {
        ComPtr<IDispatch> app = Attach();
        ASSERT_TRUE(app);
        ComPtr<IDispatch> part = GetObject(app.Get(), 2);
        ASSERT_TRUE(part);
        EXPECT_EQ(Convert(part.Get(), kIidHostAssembly), E_NOINTERFACE);
        EXPECT_EQ(GetText(part.Get(), 18), L"Grundplatte");
    }
    host.Quit();
    EXPECT_TRUE(JournalHas(host.JournalLines(), L"doc:Platte.par\tqi\tHostAssembly\t-\tE_NOINTERFACE"));
    EXPECT_EQ(host.ClientReferencesAtExit(), 0);
}

TEST_F(CrossProcess, InjectedHostErrorArrivesWithNumberAndDescription) {
    SimhostProcess host({kScenario, {L"--hidden", L"--fail", L"occs.0:2:4711:Vorkommnis gesperrt: Ä",
                                     L"--fail-hresult", L"occ.17:1:0x80004005"}});
    {
        ComPtr<IDispatch> app = Attach();
        ASSERT_TRUE(app);
        ComPtr<IDispatch> occs = GetObject(GetObject(app.Get(), 2).Get(), 16390);
        ASSERT_TRUE(occs);
        ComPtr<IDispatch> first = GetObject(occs.Get(), 0, {I2(1)});
        ASSERT_TRUE(first);
        CallResult second;
        Call(occs.Get(), 0, DISPATCH_PROPERTYGET, {I2(1)}, second);
        EXPECT_EQ(second.hr, DISP_E_EXCEPTION);
        EXPECT_EQ(second.excep.wCode, 4711);
        EXPECT_EQ(second.Description(), L"Vorkommnis gesperrt: Ä");
        CallResult bare;
        Call(first.Get(), 17, DISPATCH_PROPERTYGET, {}, bare);
        EXPECT_EQ(bare.hr, E_FAIL);
        CallResult index;
        Call(occs.Get(), 0, DISPATCH_PROPERTYGET, {I2(3)}, index);
        EXPECT_EQ(index.hr, DISP_E_EXCEPTION);
        EXPECT_EQ(index.excep.wCode, host_error::kBadIndex);
    }
    host.Quit();
    EXPECT_EQ(host.ClientReferencesAtExit(), 0);
}

TEST_F(CrossProcess, EndsAbruptlyAfterKCallsAndLeavesNoRegistration) {
    SimhostProcess host({kScenario, {L"--hidden", L"--exit-after", L"2"}});
    ComPtr<IDispatch> app = Attach();
    ASSERT_TRUE(app);
    EXPECT_TRUE(GetObject(app.Get(), 2));
    EXPECT_EQ(GetText(GetObject(app.Get(), 2).Get(), 18), L"<error>");
    EXPECT_TRUE(host.WaitForExit(30'000));
    EXPECT_EQ(host.ExitCode(), static_cast<DWORD>(exit_code::kCallLimit));
    EXPECT_EQ(host.JournalLines().size(), 2u);
    CLSID clsid{};
    EXPECT_NE(CLSIDFromProgID(kProgId, &clsid), S_OK);
}

TEST_F(CrossProcess, BusyHostRejectsCallsUntilItsCountIsUsedUp) {
    SimhostProcess host({kScenario, {L"--hidden", L"--busy", L"3"}});
    {
        ComPtr<IDispatch> app = Attach();
        ASSERT_TRUE(app) << "attaching is COM's own business and never refused";
        std::vector<HRESULT> results;
        for (int i = 0; i < 4; ++i) {
            CallResult r;
            Call(app.Get(), 2, DISPATCH_PROPERTYGET, {}, r);
            results.push_back(r.hr);
        }
        EXPECT_EQ(results, (std::vector<HRESULT>{RPC_E_CALL_REJECTED, RPC_E_CALL_REJECTED, RPC_E_CALL_REJECTED, S_OK}));
    }
    host.Quit();
    auto journal = host.JournalLines();
    EXPECT_EQ(std::count_if(journal.begin(), journal.end(),
                            [](const std::wstring& l) { return l.rfind(L"app\tget\t2\t", 0) == 0; }),
              1);
    EXPECT_EQ(host.ClientReferencesAtExit(), 0);
}
