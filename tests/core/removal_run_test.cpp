// Runs against the simulated host in this process: what the host relies on, depth and its calls, sub-assembly
// detection, deletion, grounding, and errors that end a run; and the readiness check before a run: what it finds
// for every cause, nothing held afterwards.
#include <gtest/gtest.h>

#include <functional>

#include "core/elevation.h"
#include "core/readiness.h"
#include "host_fixture.h"

namespace marsitel {
namespace {

using namespace testing;
using simhost::Fail, simhost::NthCallOf;
namespace dispid = host::dispid;
namespace by_name = host::by_name;

const Row kFlagCleared{L"app", L"put", Member(dispid::kWalkFlag), {L"VT_BOOL 0"}};
const Row kClosingCall{L"app", L"call", Member(dispid::kFinish)};

constexpr wchar_t kTwoBolts[] = LR"(simhost-scenario 1
document Top.asm assembly Oben
document Bolt.par part Bolzen
occurrence Top.asm Bolzen:1 Bolt.par
occurrence Top.asm Bolzen:2 Bolt.par
relation Top.asm mate Bolzen:1 Bolzen:2
active Top.asm
)";

constexpr wchar_t kThreeLevels[] = LR"(simhost-scenario 1
document Top.asm assembly Oben
document Mid.asm assembly Mitte
document Low.asm assembly Unten
document Bolt.par part Bolzen
occurrence Top.asm Bolzen:1 Bolt.par
occurrence Top.asm Mitte:1 Mid.asm
relation Top.asm mate Mitte:1 Bolzen:1
occurrence Mid.asm Bolzen:1 Bolt.par
occurrence Mid.asm Unten:1 Low.asm
relation Mid.asm axial Unten:1 Bolzen:1
occurrence Low.asm Bolzen:1 Bolt.par
relation Low.asm axial Bolzen:1
active Top.asm
)";

// Top.asm with occurrences B:1.. of a part and relations that all involve
// B:1, every other one B:2 as well.
std::wstring BoltsScenario(int occurrences, int relations, const wchar_t* enumerator = L"snapshot") {
    std::wstring text = L"simhost-scenario 1\nenumerator " + std::wstring(enumerator) +
                        L"\ndocument Top.asm assembly Oben\ndocument Bolt.par part Bolzen\n";
    for (int i = 1; i <= occurrences; ++i) text += L"occurrence Top.asm B:" + std::to_wstring(i) + L" Bolt.par\n";
    for (int i = 0; i < relations; ++i) text += i % 2 ? L"relation Top.asm mate B:1 B:2\n" : L"relation Top.asm axial B:1\n";
    return text + L"active Top.asm\n";
}

// A call that changes the assembly: a deletion or a ground relation added.
bool IsChange(const Row& row) {
    return row.kind == L"call" && (row.member == by_name::kDelete || row.member == Member(dispid::kAddGround));
}

// What the host relies on in a run, one rule a test, each seen in the rows
// of one run over kTwoBolts at level 1 with grounding.
class HostTestOfARun : public HostTest {
protected:
    void SetUp() override {
        StartHost(kTwoBolts);
        ASSERT_FALSE(Run(1, true));
    }
};

TEST_F(HostTestOfARun, BeginsWithTheReadinessCheck) {
    const Rows readiness = {
        {L"app", L"names", by_name::kActiveDocument},
        {L"app", L"get", Member(dispid::kActiveDocument)},
        {L"doc:Top.asm", L"qi", L"HostAssembly"},
        {L"app", L"names", by_name::kDocuments},
        {L"app", L"get", by_name::kDocuments},
        {L"docs", L"names", by_name::kCount},
        {L"docs", L"get", by_name::kCount},
    };
    EXPECT_TRUE(SameRows(First(readiness.size()), readiness));
}

TEST_F(HostTestOfARun, SetsTheWalkFlagBeforeTheFirstChangeAndBackAfterTheLast) {
    const std::wstring ground = Member(dispid::kAddGround);
    EXPECT_TRUE(SameRows(Where([](const Row& row) { return row.kind == L"put" || IsChange(row); }),
                         {
                             {L"app", L"put", Member(dispid::kWalkFlag), {L"VT_BOOL -1"}},
                             {L"rel:Top.asm:1", L"call", by_name::kDelete},
                             {L"rels:doc:Top.asm", L"call", ground, {L"VT_DISPATCH occ:Top.asm:1"}},
                             {L"rels:doc:Top.asm", L"call", ground, {L"VT_DISPATCH occ:Top.asm:2"}},
                             kFlagCleared,
                         }));
}

