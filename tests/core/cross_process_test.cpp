// Runs against simhost.exe, so that every call crosses a process boundary
// through the marshalled interfaces, as with the real host.
#include <gtest/gtest.h>

#include "core/host/busy_host.h"
#include "core/host/host_objects.h"
#include "core/removal.h"
#include "host_fixture.h"
#include "simhost/model.h"
#include "simhost/testing/simhost_process.h"

namespace marsitel {
namespace {

using simhost::testing::SimhostProcess;

class CrossProcess : public ::testing::Test {
protected:
    void TearDown() override { host::SetBusyLimit(host::kDefaultBusyLimit); }

    // A whole run at level "Alle"; returns the host's state after it quit.
    simhost::Model RunAndQuit(SimhostProcess& process, bool ground) {
        testing::FixedOptions options(10, ground);
        testing::RecordingProgress progress;
        RunRelationRemoval(options, progress);
        process.Quit();
        EXPECT_TRUE(watcher_.boxes().empty());
        EXPECT_EQ(process.ClientReferencesAtExit(), 0);
        return simhost::ParseScenario(process.SavedState());
    }

    host::ComApartment apartment_;
    testing::MessageBoxWatcher watcher_;
};

TEST_F(CrossProcess, BuiltInScenarioLeavesOneGroundRelationPerOccurrence) {
    SimhostProcess process(SimhostProcess::Options{L"", {L"--hidden"}});
    const simhost::Model model = RunAndQuit(process, true);
    ASSERT_TRUE(model.active);
    int assemblies = 0;
    for (const auto& document : model.documents) {
        if (!document.assembly || !model.Contains(*model.active, document.doctext)) continue;
        ++assemblies;
        for (const auto& relation : document.relations) EXPECT_EQ(relation.kind, L"ground") << document.doctext;
        for (int i = 1; i <= static_cast<int>(document.occurrences.size()); ++i) {
            EXPECT_EQ(model.OccurrenceRelationCount(document.doctext, i), 1) << document.doctext << L" " << i;
        }
    }
    EXPECT_GT(assemblies, 1);
}

TEST_F(CrossProcess, BusyHostThatRecoversCompletesTheRunOneThatStaysBusyFailsClearly) {
    {
        SimhostProcess process(SimhostProcess::Options{L"", {L"--hidden", L"--busy", L"4"}});
        for (const auto& document : RunAndQuit(process, false).documents) {
            EXPECT_TRUE(document.relations.empty()) << document.doctext;
        }
    }
    host::SetBusyLimit(std::chrono::milliseconds(1500));
    SimhostProcess process(SimhostProcess::Options{L"", {L"--hidden", L"--busy", L"1000000"}});
    try {
        host::HostApplication::Attach().ActiveAssembly();
        ADD_FAILURE() << "a busy host answered";
    } catch (const Error& error) {
        EXPECT_LT(error.number(), 0);
        EXPECT_NE(error.description().find(L"beschäftigt"), std::wstring::npos) << error.description();
    }
    process.Quit();
    EXPECT_EQ(process.ClientReferencesAtExit(), 0);
}

}  // namespace
}  // namespace marsitel
