// Marsitel.exe and simhost.exe as separate processes, Marsitel driven from
// outside through window messages only, the host's state read from what it
// saves on exit.
#include <gtest/gtest.h>

#include <cwctype>
#include <string>

#include "marsitel_app.h"
#include "scenario_summary.h"
#include "simhost/testing/simhost_process.h"
#include "ui/control_ids.h"

namespace marsitel::e2e {
namespace {

namespace ids = marsitel::ui::dialog_id;
using simhost::testing::SimhostProcess;

// Three assembly levels; a part placed twice; relations in every assembly,
// one of them a ground relation.
constexpr wchar_t kLayered[] = LR"(simhost-scenario 1
document Getriebe.asm assembly Getriebe
document Deckel.asm assembly "Deckel oben"
document Kappe.asm assembly Kappe
document Welle.par part Welle
document Lager.par part Lager
document Schraube.par part Schraube
occurrence Getriebe.asm Welle:1 Welle.par
occurrence Getriebe.asm Lager:1 Lager.par
occurrence Getriebe.asm Deckel:1 Deckel.asm
occurrence Deckel.asm Schraube:1 Schraube.par
occurrence Deckel.asm Schraube:2 Schraube.par
occurrence Deckel.asm Kappe:1 Kappe.asm
occurrence Kappe.asm Schraube:1 Schraube.par
relation Getriebe.asm ground Welle:1
relation Getriebe.asm axial Welle:1 Lager:1
relation Getriebe.asm planar Lager:1 Deckel:1
relation Deckel.asm mate Schraube:1 Schraube:2
relation Deckel.asm axial Schraube:1 Kappe:1
relation Kappe.asm ground Schraube:1
active Getriebe.asm
)";

// One assembly with enough occurrences that a run lasts long enough to be
// watched: the progress window is then reliably seen by a polling observer.
std::wstring LongScenario(int occurrences) {
    std::wstring text = L"simhost-scenario 1\ndocument Gross.asm assembly \"Große Baugruppe\"\ndocument Teil.par part Teil\n";
    for (int i = 1; i <= occurrences; ++i) text += L"occurrence Gross.asm Teil:" + std::to_wstring(i) + L" Teil.par\n";
    for (int i = 1; i < occurrences; ++i) {
        text += L"relation Gross.asm mate Teil:" + std::to_wstring(i) + L" Teil:" + std::to_wstring(i + 1) + L"\n";
    }
    return text + L"active Gross.asm\n";
}
constexpr int kLongOccurrences = 60;

SimhostProcess::Options HostWith(std::wstring scenario, std::vector<std::wstring> extra_args = {}) {
    SimhostProcess::Options options;
    options.scenario_text = std::move(scenario);
    options.extra_args = std::move(extra_args);
    return options;
}

std::string Utf8(const std::wstring& text) {
    std::string out;
    for (wchar_t c : text) {
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else if (c < 0x800) {
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else {
            out += static_cast<char>(0xE0 | (c >> 12));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return out;
}

ScenarioSummary StateAfterQuit(SimhostProcess& host) {
    host.Quit();
    return Summarize(host.SavedState());
}

// Starts Marsitel, dismisses the splash and waits for the main dialog.
void OpenDialog(MarsitelApp& app, const std::wstring& picture_folder = {}) {
    ASSERT_TRUE(app.DismissSplash(picture_folder)) << "the splash did not show or did not close";
    ASSERT_TRUE(app.WaitForDialog()) << "the main dialog did not show";
}

void ExpectFreshDialog(const MarsitelApp& app) {
    EXPECT_EQ(Utf8(WindowText(app.Dialog())), Utf8(kDialogTitle));
    EXPECT_EQ(Utf8(app.Level()), "1");
    EXPECT_FALSE(app.Ticked(ids::optionDelete));
    EXPECT_FALSE(app.Ticked(ids::OptionGround));
    EXPECT_EQ(Utf8(app.DialogText(ids::Label1)), "");
}

void EndAndExpectCleanExit(MarsitelApp& app) {
    app.ClickEnd();
    ASSERT_TRUE(app.Process().WaitForExit(kWindowWait)) << "End did not end the program";
    EXPECT_EQ(app.Process().ExitCode(), 0u);
}

struct FullRunCase {
    const wchar_t* level;
    bool ground;
    // Relations and ground relations afterwards, per assembly.
    int getriebe_relations, getriebe_grounds, deckel_relations, deckel_grounds, kappe_relations, kappe_grounds;
};

std::ostream& operator<<(std::ostream& out, const FullRunCase& c) {
    return out << "level " << Utf8(c.level) << (c.ground ? " with grounding" : " without grounding");
}

class E2eFullRun : public testing::TestWithParam<FullRunCase> {};

TEST_P(E2eFullRun, ChangesTheHostAsChosenAndReturnsToTheDialog) {
    const FullRunCase& c = GetParam();
    SimhostProcess host(HostWith(kLayered));
    MarsitelApp app;
    OpenDialog(app);
    ExpectFreshDialog(app);

    ASSERT_TRUE(app.SetLevel(c.level));
    ASSERT_TRUE(app.Tick(ids::optionDelete, true));
    ASSERT_TRUE(app.Tick(ids::OptionGround, c.ground));
    const RunWatch run = app.ExecuteAndWatch();
    ASSERT_TRUE(run.finished) << "message box: " << run.message_box << ", process ended: " << run.process_ended;

    EXPECT_EQ(Utf8(app.Level()), Utf8(c.level)) << "the options must stay as they were";
    EXPECT_TRUE(app.Ticked(ids::optionDelete));
    EXPECT_EQ(app.Ticked(ids::OptionGround), c.ground);

    // Idle again, Marsitel holds nothing of the host.
    const ScenarioSummary after = StateAfterQuit(host);
    EXPECT_EQ(host.ClientReferencesAtExit(), 0);
    EndAndExpectCleanExit(app);

    EXPECT_EQ(after.Of(L"Getriebe.asm").relations, c.getriebe_relations);
    EXPECT_EQ(after.Of(L"Getriebe.asm").grounds, c.getriebe_grounds);
    EXPECT_EQ(after.Of(L"Deckel.asm").relations, c.deckel_relations);
    EXPECT_EQ(after.Of(L"Deckel.asm").grounds, c.deckel_grounds);
    EXPECT_EQ(after.Of(L"Kappe.asm").relations, c.kappe_relations);
    EXPECT_EQ(after.Of(L"Kappe.asm").grounds, c.kappe_grounds);
}

// Level 1 touches the active assembly only, its sub-assembly occurrence
// included; level 2 reaches Deckel, "Alle" Kappe two levels down. Grounding adds one ground
// relation per occurrence of every assembly processed.
INSTANTIATE_TEST_SUITE_P(LevelsAndGrounding, E2eFullRun,
                         testing::Values(FullRunCase{L"1", false, 0, 0, 2, 0, 1, 1},
                                         FullRunCase{L"1", true, 3, 3, 2, 0, 1, 1},
                                         FullRunCase{L"2", false, 0, 0, 0, 0, 1, 1},
                                         FullRunCase{L"Alle", false, 0, 0, 0, 0, 0, 0},
                                         FullRunCase{L"Alle", true, 3, 3, 3, 3, 1, 1}));

TEST(E2eRuns, BuiltInScenarioAtAllLevelsWithGroundingLeavesOneGroundPerOccurrenceAndNoReference) {
    SimhostProcess host(HostWith(L""));
    MarsitelApp app;
    OpenDialog(app);
    ASSERT_TRUE(app.SetLevel(L"Alle"));
    ASSERT_TRUE(app.Tick(ids::optionDelete, true));
    ASSERT_TRUE(app.Tick(ids::OptionGround, true));
    ASSERT_TRUE(app.ExecuteAndWatch().finished);

    const ScenarioSummary after = StateAfterQuit(host);
    EXPECT_EQ(host.ClientReferencesAtExit(), 0) << Utf8(host.ClientReferencesLine());
    EndAndExpectCleanExit(app);
    int assemblies = 0;
    for (const auto& document : after.documents) {
        if (!document.assembly) continue;
        ++assemblies;
        EXPECT_EQ(document.grounds, document.occurrences) << Utf8(document.doctext);
        EXPECT_EQ(document.relations, document.grounds) << Utf8(document.doctext);
    }
    EXPECT_GT(assemblies, 1);
}

TEST(E2eRuns, SecondRunShowsAFreshProgressWindowAndTheCompletionTextAgain) {
    SimhostProcess host(HostWith(LongScenario(kLongOccurrences), {L"--hidden"}));
    MarsitelApp app;
    const std::wstring pictures = ScreenshotDirectory();
    OpenDialog(app, pictures);
    ASSERT_TRUE(app.Tick(ids::optionDelete, true));
    ASSERT_TRUE(app.Tick(ids::OptionGround, true));
    SaveWindowPicture(app.Dialog(), pictures, L"dialog");

    const RunWatch first = app.ExecuteAndWatch(true);
    ASSERT_TRUE(first.finished);
    ASSERT_TRUE(first.progress_seen) << "the progress window never showed";
    EXPECT_EQ(Utf8(first.progress_caption), Utf8(kDialogTitle));
    ASSERT_FALSE(first.assembly_lines.empty());
    EXPECT_EQ(Utf8(first.assembly_lines.back()), Utf8(L"Bearbeite Große Baugruppe"));
    ASSERT_FALSE(first.occurrence_lines.empty());
    EXPECT_EQ(Utf8(first.occurrence_lines.front().substr(0, 11)), "Vorkommnis ");
    EXPECT_FALSE(IsWindow(first.progress)) << "the progress window must be closed after the run";
    if (first.progress_picture) SaveBitmapFile(*first.progress_picture, pictures + L"progress.bmp");
    SaveWindowPicture(app.Dialog(), pictures, L"dialog-after-run");

    const RunWatch second = app.ExecuteAndWatch();
    ASSERT_TRUE(second.finished);
    ASSERT_TRUE(second.progress_seen) << "the second run showed no progress window";
    EXPECT_NE(second.progress, first.progress);
    EXPECT_EQ(Utf8(app.DialogText(ids::Label1)), Utf8(kCompletionText));
    EndAndExpectCleanExit(app);

    const DocumentCounts after = StateAfterQuit(host).Of(L"Gross.asm");
    EXPECT_EQ(after.relations, kLongOccurrences);
    EXPECT_EQ(after.grounds, kLongOccurrences);
}

TEST(E2eStartUp, WithoutARunningHostWarnsAndEndsWithoutShowingTheDialog) {
    MarsitelApp app;
    ASSERT_TRUE(app.DismissSplash());
    const auto box = WaitForMessageBox(app.Id());
    ASSERT_TRUE(box.has_value()) << "no warning";
    EXPECT_FALSE(app.AnyDialogVisible());
    EXPECT_EQ(Utf8(box->text), Utf8(kHostNotRunning));
    EXPECT_EQ(Utf8(box->caption), Utf8(kAppTitle));
    EXPECT_EQ(box->icon, BoxIcon::Exclamation) << ToString(box->icon);
    EXPECT_EQ(box->buttons.size(), 1u);
    SaveWindowPicture(box->window, ScreenshotDirectory(), L"warning-host-not-running");

    ASSERT_TRUE(PressOk(*box));
    bool dialog_seen = false;
    ASSERT_TRUE(WaitUntil([&] { return (dialog_seen = dialog_seen || app.AnyDialogVisible()), !app.Process().Running(); },
                          kWindowWait, Millis{1}));
    EXPECT_FALSE(dialog_seen);
    EXPECT_EQ(app.Process().ExitCode(), 0u);
}

TEST(E2eRuns, HostGoneBeforeExecuteWarnsWhileTheProgressWindowShowsThenCompletes) {
    SimhostProcess host(HostWith(kLayered));
    MarsitelApp app;
    OpenDialog(app);
    host.Quit();
    ASSERT_TRUE(app.Tick(ids::optionDelete, true));

    RunWatch run = app.ExecuteAndWatch();
    ASSERT_TRUE(run.message_box) << "no warning";
    const auto box = FindMessageBox(app.Id());
    ASSERT_TRUE(box.has_value());
    EXPECT_EQ(Utf8(box->text), Utf8(kHostNotRunning));
    EXPECT_TRUE(VisibleTopLevel(app.Id(), marsitel::ui::kProgressClass)) << "the progress window must show meanwhile";
    EXPECT_FALSE(IsVisible(app.Dialog()));

    ASSERT_TRUE(PressOk(*box));
    run = app.Watch(run, false, false);
    ASSERT_TRUE(run.finished);
    EndAndExpectCleanExit(app);
}

TEST(E2eRuns, HostErrorMidRunEndsTheProgramWithTheErrorReportAndKeepsWhatWasDone) {
    // The third deletion fails: the two before it (ground and axial of Welle:1) stay done.
    SimhostProcess host(HostWith(kLayered, {L"--fail", L"rel.Delete:3:1234:Beziehung lässt sich nicht löschen"}));
    MarsitelApp app;
    OpenDialog(app);
    ASSERT_TRUE(app.SetLevel(L"Alle"));
    ASSERT_TRUE(app.Tick(ids::optionDelete, true));

    const RunWatch run = app.ExecuteAndWatch();
    ASSERT_TRUE(run.message_box) << "no error report";
    const auto box = FindMessageBox(app.Id());
    ASSERT_TRUE(box.has_value());
    EXPECT_EQ(Utf8(box->text), Utf8(L"Laufzeitfehler '1234':\n\nBeziehung lässt sich nicht löschen"));
    EXPECT_EQ(Utf8(box->caption), Utf8(kAppTitle));
    EXPECT_EQ(box->icon, BoxIcon::Error) << ToString(box->icon);
    EXPECT_EQ(box->buttons.size(), 1u);
    EXPECT_NE(Utf8(app.DialogText(ids::Label1)), Utf8(kCompletionText));
    SaveWindowPicture(box->window, ScreenshotDirectory(), L"error-report");

    ASSERT_TRUE(PressOk(*box));
    ASSERT_TRUE(app.Process().WaitForExit(kWindowWait));
    EXPECT_NE(app.Process().ExitCode(), 0u);

    ASSERT_TRUE(host.Running()) << "the host must survive the client's end";
    const ScenarioSummary after = StateAfterQuit(host);
    EXPECT_EQ(after.Of(L"Getriebe.asm").relations, 1);
    EXPECT_EQ(after.Of(L"Deckel.asm").relations, 2);
    EXPECT_EQ(after.Of(L"Kappe.asm").relations, 1);
}

// The report's first line for a failure without a host description: the
// status itself, negative.
bool StartsWithNegativeNumberReport(const std::wstring& text) {
    const std::wstring head = L"Laufzeitfehler '-";
    if (text.compare(0, head.size(), head) != 0) return false;
    std::size_t i = head.size();
    while (i < text.size() && iswdigit(text[i])) ++i;
    const std::wstring tail = L"':\n\n";
    return i > head.size() && text.compare(i, tail.size(), tail) == 0 && text.size() > i + tail.size();
}

void RunUntilErrorReport(MarsitelApp& app, MessageBoxView& report) {
    ASSERT_TRUE(app.SetLevel(L"Alle"));
    ASSERT_TRUE(app.Tick(ids::optionDelete, true));
    ASSERT_TRUE(app.ExecuteAndWatch().message_box) << "no error report";
    const auto box = FindMessageBox(app.Id());
    ASSERT_TRUE(box.has_value());
    report = *box;
    EXPECT_EQ(Utf8(report.caption), Utf8(kAppTitle));
    EXPECT_EQ(report.icon, BoxIcon::Error) << ToString(report.icon);
    ASSERT_TRUE(PressOk(report));
    ASSERT_TRUE(app.Process().WaitForExit(kWindowWait));
    EXPECT_NE(app.Process().ExitCode(), 0u);
}

TEST(E2eRuns, BareHostFailureIsReportedWithTheStatusAsANegativeNumber) {
    SimhostProcess host(HostWith(kLayered, {L"--fail-hresult", L"rel.Delete:2:0x80004005"}));
    MarsitelApp app;
    OpenDialog(app);
    MessageBoxView report;
    RunUntilErrorReport(app, report);
    EXPECT_EQ(Utf8(report.text.substr(0, 30)), "Laufzeitfehler '-2147467259':\n");
    EXPECT_TRUE(StartsWithNegativeNumberReport(report.text)) << Utf8(report.text);
    EXPECT_EQ(StateAfterQuit(host).Of(L"Getriebe.asm").relations, 2);
}

TEST(E2eRuns, HostEndingMidRunEndsTheProgramWithAnErrorReport) {
    SimhostProcess host(HostWith(kLayered, {L"--exit-after", L"25"}));
    MarsitelApp app;
    OpenDialog(app);
    MessageBoxView report;
    RunUntilErrorReport(app, report);
    EXPECT_TRUE(StartsWithNegativeNumberReport(report.text)) << Utf8(report.text);
    EXPECT_TRUE(host.WaitForExit(static_cast<DWORD>(kWindowWait.count())));
}

TEST(E2eRuns, EndEndsTheProgramAtOnceAndLeavesTheHostAsItWas) {
    SimhostProcess host(HostWith(kLayered));
    MarsitelApp app;
    OpenDialog(app);
    ASSERT_TRUE(app.Tick(ids::optionDelete, true));
    host.Quit();
    EXPECT_EQ(host.ClientReferencesAtExit(), 0) << Utf8(host.ClientReferencesLine());
    EndAndExpectCleanExit(app);
    EXPECT_FALSE(FindMessageBox(app.Id()));

    const ScenarioSummary before = Summarize(kLayered);
    const ScenarioSummary after = StateAfterQuit(host);
    EXPECT_EQ(after.TotalRelations(), before.TotalRelations());
    EXPECT_EQ(after.TotalGrounds(), before.TotalGrounds());
}

TEST(E2eScenarioSummary, CountsRelationsAndGroundsPerAssembly) {
    const ScenarioSummary summary = Summarize(kLayered);
    EXPECT_EQ(summary.Of(L"Getriebe.asm").occurrences, 3);
    EXPECT_EQ(summary.Of(L"Getriebe.asm").relations, 3);
    EXPECT_EQ(summary.Of(L"Getriebe.asm").grounds, 1);
    EXPECT_TRUE(summary.Of(L"Deckel.asm").assembly);
    EXPECT_FALSE(summary.Of(L"Welle.par").assembly);
    EXPECT_EQ(summary.Of(L"Fehlt.asm").relations, 0);
    EXPECT_EQ(summary.TotalRelations(), 6);
}

TEST(E2eScenarioSummary, ReadsQuotedTokensWithEscapesAndSkipsComments) {
    const auto tokens = SplitTokens(LR"(relation "Bau gruppe.asm" mate "A \"1\"" B\:1)");
    ASSERT_EQ(tokens.size(), 5u);
    EXPECT_EQ(Utf8(tokens[1]), "Bau gruppe.asm");
    EXPECT_EQ(Utf8(tokens[3]), "A \"1\"");
    const ScenarioSummary summary = Summarize(L"# relation X.asm ground A\r\ndocument X.asm assembly X\r\nrelation X.asm ground A\r\n");
    EXPECT_EQ(summary.Of(L"X.asm").relations, 1);
    EXPECT_EQ(summary.Of(L"X.asm").grounds, 1);
}

}  // namespace
}  // namespace marsitel::e2e