// A live enumerator would skip every other relation deleted under it. B:1's
// 70 relations take two reads of at most 64, and either enumerator gives all.
TEST_F(HostTest, AnOccurrencesRelationsAreAllReadBeforeTheFirstIsDeleted) {
    for (const wchar_t* mode : {L"snapshot", L"live"}) {
        SCOPED_TRACE(mode);
        StartHost(BoltsScenario(2, 70, mode));
        ASSERT_FALSE(Run(1, false));
        Rows reads = Where([](const Row& row) {
            return row.object == L"enum:rels:occ:Top.asm:1" || (row.kind == L"call" && row.member == by_name::kDelete);
        });
        reads.resize(std::min<std::size_t>(reads.size(), 3));
        EXPECT_TRUE(SameRows(reads, {
                                        {L"enum:rels:occ:Top.asm:1", L"enum", L"Next", {L"celt 64"}},
                                        {L"enum:rels:occ:Top.asm:1", L"enum", L"Next", {L"celt 64"}},
                                        {L"rel:Top.asm:1", L"call", by_name::kDelete},
                                    }));
        EXPECT_EQ(host_->RelationCount(L"Top.asm"), 0);
        EXPECT_EQ(host_->LiveEnumeratorSkips(), 0u);
        EXPECT_EQ(host_->ClientReferences(), 0);
    }
}

TEST_F(HostTestOfARun, DeletesRelationsByName) {
    EXPECT_TRUE(SameRows(RowsOf(L"rel:Top.asm:1"), {
                                                       {L"rel:Top.asm:1", L"names", by_name::kDelete},
                                                       {L"rel:Top.asm:1", L"call", by_name::kDelete},
                                                   }));
}

TEST_F(HostTestOfARun, EndsWithTheClosingCall) {
    EXPECT_TRUE(SameRows(Last(2), {kFlagCleared, kClosingCall}));
}

// An occurrence's relations are fetched, then its line is shown, then they
// are deleted and it is grounded.
TEST_F(HostTestOfARun, FetchesShowsClearsAndGroundsEachOccurrenceInThatOrder) {
    const Rows first = {
        {L"occs:Top.asm", L"get", Member(dispid::kItem), {L"VT_I2 1"}},
        {L"occ:Top.asm:1", L"qi", L"HostOccurrence"},
        {L"occ:Top.asm:1", L"get", Member(dispid::kOccurrenceRelations)},
        {L"rels:occ:Top.asm:1", L"qi", L"HostRelations"},
        {L"progress", L"value", L"1"},
        {L"occ:Top.asm:1", L"get", Member(dispid::kOccurrenceName)},
        {L"progress", L"occurrence", L"Vorkommnis Bolzen:1"},
        {L"progress", L"repaint", L""},
        {L"rels:occ:Top.asm:1", L"get", Member(DISPID_NEWENUM)},
        {L"enum:rels:occ:Top.asm:1", L"enum", L"Next", {L"celt 64"}},
        {L"rel:Top.asm:1", L"names", by_name::kDelete},
        {L"rel:Top.asm:1", L"call", by_name::kDelete},
        {L"doc:Top.asm", L"get", Member(dispid::kAssemblyRelations)},
        {L"rels:doc:Top.asm", L"qi", L"HostRelations"},
        {L"rels:doc:Top.asm", L"call", Member(dispid::kAddGround), {L"VT_DISPATCH occ:Top.asm:1"}},
    };
    EXPECT_TRUE(SameRows(From(first.front(), first.size()), first));
}

