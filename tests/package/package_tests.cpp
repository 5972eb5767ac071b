// Marsitel.exe as its release packages hold it: a full run from the archive,
// signed, and installed, upgraded, replaced by the other architecture's and
// removed as an IT department does it (silently, per machine).
#include <gtest/gtest.h>
#include <windows.h>

#include <msi.h>
#include <shlobj.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "driver/marsitel_app.h"
#include "driver/scenario_summary.h"
#include "shared/unique_handle.h"
#include "simhost/support/utf8.h"
#include "simhost/testing/simhost_process.h"
#include "test_platform.h"
#include "shared/control_ids.h"

namespace marsitel::e2e {
namespace {

namespace ids = marsitel::ui::dialog_id;
using simhost::testing::SimhostProcess;

std::wstring PackagedProgram() { return FolderBesideProgram(L"..\\packaged\\") + L"Marsitel.exe"; }

// A text of the file's version resource (German, Unicode), "<none>" without it.
std::string VersionText(const std::wstring& file, const wchar_t* name) {
    DWORD ignored = 0;
    std::vector<BYTE> data(GetFileVersionInfoSizeW(file.c_str(), &ignored));
    const std::wstring path = std::wstring(L"\\StringFileInfo\\040704B0\\") + name;
    void* value = nullptr;
    UINT length = 0;
    if (data.empty() || !GetFileVersionInfoW(file.c_str(), 0, static_cast<DWORD>(data.size()), data.data()) ||
        !VerQueryValueW(data.data(), path.c_str(), &value, &length) || length == 0) {
        return "<none>";
    }
    return ToUtf8(static_cast<const wchar_t*>(value));
}

// Two parts tied to each other, one of them grounded.
constexpr wchar_t kFrame[] = LR"(simhost-scenario 1
document Rahmen.asm assembly Rahmen
document Stab.par part Stab
occurrence Rahmen.asm Stab:1 Stab.par
occurrence Rahmen.asm Stab:2 Stab.par
relation Rahmen.asm mate Stab:1 Stab:2
relation Rahmen.asm ground Stab:1
active Rahmen.asm
)";

void RemovesAndGroundsThroughTheHostAndEndsCleanly(const std::wstring& program) {
    SimhostProcess host(SimhostProcess::Options{kFrame, {}});
    MarsitelApp app(true, program);
    ASSERT_TRUE(app.DismissSplash());
    ASSERT_TRUE(app.WaitForDialog());
    ASSERT_TRUE(app.Tick(ids::kDeleteOption, true));
    ASSERT_TRUE(app.Tick(ids::kGroundOption, true));
    const RunWatch run = app.ExecuteAndWatch();
    ASSERT_TRUE(run.finished) << "message box: " << run.message_box << ", process ended: " << run.process_ended;
    host.Quit();
    const DocumentCounts after = Summarize(host.SavedState()).Of(L"Rahmen.asm");
    EXPECT_EQ(after.relations, 2);
    EXPECT_EQ(after.grounds, 2);
    app.ClickEnd();
    ASSERT_TRUE(app.Process().WaitForExit(kWindowWait));
    EXPECT_EQ(app.Process().ExitCode(), 0u);
}

TEST(PackagedProgram, RemovesAndGroundsThroughTheHostAndEndsCleanly) {
    RemovesAndGroundsThroughTheHostAndEndsCleanly(PackagedProgram());
}

// Has `process` load `dll` by bare name, as system code loads a DLL it needs,
// and waits until it has.
void LoadByBareName(HANDLE process, const std::wstring& dll) {
    const SIZE_T size = (dll.size() + 1) * sizeof(wchar_t);
    void* name = VirtualAllocEx(process, nullptr, size, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
    ASSERT_TRUE(name && WriteProcessMemory(process, name, dll.c_str(), size, nullptr));
    // kernel32 lies at the same address in every process of one bitness.
    const auto loadLibrary = reinterpret_cast<LPTHREAD_START_ROUTINE>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "LoadLibraryW")));
    const UniqueHandle thread(CreateRemoteThread(process, nullptr, 0, loadLibrary, name, 0, nullptr));
    ASSERT_TRUE(thread);
    EXPECT_EQ(WaitForSingleObject(thread.get(), static_cast<DWORD>(kWindowWait.count())), WAIT_OBJECT_0);
}

