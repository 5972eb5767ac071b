// The demo's driver: starts the simulated host with its built-in scenario and
// then Marsitel, and prints the host's relations before and after.
//   marsitel_demo_driver interactive [--host-arg ARG]...   a person works the dialog
//   marsitel_demo_driver scripted [--host-arg ARG]...      one run as a person would do it,
//                                                          with pictures in <build>/demo/
//   --program PATH       the Marsitel.exe to start (default: the one beside the driver)
//   --folder PATH        where the pictures and the host's saved state go
//                        (default: <build>\demo\)
//   --result-file PATH   the exit code is written there too (a program started
//                        by Wine's virtual desktop has no one to hand it to)
#include <windows.h>

#include <chrono>
#include <cstdio>
#include <cwchar>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include "driver/marsitel_app.h"
#include "driver/scenario_summary.h"
#include "simhost/sample_models.h"
#include "simhost/support/utf8.h"
#include "simhost/testing/simhost_process.h"
#include "shared/control_ids.h"

namespace marsitel::e2e {
namespace {

namespace ids = marsitel::ui::dialog_id;

struct Options {
    bool scripted = false;
    std::vector<std::wstring> host_args;
    std::wstring result_file;
    std::wstring program;
    std::wstring folder;
};

void Print(const std::wstring& text) {
    const std::string bytes = ToUtf8(text);
    DWORD written = 0;
    WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
}

// The host's state before: the scenario file passed on to it, else its
// built-in scenario.
std::wstring StateBefore(const std::vector<std::wstring>& host_args) {
    for (std::size_t i = 0; i + 1 < host_args.size(); ++i) {
        if (host_args[i] == L"--scenario") return ReadUtf8File(host_args[i + 1]).value_or(L"");
    }
    return std::wstring(simhost::BuiltInScenarioText());
}

// The host's main window: its largest visible top-level window.
HWND HostWindow(DWORD process_id) {
    HWND best = nullptr;
    long best_area = 0;
    for (HWND window : TopLevelWindows(process_id)) {
        RECT r{};
        if (!IsWindowVisible(window) || !GetWindowRect(window, &r)) continue;
        const long area = static_cast<long>(r.right - r.left) * (r.bottom - r.top);
        if (area > best_area) best = window, best_area = area;
    }
    return best;
}

// A fresh Wine prefix starts its services on first use: the first
// registration may take long.
constexpr Millis kFirstStartWait{120000};
constexpr int kHostStarts = 2;

void Picture(HWND window, const std::wstring& folder, const std::wstring& name) {
    if (window && SaveWindowPicture(window, folder, name)) Print(L"  picture: " + folder + name + L".bmp\n");
    else Print(L"  picture " + name + L": not taken\n");
}

bool Step(bool ok, const wchar_t* what) {
    Print(std::wstring(ok ? L"  ok: " : L"  FAILED: ") + what + L"\n");
    return ok;
}

bool ScriptedRun(MarsitelApp& app, const std::wstring& folder) {
    if (!Step(app.DismissSplash(folder), L"splash shown and dismissed with a key")) return false;
    if (!Step(app.WaitForDialog() != nullptr, L"main dialog shown")) return false;
    Picture(app.Dialog(), folder, L"dialog-start");
    if (!Step(app.SetLevel(L"Alle"), L"level set to \"Alle\"")) return false;
    if (!Step(app.Tick(ids::kDeleteOption, true) && app.Tick(ids::kGroundOption, true), L"both options ticked")) return false;
    Picture(app.Dialog(), folder, L"dialog");

    const auto execute_clicked = std::chrono::steady_clock::now();
    const RunWatch run = app.ExecuteAndWatch(true);
    const std::chrono::duration<double> run_time = std::chrono::steady_clock::now() - execute_clicked;
    if (run.progress_picture && SaveBitmapFile(*run.progress_picture, folder + L"progress.bmp")) {
        Print(L"  picture: " + folder + L"progress.bmp\n");
    } else {
        Print(run.progress_seen ? L"  progress window seen, but no complete picture of it\n"
                                : L"  the run was over before the progress window could be seen\n");
    }
    for (const auto& line : run.assembly_lines) Print(L"  progress: " + line + L"\n");
    if (!run.busy_notice.empty()) Print(L"  busy notice: " + run.busy_notice + L"\n");
    if (!Step(run.finished, L"run finished, completion text shown")) return false;
    Print(L"  Label1: " + app.DialogText(ids::kStatusLine) + L"\n");
    wchar_t seconds[32];
    std::swprintf(seconds, 32, L"%.2f", run_time.count());
    // Includes the driver's own watching and one picture of the progress window.
    Print(L"  Execute to completion text: " + std::wstring(seconds) + L" s\n");
    Picture(app.Dialog(), folder, L"dialog-after-run");

    app.ClickEnd();
    return Step(app.Process().WaitForExit(kWindowWait), L"End ended the program");
}

// A warning or an error report that stopped the scripted run: what it says,
// then OK, as a person would, and the program's end.
void ConfirmMessageBox(MarsitelApp& app) {
    const auto box = WaitForMessageBox(app.Id(), Millis{0});
    if (!box) return;
    Print(L"  message box: " + box->text + L"\n");
    if (Step(PressOk(*box), L"message box confirmed")) app.Process().WaitForExit(kWindowWait);
}

int Run(const Options& options) {
    const std::wstring folder =
        options.folder.empty() ? FolderBesideProgram(L"..\\demo\\") : options.folder + L"\\";
    if (!EnsureDirectory(folder)) {
        Print(L"cannot create " + folder + L"\n");
        return 2;
    }
    const std::wstring saved_state = folder + L"host-after.txt";
    DeleteFileW(saved_state.c_str());

    std::vector<std::wstring> host_args{L"--save", saved_state};
    host_args.insert(host_args.end(), options.host_args.begin(), options.host_args.end());
    std::optional<simhost::testing::SimhostChild> host;
    for (int start = 1; start <= kHostStarts && !host; ++start) {
        Print(L"Starting the simulated host with its built-in scenario\n");
        host.emplace(host_args);
        if (host->WaitReady(kFirstStartWait)) break;
        if (host->Process().Running()) {
            Print(L"The simulated host did not become ready\n");
            return 2;
        }
        Print(L"The simulated host ended with exit code " + std::to_wstring(host->Process().ExitCode()) +
              L" before it was ready\n");
        host.reset();
    }
    if (!host) return 2;
    if (options.scripted) Picture(HostWindow(host->Process().Id()), folder, L"host-before");

    bool ok = true;
    {
        Print(L"Starting Marsitel\n");
        MarsitelApp app(options.scripted, options.program);
        if (options.scripted) {
            ok = ScriptedRun(app, folder);
            if (!ok) ConfirmMessageBox(app);
        } else {
            Print(L"Work the dialog; the demo goes on when Marsitel has ended.\n");
            app.Process().WaitForExit(Millis{INFINITE});
        }
        if (app.Process().WaitForExit(Millis{0})) Print(L"Marsitel ended with exit code " + std::to_wstring(app.Process().ExitCode()) + L"\n");
    }
    if (options.scripted) Picture(HostWindow(host->Process().Id()), folder, L"host-after");
    if (!host->Quit(kWindowWait)) {
        Print(L"The simulated host did not quit\n");
        return 2;
    }

    const ScenarioSummary before = Summarize(StateBefore(options.host_args));
    // A host that saved nothing shows no assemblies after.
    const std::optional<std::wstring> saved = ReadUtf8File(saved_state);
    const ScenarioSummary after = saved ? Summarize(*saved) : ScenarioSummary{};
    Print(L"\nThe host's assemblies before and after:\n" + FormatBeforeAfter(before, after));
    return ok ? 0 : 1;
}

Options ParseArguments(int argc, wchar_t** argv) {
    Options options;
    for (int i = 1; i < argc; ++i) {
        const std::wstring arg = argv[i];
        if (arg == L"scripted") options.scripted = true;
        else if (arg == L"--host-arg" && i + 1 < argc) options.host_args.push_back(argv[++i]);
        else if (arg == L"--result-file" && i + 1 < argc) options.result_file = argv[++i];
        else if (arg == L"--program" && i + 1 < argc) options.program = argv[++i];
        else if (arg == L"--folder" && i + 1 < argc) options.folder = argv[++i];
    }
    return options;
}

}  // namespace
}  // namespace marsitel::e2e

int wmain(int argc, wchar_t** argv) {
    int code = 2;
    std::wstring result_file;
    try {
        const marsitel::e2e::Options options = marsitel::e2e::ParseArguments(argc, argv);
        result_file = options.result_file;
        code = marsitel::e2e::Run(options);
        if (!result_file.empty()) std::ofstream(std::filesystem::path(result_file)) << code << '\n';
    } catch (const std::exception& e) {
        marsitel::e2e::Print(L"demo driver: " + marsitel::FromUtf8(e.what()) + L"\n");
    }
    return code;
}