// Depth, an assembly's occurrences all before its first sub-assembly, and no
// relations fetched without grounding. Host calls, a round trip each: 16 a run,
// 7 an assembly and an occurrence, 2 a relation; from level 2 on, 1 more an
// assembly and 3 an occurrence to find sub-assemblies, and 2 to enter each.
TEST_F(HostTest, LevelsLimitTheDepthOfTheWalkAndItsHostCalls) {
    // The walk through all three levels; a walk that stops higher up shows its beginning.
    const Rows walk = {
        {L"progress", L"assembly", L"Bearbeite Oben"},        {L"progress", L"occurrence", L"Vorkommnis Bolzen:1"},
        {L"progress", L"occurrence", L"Vorkommnis Mitte:1"},  {L"progress", L"assembly", L"Bearbeite Mitte"},
        {L"progress", L"occurrence", L"Vorkommnis Bolzen:1"}, {L"progress", L"occurrence", L"Vorkommnis Unten:1"},
        {L"progress", L"assembly", L"Bearbeite Unten"},       {L"progress", L"occurrence", L"Vorkommnis Bolzen:1"}};
    struct Case {
        std::int16_t level;
        std::size_t walked;  // lines of the walk shown
        int mid_relations, low_relations, ground_reads, host_calls;
    };
    const Case cases[] = {{1, 3, 1, 1, 2, 39}, {2, 6, 0, 1, 4, 71}, {10, 8, 0, 0, 5, 100}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.level);
        StartHost(kThreeLevels);
        testing::FixedOptions options(c.level, false);
        ASSERT_FALSE(Run(options));
        const Rows shown = Where([](const Row& row) {
            return row.object == L"progress" && (row.kind == L"assembly" || row.kind == L"occurrence");
        });
        EXPECT_TRUE(SameRows(shown, Rows(walk.begin(), walk.begin() + c.walked)));
        EXPECT_EQ(host_->RelationCount(L"Top.asm"), 0);
        EXPECT_EQ(host_->RelationCount(L"Mid.asm"), c.mid_relations);
        EXPECT_EQ(host_->RelationCount(L"Low.asm"), c.low_relations);
        EXPECT_EQ(Where([](const Row& row) { return row.member == Member(dispid::kAssemblyRelations); }), Rows{});
        EXPECT_EQ(options.level_reads, 1);
        EXPECT_EQ(options.ground_reads, c.ground_reads);
        EXPECT_EQ(log_.size() - RowsOf(L"progress").size(), static_cast<std::size_t>(c.host_calls));
        EXPECT_EQ(host_->ClientReferences(), 0);
    }
    // Only the sub-assembly's occurrence gives up its document.
    const std::wstring document = Member(dispid::kOccurrenceDocument);
    EXPECT_EQ(Count({L"occ:Top.asm:2", L"get", document}), 1);
    EXPECT_EQ(Count({L"occ:Top.asm:1", L"get", document}), 0);
}

// Level "Alle" walks a thousand levels: of a chain of 1001 assemblies, each
// placing the next and related to it, the last alone keeps its relation.
TEST_F(HostTest, LevelAlleWalksAThousandLevels) {
    std::wstring chain = L"simhost-scenario 1\ndocument Bolt.par part Bolzen\n";
    for (int i = 1; i <= 1001; ++i) chain += L"document L" + std::to_wstring(i) + L".asm assembly E\n";
    for (int i = 1; i <= 1000; ++i) {
        const std::wstring here = L"L" + std::to_wstring(i) + L".asm", next = std::to_wstring(i + 1);
        chain += L"occurrence " + here + L" E" + next + L":1 L" + next + L".asm\nrelation " + here + L" axial E" +
                 next + L":1\n";
    }
    StartHost(chain + L"occurrence L1001.asm Bolzen:1 Bolt.par\nrelation L1001.asm axial Bolzen:1\nactive L1.asm\n");
    ASSERT_FALSE(Run(kAllLevels, false));
    EXPECT_EQ(host_->RelationCount(L"L1000.asm"), 0);
    EXPECT_EQ(host_->RelationCount(L"L1001.asm"), 1);
    EXPECT_EQ(RowsOf(L"progress", L"assembly").size(), 1000u);
}

TEST_F(HostTest, SubAssemblyPlacedTwiceIsVisitedTwice) {
    StartHost(LR"(simhost-scenario 1
document Top.asm assembly Oben
document Unit.asm assembly Einheit
document Ring.par part Ring
occurrence Unit.asm Ring:1 Ring.par
occurrence Unit.asm Ring:2 Ring.par
relation Unit.asm mate Ring:1 Ring:2
occurrence Top.asm Einheit:1 Unit.asm
occurrence Top.asm Einheit:2 Unit.asm
active Top.asm
)");
    ASSERT_FALSE(Run(2, true));
    EXPECT_EQ(Count({L"progress", L"assembly", L"Bearbeite Einheit"}), 2);
    // Each visit grounds both rings again; the second visit deletes the
    // first visit's ground relations with the rest.
    EXPECT_EQ(RowsOf(L"rels:doc:Unit.asm", L"call").size(), 4u);
    EXPECT_EQ(host_->GroundCount(L"Unit.asm"), 2);
    EXPECT_EQ(host_->RelationCount(L"Unit.asm"), 2);
}

