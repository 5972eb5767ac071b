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

namespace {

// A registration that belongs to another program, removed again at the end.
class ForeignKey {
public:
    ForeignKey(HKEY root, std::wstring path, std::wstring value) : root_(root), path_(std::move(path)) {
        HKEY key = nullptr;
        RegCreateKeyExW(root_, path_.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr);
        RegSetValueExW(key, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                       static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
        RegCloseKey(key);
    }
    ~ForeignKey() {
        RegDeleteTreeW(root_, top().c_str());
        RegDeleteKeyW(root_, top().c_str());
    }
    std::wstring Read() const {
        wchar_t buffer[128] = {};
        DWORD bytes = sizeof(buffer);
        RegGetValueW(root_, path_.c_str(), nullptr, RRF_RT_REG_SZ, nullptr, buffer, &bytes);
        return buffer;
    }

private:
    // The key directly under Software\Classes\Interface or Software\Classes.
    std::wstring top() const {
        std::wstring prefix = L"Software\\Classes\\";
        std::size_t end = path_.find(L'\\', prefix.size());
        if (path_.compare(prefix.size(), 10, L"Interface\\") == 0) end = path_.find(L'\\', prefix.size() + 10);
        return path_.substr(0, end);
    }
    HKEY root_;
    std::wstring path_;
};

constexpr wchar_t kForeignClsid[] = L"{0A1B2C3D-1111-2222-3333-444455556666}";

bool OurClassIsRegistered() {
    HKEY key = nullptr;
    for (HKEY root : {HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE}) {
        if (RegOpenKeyExW(root, L"Software\\Classes\\CLSID\\{5D1E2B8A-7C3F-4E19-9A6B-3F0C8D2E4A71}", 0, KEY_READ,
                          &key) == ERROR_SUCCESS) {
            RegCloseKey(key);
            return true;
        }
    }
    return false;
}

}  // namespace

TEST_F(CrossProcess, RefusesToStartWhenTheProgIdBelongsToAnotherClass) {
    for (HKEY root : {HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE}) {
        ForeignKey foreign(root, L"Software\\Classes\\SolidEdge.Application\\CLSID", kForeignClsid);
        SimhostProcess host({kScenario, {L"--hidden"}, false});
        ASSERT_TRUE(host.WaitForExit(30'000));
        EXPECT_FALSE(host.Ready());
        EXPECT_EQ(host.ExitCode(), static_cast<DWORD>(exit_code::kRefused));
        EXPECT_NE(host.ErrorOutput().find(L"SolidEdge.Application"), std::wstring::npos) << ToUtf8(host.ErrorOutput());
        EXPECT_EQ(foreign.Read(), kForeignClsid);
        EXPECT_FALSE(OurClassIsRegistered());
    }
}

TEST_F(CrossProcess, RefusesToStartWhenAnInterfaceBelongsToAnotherTypeLibrary) {
    ForeignKey foreign(HKEY_LOCAL_MACHINE,
                       L"Software\\Classes\\Interface\\{600251C5-E2F4-11D2-BED3-080036B4D502}\\TypeLib",
                       kForeignClsid);
    SimhostProcess host({kScenario, {L"--hidden"}, false});
    ASSERT_TRUE(host.WaitForExit(30'000));
    EXPECT_EQ(host.ExitCode(), static_cast<DWORD>(exit_code::kRefused));
    EXPECT_EQ(foreign.Read(), kForeignClsid);
    EXPECT_FALSE(OurClassIsRegistered());
    CLSID clsid{};
    EXPECT_NE(CLSIDFromProgID(kProgId, &clsid), S_OK);
}

namespace {

struct WindowSearch {
    DWORD pid;
    HWND found;
};

BOOL CALLBACK MatchHostWindow(HWND window, LPARAM param) {
    auto* search = reinterpret_cast<WindowSearch*>(param);
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    wchar_t name[64] = {};
    GetClassNameW(window, name, 64);
    if (pid == search->pid && std::wstring(name) == L"SimhostWindow") search->found = window;
    return search->found == nullptr;
}

HWND HostWindowOf(DWORD process_id) {
    WindowSearch search{process_id, nullptr};
    EnumWindows(MatchHostWindow, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

}  // namespace

TEST_F(CrossProcess, ClosingTheWindowSavesAndEnds) {
    SimhostProcess host({kScenario, {}});
    HWND window = HostWindowOf(host.ProcessId());
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(IsWindowVisible(window));
    PostMessageW(window, WM_CLOSE, 0, 0);
    ASSERT_TRUE(host.WaitForExit(30'000));
    EXPECT_EQ(host.ExitCode(), 0u);
    EXPECT_EQ(ParseScenario(host.SavedState()), ParseScenario(kScenario));
    CLSID clsid{};
    EXPECT_NE(CLSIDFromProgID(kProgId, &clsid), S_OK);
}

TEST_F(CrossProcess, AnInvalidScenarioStopsWithItsLineAndChangesNothing) {
    SimhostProcess host({L"simhost-scenario 1\ndocument A.asm assembly A\noccurrence A.asm A:1 A.asm\n", {L"--hidden"},
                         false});
    ASSERT_TRUE(host.WaitForExit(30'000));
    EXPECT_EQ(host.ExitCode(), static_cast<DWORD>(exit_code::kUsage));
    EXPECT_NE(host.ErrorOutput().find(L"line 3:"), std::wstring::npos) << ToUtf8(host.ErrorOutput());
    CLSID clsid{};
    EXPECT_NE(CLSIDFromProgID(kProgId, &clsid), S_OK);
}

TEST_F(CrossProcess, ReferencesStillHeldAtExitAreReported) {
    SimhostProcess host({kScenario, {L"--hidden"}});
    ComPtr<IDispatch> app = Attach();
    ASSERT_TRUE(app);
    ComPtr<IDispatch> occurrence = GetObject(GetObject(GetObject(app.Get(), 2).Get(), 16390).Get(), 0, {I2(1)});
    ASSERT_TRUE(occurrence);
    app.Reset();
    host.Quit();
    EXPECT_GE(host.ClientReferencesAtExit(), 1);
    EXPECT_NE(host.ClientReferencesLine().find(L" occ:Vorrichtung.asm:1="), std::wstring::npos)
        << ToUtf8(host.ClientReferencesLine());
}
