// The readiness check against a running host: every cause of a warning, at
// most one box, nothing held afterwards.
#include <gtest/gtest.h>

#include "core/removal.h"
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
    void ExpectWarning(const wchar_t* text) {
        ASSERT_EQ(watcher_.boxes().size(), 1u);
        EXPECT_EQ(watcher_.boxes()[0].text, text);
        EXPECT_EQ(watcher_.boxes()[0].caption, kAppTitle);
        EXPECT_TRUE(watcher_.boxes()[0].exclamation_icon);
        EXPECT_EQ(watcher_.boxes()[0].button_ids, std::vector<int>{IDOK});
    }
};

TEST_F(Readiness, WithoutHostWarnsThatItIsNotRunning) {
    EXPECT_FALSE(CheckHostReady());
    ExpectWarning(L"Solid Edge läuft ja gar nicht!");
}

TEST_F(Readiness, WithoutHostTheRunEndsAfterTheWarning) {
    testing::FixedOptions options(10, true);
    testing::RecordingProgress progress;
    RunRelationRemoval(options, progress);
    ExpectWarning(L"Solid Edge läuft ja gar nicht!");
    EXPECT_TRUE(progress.lines().empty());
}

TEST_F(Readiness, AssemblyActiveIsReadyWithoutBoxAndByNameOnly) {
    StartHost(kAssemblyAndPart);
    EXPECT_TRUE(CheckReady());
    EXPECT_TRUE(CheckReady());
    EXPECT_TRUE(watcher_.boxes().empty());
    EXPECT_EQ(log_.front(), L"app names ActiveDocument");
    EXPECT_EQ(log_.size(), 7u);
}

TEST_F(Readiness, PartActiveWarnsOnce) {
    StartHost(kAssemblyAndPart).SetActiveDocument(L"Bolt.par");
    EXPECT_FALSE(CheckReady());
    ExpectWarning(kNoAssembly);
    EXPECT_EQ(log_.back(), L"doc:Bolt.par qi HostAssembly");
}

TEST_F(Readiness, NoActiveDocumentWarnsOnce) {
    StartHost(kAssemblyAndPart).SetActiveDocument(std::nullopt);
    EXPECT_FALSE(CheckReady());
    ExpectWarning(kNoAssembly);
}

TEST_F(Readiness, NoDocumentOpenWarnsOnce) {
    StartHost(L"simhost-scenario 1\nactive none\n");
    EXPECT_FALSE(CheckReady());
    ExpectWarning(kNoAssembly);
}

TEST_F(Readiness, NegativeErrorFromTheActiveDocumentIsPassedOver) {
    StartHost(kAssemblyAndPart)
        .FailNthCall(L"app", L"2", 1, simhost::HostFailure{static_cast<std::int32_t>(E_FAIL), L"", true});
    EXPECT_TRUE(CheckReady());
    EXPECT_TRUE(watcher_.boxes().empty());
}

TEST_F(Readiness, HostErrorFromTheActiveDocumentWarns) {
    StartHost(kAssemblyAndPart).FailNthCall(L"app", L"2", 1, simhost::HostFailure{1001, L"Kein Dokument", false});
    EXPECT_FALSE(CheckReady());
    ExpectWarning(kNoAssembly);
}

TEST_F(Readiness, UnreadableDocumentCountWarns) {
    StartHost(kAssemblyAndPart).FailNthCall(L"docs", L"3", 1, simhost::HostFailure{1005, L"Zählung", false});
    EXPECT_FALSE(CheckReady());
    ExpectWarning(kNoAssembly);
}

TEST_F(Readiness, RunStopsAfterTheWarningWithTheHostUntouched) {
    StartHost(kAssemblyAndPart).SetActiveDocument(L"Bolt.par");
    EXPECT_FALSE(Run(1, true));
    ExpectWarning(kNoAssembly);
    EXPECT_TRUE(LinesStartingWith(L"progress").empty());
    EXPECT_TRUE(LinesStartingWith(L"app put").empty());
    EXPECT_EQ(host_->RelationCount(L"Top.asm"), 1);
}

}  // namespace
}  // namespace marsitel