TEST_F(HostTest, SubAssembliesAreRecognisedByTheirTextAlone) {
    StartHost(LR"(simhost-scenario 1
document Top.asm assembly Oben
document Sub.AsM assembly Unter
document Hidden.asx assembly Versteckt
document as part Kurz
document Blech.pasm part Blech
document Bolt.par part Bolzen
occurrence Sub.AsM Bolzen:1 Bolt.par
relation Sub.AsM axial Bolzen:1
occurrence Hidden.asx Bolzen:1 Bolt.par
relation Hidden.asx axial Bolzen:1
occurrence Top.asm Unter:1 Sub.AsM
occurrence Top.asm Kurz:1 as
occurrence Top.asm Versteckt:1 Hidden.asx
occurrence Top.asm Blech:1 Blech.pasm
active Top.asm
)");
    const auto error = Run(2, false);
    ASSERT_TRUE(error);
    EXPECT_EQ(error->number(), 13);
    EXPECT_EQ(error->description(), L"Typen unverträglich");
    EXPECT_TRUE(SameRows(RowsOf(L"progress", L"assembly"), {{L"progress", L"assembly", L"Bearbeite Oben"},
                                                            {L"progress", L"assembly", L"Bearbeite Unter"}}));
    EXPECT_EQ(host_->RelationCount(L"Sub.AsM"), 0);
    EXPECT_EQ(host_->RelationCount(L"Hidden.asx"), 1);
    EXPECT_EQ(Count({L"occ:Top.asm:2", L"get", Member(dispid::kOccurrenceDocument)}), 0);
    EXPECT_EQ(Count({L"occ:Top.asm:3", L"get", Member(dispid::kOccurrenceDocument)}), 0);
    // The failed walk leaves the host's flag cleared, and the closing call out.
    EXPECT_EQ(log_.back(), kFlagCleared);
    EXPECT_EQ(Count(kClosingCall), 0);
    EXPECT_FALSE(host_->WalkFlag());
}

TEST_F(HostTest, AssemblyWithoutOccurrencesOnlyShowsItself) {
    StartHost(L"simhost-scenario 1\ndocument Empty.asm assembly Leer\nactive Empty.asm\n");
    testing::FixedOptions options(10, true);
    ASSERT_FALSE(Run(options));
    EXPECT_TRUE(SameRows(RowsOf(L"progress"), {{L"progress", L"min", L"0"},
                                               {L"progress", L"max", L"0"},
                                               {L"progress", L"assembly", L"Bearbeite Leer"},
                                               {L"progress", L"repaint", L""}}));
    EXPECT_EQ(Count({L"occs:Empty.asm", L"get", Member(dispid::kItem), {L"VT_I2 1"}}), 0);
    EXPECT_EQ(options.ground_reads, 0);
}

// The loops run up to and including 32,767 without overflowing their index;
// one more is an overflow before the first fetch.
TEST_F(HostTest, CountsUpToTheSixteenBitLimitAreWalkedAndOneMoreIsAnOverflow) {
    StartHost(BoltsScenario(32767, 1), false);
    ASSERT_FALSE(Run(2, false));
    EXPECT_EQ(Count({L"progress", L"value", L"32767"}), 1);
    EXPECT_EQ(Count({L"progress", L"occurrence", L"Vorkommnis B:32767"}), 1);
    EXPECT_EQ(host_->RelationCount(L"Top.asm"), 0);
    StartHost(BoltsScenario(32768, 1));
    const auto error = Run(1, true);
    ASSERT_TRUE(error);
    EXPECT_EQ(error->number(), 6);
    EXPECT_EQ(error->description(), L"Überlauf");
    EXPECT_EQ(Count({L"progress", L"max", L"32768"}), 1);
    EXPECT_EQ(Count({L"occs:Top.asm", L"get", Member(dispid::kItem), {L"VT_I2 1"}}), 0);
    EXPECT_EQ(host_->RelationCount(L"Top.asm"), 1);
    EXPECT_FALSE(host_->WalkFlag());
}

