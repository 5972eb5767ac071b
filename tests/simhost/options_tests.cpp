#include <gtest/gtest.h>

#include "simhost/options.h"

using namespace simhost;

namespace {

ProgramOptions Parse(std::vector<std::wstring> args) { return ParseProgramOptions(args); }

}  // namespace

TEST(ProgramOptions, ValuesFlagsAndFaultsWithColonsInTheDescription) {
    ProgramOptions o = Parse({L"--generate", L"10,2,3,2", L"--busy", L"4", L"--exit-after", L"7", L"--hidden",
                              L"--enumerator", L"live", L"--active", L"Welle.par", L"--save", L"s.txt", L"--fail",
                              L"rel.Delete:3:1234:Fehler: gesperrt", L"--fail-hresult", L"occ.17:1:0x80004005",
                              L"--fail-qi", L"occs:2:0x800706BA", L"--busy-at", L"40:8"});
    ASSERT_TRUE(o.generate);
    EXPECT_EQ(o.generate->occurrences_per_assembly, 10);
    EXPECT_EQ(o.generate->fan_out, 2);
    EXPECT_EQ(o.busy, 4);
    EXPECT_EQ(o.exit_after, 7u);
    EXPECT_TRUE(o.hidden);
    EXPECT_EQ(o.enumerator, EnumeratorMode::Live);
    EXPECT_EQ(o.active, std::optional<std::wstring>(L"Welle.par"));
    EXPECT_EQ(o.save_file, std::optional<std::wstring>(L"s.txt"));
    ASSERT_EQ(o.faults.size(), 2u);
    EXPECT_EQ(o.faults[0].kind, L"rel");
    EXPECT_EQ(o.faults[0].member, L"Delete");
    EXPECT_EQ(o.faults[0].nth, 3);
    EXPECT_EQ(o.faults[0].failure.number, 1234);
    EXPECT_EQ(o.faults[0].failure.description, L"Fehler: gesperrt");
    EXPECT_FALSE(o.faults[0].failure.bare_hresult);
    EXPECT_EQ(o.faults[1].failure.number, static_cast<std::int32_t>(0x80004005));
    EXPECT_TRUE(o.faults[1].failure.bare_hresult);
    ASSERT_EQ(o.query_faults.size(), 1u);
    EXPECT_EQ(o.query_faults[0].kind, L"occs");
    EXPECT_EQ(o.query_faults[0].nth, 2);
    EXPECT_EQ(o.query_faults[0].status, static_cast<std::int32_t>(0x800706BA));
    ASSERT_TRUE(o.busy_at);
    EXPECT_EQ(o.busy_at->after, 40u);
    EXPECT_EQ(o.busy_at->count, 8);
}

TEST(ProgramOptions, RejectsWhatItCannotUse) {
    const std::vector<std::vector<std::wstring>> bad = {
        {L"--frobnicate"},
        {L"--save"},
        {L"--busy", L"-1"},
        {L"--busy", L"3x"},
        {L"--exit-after", L"0"},
        {L"--fail", L"Delete:1:5:x"},
        {L"--fail", L"rel.Delete:0:5:x"},
        {L"--fail", L"rel.Delete:1:5"},
        {L"--fail-hresult", L"rel.Delete:1:5"},
        {L"--fail-qi", L"occ:0:0x80004002"},
        {L"--fail-qi", L"occ:1:5"},
        {L"--busy-at", L"40"},
        {L"--generate", L"1,2,3"},
        {L"--enumerator", L"sometimes"},
        {L"--scenario", L"a.txt", L"--generate", L"1,1,1,0"},
        {L"--no-document", L"--active", L"A.asm"},
    };
    for (const auto& args : bad) {
        EXPECT_THROW(Parse(args), UsageError) << ToUtf8(args[0]);
    }
}