// A DLL beside the program, named like a system DLL it has not loaded yet
// (dwmapi.dll), stays out once the program runs. Under Wine, system code loads
// no new DLL by bare name after the start (comctl32 loads the theme library in
// its DllMain, before the program's first statement), so the test has the
// program's process load that name itself: started suspended, before the
// first statement, it gets the planted DLL; with the splash up it must not.
// What loads before the first statement is DependentLoadFlags' part on
// Windows, which Wine ignores and GNU ld 2.40 cannot set (docs/packages.md).
TEST(PackagedProgram, LoadsNoDllPlantedBesideIt) {
    const std::filesystem::path folder = FolderBesideProgram(L"..\\planted\\");
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder);
    const std::filesystem::path program = folder / L"Marsitel.exe", marker = folder / L"loaded";
    std::filesystem::copy_file(PackagedProgram(), program);
    std::filesystem::copy_file(FolderBesideProgram(L"planted_dll.dll"), folder / L"dwmapi.dll");
    // For the programs started here: Wine prefers its own DLLs to those beside a program.
    SetEnvironmentVariableW(L"MARSITEL_PLANTED_DLL_MARKER", marker.c_str());
    wchar_t overrides[512] = {};
    GetEnvironmentVariableW(L"WINEDLLOVERRIDES", overrides, 512);
    SetEnvironmentVariableW(L"WINEDLLOVERRIDES", (std::wstring(overrides) + L";dwmapi=n,b").c_str());

    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    ASSERT_TRUE(CreateProcessW(program.c_str(), nullptr, nullptr, nullptr, FALSE, CREATE_SUSPENDED, nullptr, nullptr,
                               &startup, &info));
    const UniqueHandle suspended(info.hProcess), mainThread(info.hThread);
    LoadByBareName(suspended.get(), L"dwmapi.dll");
    TerminateProcess(suspended.get(), 1);
    WaitForSingleObject(suspended.get(), static_cast<DWORD>(kWindowWait.count()));
    ASSERT_TRUE(std::filesystem::remove(marker)) << "the planted DLL did not load where the search is open";

    MarsitelApp app(true, program.wstring());
    ASSERT_TRUE(app.WaitForSplash());
    LoadByBareName(app.Process().Handle(), L"dwmapi.dll");
    EXPECT_FALSE(std::filesystem::exists(marker));
}

// Signed with a throwaway certificate by sign_packages.sh, which checked the
// signatures.
TEST(SignedProgram, RemovesAndGroundsThroughTheHostAndEndsCleanly) {
    RemovesAndGroundsThroughTheHostAndEndsCleanly(FolderBesideProgram(L"..\\signed\\") + L"Marsitel.exe");
}

// This architecture's package, the same one version later (later_installer.cmake)
// and the other architecture's, their product codes and installed programs' entries.
#ifdef _WIN64
constexpr wchar_t kInstaller[] = L"..\\packaged\\Marsitel-1.0.0-x64.msi";
constexpr wchar_t kLaterInstaller[] = L"..\\later\\Marsitel-1.0.1-x64.msi";
constexpr wchar_t kOtherInstaller[] = L"..\\packaged\\Marsitel-1.0.0-x86.msi";
constexpr wchar_t kProductCode[] = L"{963D97D4-34B0-5737-9167-7E765844C3DE}";
constexpr wchar_t kLaterProductCode[] = L"{6FC8A262-0F6E-5142-8859-16BB8F29B3DC}";
constexpr char kEntry[] = "Marsitel (64-Bit), Marsitel-Team, 1.0.0, C:\\Program Files\\Marsitel\\, 1031";
constexpr char kLaterEntry[] = "Marsitel (64-Bit), Marsitel-Team, 1.0.1, C:\\Program Files\\Marsitel\\, 1031";
#else
constexpr wchar_t kInstaller[] = L"..\\packaged\\Marsitel-1.0.0-x86.msi";
constexpr wchar_t kLaterInstaller[] = L"..\\later\\Marsitel-1.0.1-x86.msi";
constexpr wchar_t kOtherInstaller[] = L"..\\packaged\\Marsitel-1.0.0-x64.msi";
constexpr wchar_t kProductCode[] = L"{BAF8A9A1-318C-5ADC-BBA2-5E1E2EDCE34E}";
constexpr wchar_t kLaterProductCode[] = L"{7FA5F464-52F7-58D9-A6A0-FF1995EDED5A}";
constexpr char kEntry[] = "Marsitel, Marsitel-Team, 1.0.0, C:\\Program Files (x86)\\Marsitel\\, 1031";
constexpr char kLaterEntry[] = "Marsitel, Marsitel-Team, 1.0.1, C:\\Program Files (x86)\\Marsitel\\, 1031";
#endif
constexpr DWORD kInstallFailure = 1603;
const std::vector<std::string> kInstalledFiles{"LICENSE", "LIESMICH.txt", "Marsitel.exe"};
const std::vector<std::string> kShortcut{"Marsitel.lnk"};

