#include <gtest/gtest.h>

#include "simhost/model.h"

using namespace simhost;

namespace {

constexpr wchar_t kSmall[] = LR"(simhost-scenario 1
# a comment
enumerator live
document Getriebe.asm assembly "Kleines Getriebe"
document Welle.par part Welle
document Lager.asm assembly Lager
document "Ring mit Blank.par" part "Ring \"A\""
occurrence Lager.asm Ring:1 "Ring mit Blank.par"
occurrence Lager.asm Ring:2 "Ring mit Blank.par"
relation Lager.asm mate Ring:1 Ring:2
occurrence Getriebe.asm Welle:1 Welle.par
occurrence Getriebe.asm Lager:1 Lager.asm   # trailing comment
occurrence Getriebe.asm Lager:2 Lager.asm
relation Getriebe.asm ground Welle:1
relation Getriebe.asm axial Lager:1 Welle:1
relation Getriebe.asm planar Lager:1 Lager:2
active Getriebe.asm
)";

int ErrorLine(std::wstring_view text) {
    try {
        ParseScenario(text);
    } catch (const ScenarioError& e) {
        return e.line();
    }
    return 0;
}

}  // namespace

TEST(Scenario, ParsesDocumentsOccurrencesRelationsAndQuotes) {
    Model m = ParseScenario(kSmall);
    EXPECT_EQ(m.enumerator, EnumeratorMode::Live);
    ASSERT_EQ(m.documents.size(), 4u);
    const Document* ring = m.Find(L"Ring mit Blank.par");
    ASSERT_NE(ring, nullptr);
    EXPECT_EQ(ring->display_name, L"Ring \"A\"");
    EXPECT_FALSE(ring->assembly);
    const Document* top = m.Find(L"Getriebe.asm");
    ASSERT_EQ(top->occurrences.size(), 3u);
    EXPECT_EQ(top->occurrences[1].placed, L"Lager.asm");
    ASSERT_EQ(top->relations.size(), 3u);
    EXPECT_EQ(top->relations[2].occurrences, (std::vector<int>{2, 3}));
    EXPECT_EQ(m.active, std::optional<std::wstring>(L"Getriebe.asm"));
    EXPECT_EQ(m.GroundCount(L"Getriebe.asm"), 1);
    EXPECT_EQ(m.OccurrenceRelationCount(L"Getriebe.asm", 2), 2);
}

TEST(Scenario, SaveAndLoadGiveTheSameModelAlsoAfterDeletionAndGround) {
    for (std::wstring_view text : {std::wstring_view(kSmall), BuiltInScenarioText()}) {
        Model first = ParseScenario(text);
        Model second = ParseScenario(SaveScenario(first));
        EXPECT_EQ(first, second);
        EXPECT_EQ(SaveScenario(first), SaveScenario(second));
    }
    Model m = ParseScenario(kSmall);
    ASSERT_TRUE(m.DeleteRelation(L"Getriebe.asm", 2));
    EXPECT_FALSE(m.DeleteRelation(L"Getriebe.asm", 2));
    m.AddGround(L"Getriebe.asm", 3);
    Model reloaded = ParseScenario(SaveScenario(m));
    EXPECT_EQ(reloaded.RelationCount(L"Getriebe.asm"), 3);
    EXPECT_EQ(reloaded.GroundCount(L"Getriebe.asm"), 2);
    EXPECT_EQ(reloaded.OccurrenceRelationCount(L"Getriebe.asm", 1), 1);
}

TEST(Scenario, EveryFaultNamesItsLine) {
    const std::wstring withX =
        L"simhost-scenario 1\ndocument A.asm assembly A\ndocument B.par part B\noccurrence A.asm X B.par\n";
    struct Case {
        std::wstring text;
        int line;
    };
    const Case cases[] = {
        {L"", 1},
        {L"simhost-scenario 2\n", 1},
        {L"simhost-scenario 1\nfrobnicate\n", 2},
        {L"simhost-scenario 1\n\n# c\ndocument A.asm widget A\n", 4},
        {L"simhost-scenario 1\ndocument A.asm assembly A\ndocument A.asm part B\n", 3},
        {L"simhost-scenario 1\ndocument A.asm assembly \"A\n", 2},
        {L"simhost-scenario 1\noccurrence A.asm X:1 B.par\n", 2},
        {L"simhost-scenario 1\ndocument A.par part A\ndocument B.par part B\noccurrence A.par X:1 B.par\n", 4},
        {withX + L"occurrence A.asm X B.par\n", 5},
        {withX + L"relation A.asm ground X X\n", 5},
        {withX + L"relation A.asm mate X X\n", 5},
        {L"simhost-scenario 1\nactive Nirgends.asm\n", 2},
        {L"simhost-scenario 1\ndocument A.asm assembly A\nactive A.asm\nactive none\n", 4},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ErrorLine(c.text), c.line) << ToUtf8(c.text);
    }
}

TEST(Scenario, AnAssemblyCannotContainItselfHoweverDeeplyShared) {
    EXPECT_EQ(ErrorLine(L"simhost-scenario 1\ndocument A.asm assembly A\noccurrence A.asm A:1 A.asm\n"), 3);
    EXPECT_EQ(ErrorLine(L"simhost-scenario 1\ndocument A.asm assembly A\ndocument B.asm assembly B\n"
                        L"document C.asm assembly C\noccurrence A.asm B:1 B.asm\noccurrence B.asm C:1 C.asm\n"
                        L"occurrence C.asm A:1 A.asm\n"),
              7);
    // Every level places the next one twice: 2^40 paths from the top, which
    // the cycle check must not walk one by one.
    constexpr int kLevels = 40;
    std::wstring text = L"simhost-scenario 1\n";
    for (int i = 0; i < kLevels; ++i) text += L"document L" + std::to_wstring(i) + L".asm assembly L\n";
    for (int i = kLevels - 2; i >= 0; --i) {
        for (int copy = 1; copy <= 2; ++copy) {
            text += L"occurrence L" + std::to_wstring(i) + L".asm C:" + std::to_wstring(copy) + L" L" +
                    std::to_wstring(i + 1) + L".asm\n";
        }
    }
    Model m = ParseScenario(text);
    EXPECT_TRUE(m.Contains(L"L0.asm", L"L39.asm"));
    EXPECT_FALSE(m.Contains(L"L1.asm", L"L0.asm"));
    text += L"occurrence L39.asm Zurueck:1 L0.asm\n";
    EXPECT_EQ(ErrorLine(text), 2 + kLevels + 2 * (kLevels - 1));
}