// A walk that fails, and then the reset of the host's flag fails as well:
// the walk's error reaches the caller unchanged, what was done stays, and
// the closing call is left out. (Single failures of every call: below.)
TEST_F(HostTest, ASecondFailureWhileResettingTheFlagDoesNotHideTheFirst) {
    StartHost(kThreeLevels);
    host_->AddFault(
        {NthCallOf{L"occ", Member(dispid::kOccurrenceRelations), 2}, Fail{{1500, L"Vorkommnis gesperrt", false}}});
    host_->AddFault({NthCallOf{L"app", Member(dispid::kWalkFlag), 2}, Fail{{1600, L"Eigenschaft gesperrt", false}}});
    const auto error = Run(10, false);
    ASSERT_TRUE(error);
    EXPECT_EQ(error->number(), 1500);
    EXPECT_EQ(error->description(), L"Vorkommnis gesperrt");
    EXPECT_EQ(host_->RelationCount(L"Top.asm"), 0) << "Bolzen:1's relation, deleted before the failure";
    EXPECT_EQ(host_->RelationCount(L"Mid.asm"), 1);
    EXPECT_EQ(log_.back(), kFlagCleared);
    EXPECT_EQ(Count(kClosingCall), 0);
    EXPECT_TRUE(host_->WalkFlag());
    EXPECT_EQ(host_->ClientReferences(), 0);
}

// Two levels, a sub-assembly placed twice, grounding, level "Alle": every
// call of a clean run fails in turn. Invocations fail with a host error of
// their own number; name look-ups, interface queries and enumerator steps,
// which carry no exception information, with a lost connection.
TEST_F(HostTest, EveryCallOfARunFailingInTurnEndsTheRunWithThatFailure) {
    constexpr wchar_t kSweep[] = LR"(simhost-scenario 1
document Top.asm assembly Oben
document Unit.asm assembly Einheit
document Ring.par part Ring
occurrence Unit.asm Ring:1 Ring.par
relation Unit.asm axial Ring:1
occurrence Top.asm Einheit:1 Unit.asm
occurrence Top.asm Einheit:2 Unit.asm
relation Top.asm mate Einheit:1 Einheit:2
active Top.asm
)";
    // The readiness check's calls: a failure warns, except that a negative
    // number from the active document's look-up by name (1) or its
    // conversion (3) is passed over, and the run then goes on as a clean one.
    constexpr std::size_t kReadinessCalls = 7;
    const auto passedOver = [](std::size_t k) { return k == 1 || k == 3; };
    StartHost(kSweep);
    ASSERT_FALSE(Run(10, true));
    const std::vector<simhost::JournalEntry> clean = host_->Journal();
    ASSERT_EQ(clean[kReadinessCalls - 1].member, by_name::kCount);
    for (std::size_t k = 1; k <= clean.size(); ++k) {
        const simhost::JournalEntry& call = clean[k - 1];
        SCOPED_TRACE(std::to_wstring(k) + L": " + call.ToString());
        const bool invocation = call.kind == L"get" || call.kind == L"put" || call.kind == L"call";
        const simhost::HostFailure failure =
            invocation ? simhost::HostFailure{static_cast<std::int32_t>(2000 + k), L"Fehler " + std::to_wstring(k), false}
                       : simhost::HostFailure{static_cast<std::int32_t>(RPC_E_DISCONNECTED), L"", true};
        StartHost(kSweep).AddFault({simhost::CallNumber{k}, Fail{failure}});
        const auto error = Run(10, true);
        const bool closingCall = call.object == kClosingCall.object && call.member == kClosingCall.member;
        if (k <= kReadinessCalls) {
            EXPECT_FALSE(error);
            EXPECT_EQ(found_, passedOver(k) ? HostReadiness::Ready : HostReadiness::NoAssemblyActive);
            EXPECT_EQ(Count(kClosingCall), passedOver(k) ? 1 : 0);
        } else {
            ASSERT_TRUE(error);
            EXPECT_EQ(error->number(), failure.number);
            if (invocation) {
                EXPECT_EQ(error->description(), failure.description);
            }
            EXPECT_FALSE(error->description().empty());
            EXPECT_EQ(Count(kClosingCall), closingCall ? 1 : 0) << "only the failing closing call";
        }
        const bool flagResetFails = call.kind == L"put" && call.args == kFlagCleared.args;
        EXPECT_EQ(host_->WalkFlag(), flagResetFails);
        EXPECT_EQ(host_->ClientReferences(), 0) << ::testing::PrintToString(host_->HeldObjects());
    }
}