std::wstring ShellFolder(int id) {
    wchar_t path[MAX_PATH] = {};
    return SUCCEEDED(SHGetFolderPathW(nullptr, id, nullptr, SHGFP_TYPE_CURRENT, path)) ? path : L"<none>";
}

// Program Files as programs of this architecture see it: "Program Files
// (x86)" for 32-bit ones on 64-bit Windows, where the 32-bit package installs.
std::wstring InstallFolder() { return ShellFolder(CSIDL_PROGRAM_FILES) + L"\\Marsitel\\"; }

// The names in a folder that begin with prefix, sorted.
std::vector<std::string> FileNames(const std::wstring& folder, const std::string& prefix = "") {
    std::vector<std::string> names;
    std::error_code missing;
    for (const auto& file : std::filesystem::directory_iterator(folder, missing)) {
        const std::string name = file.path().filename().string();
        if (name.starts_with(prefix)) names.push_back(name);
    }
    std::sort(names.begin(), names.end());
    return names;
}

// Marsitel's shortcuts in the Start menu. A per-machine shortcut belongs in
// the common one. Wine's installer puts it in the user's, whatever the
// installation's scope (its ProgramMenuFolder does not follow ALLUSERS).
std::vector<std::string> StartMenuShortcuts() {
    return FileNames(ShellFolder(marsitel::testing::RunningUnderWine() ? CSIDL_PROGRAMS : CSIDL_COMMON_PROGRAMS), "Marsitel");
}

// The products that Windows Installer has installed under Marsitel's upgrade
// codes, the x86 one's and the x64 one's.
std::vector<std::string> InstalledProducts() {
    std::vector<std::string> codes;
    wchar_t code[39] = {};
    for (const wchar_t* upgrade_code :
         {L"{29D1F120-037E-4B06-B509-3D2A2BA06216}", L"{199B9B0E-8C31-40DF-A13A-729A8FD44DD4}"}) {
        for (DWORD i = 0; MsiEnumRelatedProductsW(upgrade_code, 0, i, code) == ERROR_SUCCESS; ++i) {
            codes.push_back(ToUtf8(code));
        }
    }
    return codes;
}

// A product's entry under installed programs as "name, publisher, version,
// location, language", or empty; view KEY_WOW64_32KEY reads a 32-bit one.
std::string ProgramsEntry(const wchar_t* product_code, REGSAM view = 0) {
    const std::wstring path = std::wstring(L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\") + product_code;
    HKEY opened = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_READ | view, &opened)) return "";
    const UniqueKey key(opened);
    std::string entry;
    for (const wchar_t* name : {L"DisplayName", L"Publisher", L"DisplayVersion", L"InstallLocation"}) {
        wchar_t text[256] = {};
        DWORD size = sizeof text;
        if (RegGetValueW(key.get(), nullptr, name, RRF_RT_REG_SZ, nullptr, text, &size)) return "";
        entry += ToUtf8(text) + ", ";
    }
    DWORD language = 0, size = sizeof language;
    RegGetValueW(key.get(), nullptr, L"Language", RRF_RT_REG_DWORD, nullptr, &language, &size);
    return entry + std::to_string(language);
}

DWORD Msiexec(const std::wstring& action, const wchar_t* installer) {
    wchar_t system[MAX_PATH] = {};
    GetSystemDirectoryW(system, MAX_PATH);
    ChildProcess msiexec(std::wstring(system) + L"\\msiexec.exe", {action, FolderBesideProgram(installer), L"/qn"});
    return msiexec.WaitForExit(kRunWait) ? msiexec.ExitCode() : WAIT_TIMEOUT;
}

// Installs as IT departments do: silently, per machine. Each case starts and
// ends with no package installed.
class InstallerPackage : public ::testing::Test {
protected:
    void SetUp() override { RemoveEveryPackage(); }
    void TearDown() override { RemoveEveryPackage(); }
    static void RemoveEveryPackage() {
        for (const wchar_t* installer : {kInstaller, kLaterInstaller, kOtherInstaller}) Msiexec(L"/x", installer);
    }
};

