// The host calls a run makes are deterministic: these counts are what a user
// waits for, one round trip each when the host runs in its own process. A
// change that adds round trips per occurrence or per relation fails here.
#include <gtest/gtest.h>

#include <objbase.h>

#include <memory>
#include <string>

#include "bench/call_counts.h"
#include "bench/reference_client.h"
#include "bench/synthetic_assembly.h"
#include "core/removal.h"
#include "core/run_options.h"
#include "simhost/host.h"

namespace marsitel::bench {
namespace {

// What the run costs in host calls, by what it does.
struct CallModel {
    std::size_t per_run;                 // readiness check, attach, preparation, flag, closing call
    std::size_t per_assembly_visit;      // occurrences and count (twice), name, count for the sub-assemblies
    std::size_t per_occurrence;          // item, relations, name, enumeration, grounding; item and text again
    std::size_t per_sub_assembly_entry;  // its document
    std::size_t per_relation;            // "Delete" looked up and called

    std::size_t Total(const SyntheticAssembly& a) const {
        return per_run + per_assembly_visit * a.assembly_visits + per_occurrence * a.occurrences_processed +
               per_sub_assembly_entry * a.sub_assembly_occurrences_entered + per_relation * a.relations_deleted;
    }
};

constexpr CallModel kOurCalls{16, 8, 13, 2, 2};
// One Next per relation, plus the one that finds the end.
constexpr CallModel kReferenceCalls{16, 8, 13, 2, 3};

class AllLevelsGrounded final : public RunOptions {
public:
    std::int16_t Level() const override { return 10; }
    bool GroundAll() const override { return true; }
};

class NoProgress final : public ProgressDisplay {
public:
    void SetBarMin(float) override {}
    void SetBarMax(float) override {}
    void SetBarValue(float) override {}
    void SetAssemblyLine(std::wstring_view) override {}
    void SetOccurrenceLine(std::wstring_view) override {}
    void Repaint() override {}
};

struct RunCounts {
    CallCounts calls;
    std::wstring state_after;
    long references_left = 0;
};

class CallCountTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))); }
    void TearDown() override { CoUninitialize(); }

    template <typename Run>
    static RunCounts Measure(const SyntheticAssembly& assembly, Run run) {
        RunCounts counts;
        auto host = simhost::Host::FromScenario(assembly.scenario);
        host->Register();
        host->ClearJournal();
        run();
        for (const auto& entry : host->Journal()) counts.calls.Add(entry.kind, entry.member, entry.outcome);
        counts.state_after = host->Save();
        counts.references_left = host->ClientReferences();
        return counts;
    }

    static RunCounts Ours(const SyntheticAssembly& assembly) {
        return Measure(assembly, [] {
            AllLevelsGrounded options;
            NoProgress progress;
            RunRelationRemoval(options, progress);
        });
    }

    static RunCounts Reference(const SyntheticAssembly& assembly) {
        return Measure(assembly, [] {
            NoProgress progress;
            ASSERT_TRUE(RunReferenceRemoval(1000, true, progress));
        });
    }
};

AssemblyShape SmallShape(int relations_per_occurrence) {
    AssemblyShape shape;
    shape.top_parts = 3;
    shape.middle_parts = 1;
    shape.lower_parts = 2;
    shape.relations_per_occurrence = relations_per_occurrence;
    return shape;
}

TEST_F(CallCountTest, OurRunMakesTheModelledCallsPerOccurrenceAndPerRelation) {
    for (const int relations : {0, 4}) {
        const SyntheticAssembly assembly = MakeSyntheticAssembly(SmallShape(relations));
        const RunCounts run = Ours(assembly);
        EXPECT_EQ(run.calls.relations_deleted(), static_cast<std::size_t>(assembly.relations_deleted)) << relations;
        EXPECT_EQ(run.calls.failures(), 0u);
        EXPECT_EQ(run.calls.total(), kOurCalls.Total(assembly)) << "relations per occurrence: " << relations;
        EXPECT_EQ(run.references_left, 0);
    }
}

TEST_F(CallCountTest, OurRunBeatsTheReferenceClientPerRelationAndLeavesTheSameState) {
    const SyntheticAssembly assembly = MakeSyntheticAssembly(SmallShape(4));
    const RunCounts ours = Ours(assembly);
    const RunCounts reference = Reference(assembly);
    EXPECT_EQ(reference.calls.total(), kReferenceCalls.Total(assembly));
    EXPECT_EQ(ours.state_after, reference.state_after);
    EXPECT_EQ(ours.calls.relations_deleted(), reference.calls.relations_deleted());
    EXPECT_LT(ours.calls.total(), reference.calls.total());
    // Enumeration steps: ours reads each collection in one step.
    EXPECT_EQ(ours.calls.OfKind(L"enum"), static_cast<std::size_t>(assembly.occurrences_processed));
    EXPECT_EQ(reference.references_left, 0);
}

}  // namespace
}  // namespace marsitel::bench