using Readiness = HostTest;

// No host registered: not running (Wine's token is the elevated half of a
// split one). Any other cause: no assembly active.
TEST_F(Readiness, EveryOtherCauseFindsNoAssemblyActive) {
    const HostReadiness notRunning = CheckReady();
    EXPECT_TRUE(notRunning == HostReadiness::NotRunning || notRunning == HostReadiness::NotRunningSeenElevated);
    const std::pair<const char*, std::function<void()>> causes[] = {
        {"part active", [&] { StartHost(kTwoBolts).SetActiveDocument(L"Bolt.par"); }},
        {"no active document", [&] { StartHost(kTwoBolts).SetActiveDocument(std::nullopt); }},
        {"no document open", [&] { StartHost(L"simhost-scenario 1\nactive none\n"); }},
        {"host error from the active document",
         [&] {
             StartHost(kTwoBolts).AddFault(
                 {NthCallOf{L"app", Member(dispid::kActiveDocument), 1}, Fail{{1001, L"Kein Dokument", false}}});
         }},
        {"unreadable document count",
         [&] {
             StartHost(kTwoBolts).AddFault({NthCallOf{L"docs", by_name::kCount, 1}, Fail{{1005, L"Zählung", false}}});
         }},
    };
    for (const auto& [cause, start] : causes) {
        SCOPED_TRACE(cause);
        start();
        EXPECT_EQ(CheckReady(), HostReadiness::NoAssemblyActive);
        EXPECT_EQ(host_->ClientReferences(), 0);
    }
}

// A host interface not registered for this program's bitness: COM builds
// no proxy for it, and the query fails whatever the document. That is no
// missing assembly: the run-time error with cause and remedy, no warning.
TEST_F(Readiness, AnInterfaceNotRegisteredHereIsReportedAsSuchAndNotAsAMissingAssembly) {
    StartHost(kTwoBolts).SetActiveDocument(L"Bolt.par");
    // Gone in both registry views: Wine looks in the other one too.
    wchar_t iid[40] = {};
    StringFromGUID2(host::kIidHostAssembly, iid, std::size(iid));
    const std::wstring proxyKey = L"Software\\Classes\\Interface\\" + std::wstring(iid) + L"\\ProxyStubClsid32";
    for (HKEY root : {HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE}) {
        for (REGSAM view : {KEY_WOW64_64KEY, KEY_WOW64_32KEY}) RegDeleteKeyExW(root, proxyKey.c_str(), view, 0);
    }
    try {
        CheckReady();
        ADD_FAILURE() << "no error";
    } catch (const Error& error) {
        EXPECT_EQ(error.number(), -2147221163);  // REGDB_E_IIDNOTREG
        EXPECT_EQ(error.description(), L"Die Schnittstellen von Solid Edge sind nicht vollständig registriert. "
                                       L"Reparieren Sie die Installation von Solid Edge.");
    }
}

// Windows keeps the running objects of the elevated half of a split token
// apart from those of the user's normal processes. With UAC off an
// administrator's token is elevated too, but of the default type, and
// nothing is kept apart.
TEST(Elevation, OnlyTheElevatedHalfOfASplitTokenIsKeptApart) {
    const struct { TOKEN_ELEVATION_TYPE type; DWORD isElevated; bool keptApart; } tokens[] = {
        {TokenElevationTypeDefault, 1, false},
        {TokenElevationTypeFull, 1, true},
        {TokenElevationTypeLimited, 0, false},
    };
    for (const auto& token : tokens) {
        // As GetTokenInformation answers for such a token.
        const TokenQuery query = [&token](TOKEN_INFORMATION_CLASS kind, void* buffer, DWORD size) {
            if (kind == TokenElevationType && size == sizeof token.type) {
                *static_cast<TOKEN_ELEVATION_TYPE*>(buffer) = token.type;
            } else if (kind == TokenElevation && size == sizeof(TOKEN_ELEVATION)) {
                static_cast<TOKEN_ELEVATION*>(buffer)->TokenIsElevated = token.isElevated;
            } else {
                return false;
            }
            return true;
        };
        EXPECT_EQ(IsElevatedHalf(query), token.keptApart) << token.type;
    }
}

}  // namespace
}  // namespace marsitel
