// Runs against simhost.exe, so that every call crosses a process boundary
// through the marshalled interfaces, as with the real host.
#include <gtest/gtest.h>

#include <map>
#include <set>
#include <sstream>

#include "com_apartment.h"
#include "core/host/busy_host.h"
#include "core/host/error.h"
#include "core/host/host_objects.h"
#include "core/removal.h"
#include "message_box_watcher.h"
#include "recording_progress.h"
#include "simhost/testing/simhost_process.h"

namespace marsitel {
namespace {

using simhost::testing::SimhostProcess;
using testing::ComApartment;
using testing::FixedOptions;
using testing::MessageBoxWatcher;
using testing::RecordingProgress;

// The saved state, reduced to what a run changes.
struct SavedModel {
    std::wstring active;
    std::map<std::wstring, std::vector<std::wstring>> occurrences;  // assembly -> occurrence names
    std::map<std::wstring, std::wstring> placed;                    // "assembly|occurrence" -> document
    std::vector<std::vector<std::wstring>> relations;               // assembly, kind, occurrences...
};

// The lines read here hold no quoted tokens: names with blanks appear only
// in document lines.
std::vector<std::wstring> Tokens(const std::wstring& line) {
    std::wistringstream stream(line);
    std::vector<std::wstring> tokens;
    for (std::wstring token; stream >> token;) tokens.push_back(token);
    return tokens;
}

SavedModel ParseSaved(const std::wstring& text) {
    SavedModel model;
    std::wistringstream lines(text);
    std::wstring line;
    while (std::getline(lines, line)) {
        const auto tokens = Tokens(line);
        if (tokens.empty() || tokens[0].starts_with(L"#")) continue;
        if (tokens[0] == L"active" && tokens.size() == 2) model.active = tokens[1];
        if (tokens[0] == L"occurrence" && tokens.size() == 4) {
            model.occurrences[tokens[1]].push_back(tokens[2]);
            model.placed[tokens[1] + L"|" + tokens[2]] = tokens[3];
        }
        if (tokens[0] == L"relation") model.relations.emplace_back(tokens.begin() + 1, tokens.end());
    }
    return model;
}

std::set<std::wstring> ReachableAssemblies(const SavedModel& model) {
    std::set<std::wstring> reached;
    std::vector<std::wstring> pending{model.active};
    while (!pending.empty()) {
        const std::wstring assembly = pending.back();
        pending.pop_back();
        if (!reached.insert(assembly).second) continue;
        const auto found = model.occurrences.find(assembly);
        if (found == model.occurrences.end()) continue;
        for (const auto& occurrence : found->second) {
            const std::wstring& document = model.placed.at(assembly + L"|" + occurrence);
            if (model.occurrences.count(document)) pending.push_back(document);
        }
    }
    return reached;
}

class CrossProcess : public ::testing::Test {
protected:
    void TearDown() override { host::SetBusyLimit(host::kDefaultBusyLimit); }

    ComApartment apartment_;
    MessageBoxWatcher watcher_;
};

TEST_F(CrossProcess, BuiltInGearboxLeavesOneGroundRelationPerOccurrence) {
    SimhostProcess process(SimhostProcess::Options{L"", {L"--hidden"}});
    FixedOptions options(10, true);
    RecordingProgress progress;
    RunRelationRemoval(options, progress);
    process.Quit();
    EXPECT_TRUE(watcher_.boxes().empty());

    const SavedModel model = ParseSaved(process.SavedState());
    ASSERT_FALSE(model.active.empty());
    std::map<std::wstring, int> grounds;
    for (const auto& relation : model.relations) {
        ASSERT_GE(relation.size(), 3u);
        EXPECT_EQ(relation[1], L"ground") << relation[0] << L" " << relation[2];
        ++grounds[relation[0] + L"|" + relation[2]];
    }
    for (const auto& assembly : ReachableAssemblies(model)) {
        const auto placed = model.occurrences.find(assembly);
        if (placed == model.occurrences.end()) continue;
        for (const auto& occurrence : placed->second) {
            EXPECT_EQ(grounds[assembly + L"|" + occurrence], 1) << assembly << L" " << occurrence;
        }
    }
    EXPECT_EQ(process.ClientReferencesAtExit(), 0);
}

TEST_F(CrossProcess, HostThatRecoversFromBeingBusyCompletesTheRun) {
    SimhostProcess process(SimhostProcess::Options{L"", {L"--hidden", L"--busy", L"4"}});
    FixedOptions options(10, false);
    RecordingProgress progress;
    RunRelationRemoval(options, progress);
    process.Quit();
    EXPECT_TRUE(watcher_.boxes().empty());
    const SavedModel model = ParseSaved(process.SavedState());
    EXPECT_TRUE(model.relations.empty());
    EXPECT_EQ(process.ClientReferencesAtExit(), 0);
}

TEST_F(CrossProcess, HostThatStaysBusyFailsWithAClearError) {
    host::SetBusyLimit(std::chrono::milliseconds(1500));
    SimhostProcess process(SimhostProcess::Options{L"", {L"--hidden", L"--busy", L"1000000"}});
    try {
        const auto application = host::HostApplication::Attach();
        application.ActiveAssembly();
        FAIL() << "a busy host answered";
    } catch (const Error& error) {
        EXPECT_LT(error.number(), 0);
        EXPECT_NE(error.description().find(L"beschäftigt"), std::wstring::npos) << error.description();
    }
    process.Quit();
    EXPECT_EQ(process.ClientReferencesAtExit(), 0);
}

}  // namespace
}  // namespace marsitel