TEST_F(InstallerPackage, InstallsARunningProgramThatALaterVersionReplacesAndUninstallLeavesNothing) {
    ASSERT_EQ(Msiexec(L"/i", kInstaller), 0u);
    EXPECT_EQ(FileNames(InstallFolder()), kInstalledFiles);
    EXPECT_EQ(InstalledProducts(), std::vector<std::string>{ToUtf8(kProductCode)});
    EXPECT_EQ(ProgramsEntry(kProductCode), kEntry);
    // Installed programs show the icon that Windows Installer keeps.
    wchar_t icon[MAX_PATH] = {};
    DWORD length = MAX_PATH;
    ASSERT_EQ(MsiGetProductInfoW(kProductCode, INSTALLPROPERTY_PRODUCTICON, icon, &length), 0u);
    EXPECT_TRUE(std::wstring(icon).ends_with(L"\\marsitel.ico") && std::filesystem::exists(icon)) << ToUtf8(icon);
    EXPECT_EQ(StartMenuShortcuts(), kShortcut);
    RemovesAndGroundsThroughTheHostAndEndsCleanly(InstallFolder() + L"Marsitel.exe");
    if (HasFatalFailure()) return;
    ASSERT_EQ(Msiexec(L"/i", kLaterInstaller), 0u);
    EXPECT_EQ(InstalledProducts(), std::vector<std::string>{ToUtf8(kLaterProductCode)});
    EXPECT_EQ(ProgramsEntry(kLaterProductCode), kLaterEntry);
    EXPECT_EQ(VersionText(InstallFolder() + L"Marsitel.exe", L"FileVersion"), "1.0.1.0");
    // The resource's umlauts survive the resource compiler's code page.
    EXPECT_EQ(VersionText(InstallFolder() + L"Marsitel.exe", L"LegalCopyright"),
              ToUtf8(L"Freeware, ohne Gewährleistung"));
    EXPECT_EQ(Msiexec(L"/i", kInstaller), kInstallFailure) << "the downgrade must be refused";
    EXPECT_EQ(InstalledProducts(), std::vector<std::string>{ToUtf8(kLaterProductCode)});
    ASSERT_EQ(Msiexec(L"/x", kLaterInstaller), 0u);
    EXPECT_TRUE(InstalledProducts().empty());
    EXPECT_EQ(ProgramsEntry(kLaterProductCode), "");
    EXPECT_FALSE(std::filesystem::exists(InstallFolder())) << ::testing::PrintToString(FileNames(InstallFolder()));
    EXPECT_TRUE(StartMenuShortcuts().empty());
}

#ifdef _WIN64
// One Marsitel per machine: 32-bit, then 64-bit (later) over it, then 32-bit
// again. Each removes the other architecture's, whatever its version, so one
// entry, folder and shortcut remain. (The 32-bit suite would repeat this.)
TEST_F(InstallerPackage, EitherArchitectureReplacesTheOtherOfAnyVersionAndUninstallLeavesNothing) {
    const std::wstring folder32 = ShellFolder(CSIDL_PROGRAM_FILESX86) + L"\\Marsitel";
    constexpr wchar_t kProductCode32[] = L"{BAF8A9A1-318C-5ADC-BBA2-5E1E2EDCE34E}";
    ASSERT_EQ(Msiexec(L"/i", kOtherInstaller), 0u);
    ASSERT_EQ(Msiexec(L"/i", kLaterInstaller), 0u);
    EXPECT_EQ(InstalledProducts(), std::vector<std::string>{ToUtf8(kLaterProductCode)});
    EXPECT_EQ(ProgramsEntry(kLaterProductCode), kLaterEntry);
    EXPECT_EQ(FileNames(InstallFolder()), kInstalledFiles);
    EXPECT_FALSE(std::filesystem::exists(folder32)) << ::testing::PrintToString(FileNames(folder32));
    EXPECT_EQ(StartMenuShortcuts(), kShortcut);
    ASSERT_EQ(Msiexec(L"/i", kOtherInstaller), 0u);
    EXPECT_EQ(InstalledProducts(), std::vector<std::string>{ToUtf8(kProductCode32)});
    EXPECT_EQ(ProgramsEntry(kProductCode32, KEY_WOW64_32KEY),
              "Marsitel, Marsitel-Team, 1.0.0, C:\\Program Files (x86)\\Marsitel\\, 1031");
    EXPECT_EQ(FileNames(folder32), kInstalledFiles);
    EXPECT_FALSE(std::filesystem::exists(InstallFolder())) << ::testing::PrintToString(FileNames(InstallFolder()));
    EXPECT_EQ(StartMenuShortcuts(), kShortcut);
    ASSERT_EQ(Msiexec(L"/x", kOtherInstaller), 0u);
    EXPECT_TRUE(InstalledProducts().empty());
    EXPECT_EQ(ProgramsEntry(kProductCode32, KEY_WOW64_32KEY), "");
    EXPECT_FALSE(std::filesystem::exists(folder32));
    EXPECT_TRUE(StartMenuShortcuts().empty());
}
#endif

}  // namespace
}  // namespace marsitel::e2e
