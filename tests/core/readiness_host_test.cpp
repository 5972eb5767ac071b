// The readiness check against a running host: every cause of a warning, at
// most one box, nothing held afterwards.
#include <gtest/gtest.h>

#include <functional>

#include "core/readiness.h"
#include "host_fixture.h"

namespace marsitel {
namespace {

using testing::HostTest;

constexpr wchar_t kNoAssembly[] = L"Kein Assembly-Dokument aktiv";

constexpr wchar_t kAssemblyAndPart[] = LR"(simhost-scenario 1
document Top.asm assembly Oben
document Bolt.par part Bolzen
occurrence Top.asm Bolzen:1 Bolt.par
relation Top.asm axial Bolzen:1
active Top.asm
)";

class Readiness : public HostTest {
protected:
    // The boxes seen so far are `count`, the last one the warning `text`.
    // During a run the topmost progress window is on screen: a warning that
    // is not topmost itself opens behind it, and the program seems to hang.
    void ExpectWarnings(std::size_t count, const wchar_t* text) {
        ASSERT_EQ(watcher_.boxes().size(), count);
        EXPECT_EQ(watcher_.boxes().back().text, text);
        EXPECT_EQ(watcher_.boxes().back().caption, L"Marsitel");
        EXPECT_EQ(watcher_.boxes().back().icon, LoadIconW(nullptr, IDI_EXCLAMATION));
        EXPECT_EQ(watcher_.boxes().back().button_ids, std::vector<int>{IDOK});
        EXPECT_TRUE(watcher_.boxes().back().topmost) << "behind the topmost progress window";
    }
};

TEST_F(Readiness, AssemblyActiveIsReadyByNameOnlyAndANegativeErrorIsPassedOver) {
    StartHost(kAssemblyAndPart);
    EXPECT_TRUE(CheckReady());
    EXPECT_TRUE(CheckReady());
    EXPECT_EQ(log_.front(), L"app names ActiveDocument");
    StartHost(kAssemblyAndPart).FailNthCall(L"app", L"2", 1, {static_cast<std::int32_t>(E_FAIL), L"", true});
    EXPECT_TRUE(CheckReady());
    EXPECT_TRUE(watcher_.boxes().empty());
}

TEST_F(Readiness, EveryOtherCauseWarnsOnceThatNoAssemblyIsActive) {
    const std::pair<const char*, std::function<void()>> causes[] = {
        {"part active", [&] { StartHost(kAssemblyAndPart).SetActiveDocument(L"Bolt.par"); }},
        {"no active document", [&] { StartHost(kAssemblyAndPart).SetActiveDocument(std::nullopt); }},
        {"no document open", [&] { StartHost(L"simhost-scenario 1\nactive none\n"); }},
        {"host error from the active document",
         [&] { StartHost(kAssemblyAndPart).FailNthCall(L"app", L"2", 1, {1001, L"Kein Dokument", false}); }},
        {"unreadable document count",
         [&] { StartHost(kAssemblyAndPart).FailNthCall(L"docs", L"3", 1, {1005, L"Zählung", false}); }},
    };
    std::size_t boxes = 0;
    for (const auto& [cause, start] : causes) {
        SCOPED_TRACE(cause);
        start();
        EXPECT_FALSE(CheckReady());
        ExpectWarnings(++boxes, kNoAssembly);
        EXPECT_EQ(host_->ClientReferences(), 0);
    }
}

TEST_F(Readiness, RunStopsAfterTheWarningWithTheHostUntouched) {
    StartHost(kAssemblyAndPart).SetActiveDocument(L"Bolt.par");
    EXPECT_FALSE(Run(1, true));
    ExpectWarnings(1, kNoAssembly);
    EXPECT_EQ(log_.back(), L"doc:Bolt.par qi HostAssembly");
    EXPECT_TRUE(LinesStartingWith(L"progress").empty());
    EXPECT_TRUE(LinesStartingWith(L"app put").empty());
    EXPECT_EQ(host_->RelationCount(L"Top.asm"), 1);
}

// Windows keeps the running objects of elevated and normal processes apart:
// only an elevated program is told that a host started normally is out of
// its reach.
TEST(HostNotRunningWarning, NamesTheAdministratorRightsOnlyWhenTheProgramHasThem) {
    EXPECT_EQ(HostNotRunningWarning(false), L"Solid Edge läuft ja gar nicht!");
    EXPECT_EQ(HostNotRunningWarning(true), L"Solid Edge läuft ja gar nicht! Marsitel läuft mit Administratorrechten "
                                           L"und erreicht kein Solid Edge, das ohne Administratorrechte gestartet "
                                           L"wurde.");
}

}  // namespace
}  // namespace marsitel
