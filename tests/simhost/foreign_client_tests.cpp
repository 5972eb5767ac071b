// The SDK-only client (simhost_foreign_client.exe) against simhost.exe, in
// this architecture and, where the machine runs it, in the other one.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>

#include "com_helpers.h"
#include "simhost/model.h"
#include "simhost/testing/simhost_process.h"

using namespace simhost;
using simhost::testing::SimhostProcess;
namespace fs = std::filesystem;

namespace {

constexpr DWORD kClientTimeoutMs = 120'000;
constexpr wchar_t kClient[] = L"simhost_foreign_client.exe";

struct ProgramRun {
    bool started = false;
    DWORD exit_code = 0;
    std::string output;
};

ProgramRun RunProgram(const std::wstring& program, const std::wstring& args) {
    ProgramRun run;
    wchar_t temp[MAX_PATH + 1] = {};
    GetTempPathW(MAX_PATH, temp);
    std::wstring output = std::wstring(temp) + L"simhost-client-" + std::to_wstring(GetCurrentProcessId()) + L".txt";
    SECURITY_ATTRIBUTES inherit{sizeof(inherit), nullptr, TRUE};
    HANDLE out = CreateFileW(output.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit, CREATE_ALWAYS,
                             FILE_ATTRIBUTE_NORMAL, nullptr);
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = out;
    startup.hStdError = out;
    std::wstring command = L"\"" + program + L"\" " + args;
    PROCESS_INFORMATION info{};
    run.started = CreateProcessW(program.c_str(), command.data(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW, nullptr,
                                 nullptr, &startup, &info);
    CloseHandle(out);
    if (run.started) {
        if (WaitForSingleObject(info.hProcess, kClientTimeoutMs) != WAIT_OBJECT_0) {
            TerminateProcess(info.hProcess, 99);
            run.started = false;
        }
        GetExitCodeProcess(info.hProcess, &run.exit_code);
        CloseHandle(info.hThread);
        CloseHandle(info.hProcess);
    }
    std::ifstream in(fs::path(output), std::ios::binary);
    run.output.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    in.close();
    DeleteFileW(output.c_str());
    return run;
}

WORD PeMachine(const fs::path& program) {
    std::ifstream in(program, std::ios::binary);
    char dos[64] = {};
    if (!in.read(dos, sizeof(dos))) return 0;
    std::uint32_t offset = 0;
    std::memcpy(&offset, dos + 60, sizeof(offset));
    in.seekg(offset + 4);
    WORD machine = 0;
    in.read(reinterpret_cast<char*>(&machine), sizeof(machine));
    return in ? machine : 0;
}

// The bin folder of a build for the other architecture: MARSITEL_OTHER_ARCH_BIN,
// or a sibling build folder whose client has the other machine type.
std::optional<fs::path> OtherArchitectureBin() {
    fs::path here = fs::path(SimhostProcess::ProgramDirectory()).parent_path();  // without the trailing separator
    WORD own = PeMachine(here / kClient);
    if (const char* env = std::getenv("MARSITEL_OTHER_ARCH_BIN"); env && *env) return fs::path(env);
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(here.parent_path().parent_path(), ec)) {
        fs::path candidate = entry.path() / "bin";
        WORD machine = PeMachine(candidate / kClient);
        if (machine != 0 && machine != own && fs::exists(candidate / "simhost.exe")) return candidate;
    }
    return std::nullopt;
}

// Skips unless the other architecture's programs exist and run here.
#define SKIP_UNLESS_OTHER_ARCHITECTURE_RUNS(bin)                                                             \
    auto bin = OtherArchitectureBin();                                                                       \
    if (!bin) GTEST_SKIP() << "no build for the other architecture found (set MARSITEL_OTHER_ARCH_BIN)";     \
    if (ProgramRun probe = RunProgram((*bin / kClient).wstring(), L"--probe"); !probe.started ||             \
                                                                              probe.exit_code != 0) {        \
        GTEST_SKIP() << "the other architecture's programs in " << bin->string()                            \
                     << " cannot run on this machine (a kernel without 32-bit support, or Wine without its " \
                        "32-bit part)";                                                                      \
    }

// Runs the client against the host and checks what a full walk leaves: the
// built-in gearbox's 13 top-level occurrences, each grounded exactly once,
// and a journal line for each kind of call.
void ExpectFullWalk(const std::wstring& client, SimhostProcess& host) {
    ProgramRun run = RunProgram(client, L"");
    ASSERT_TRUE(run.started);
    EXPECT_EQ(run.exit_code, 0u) << run.output;
    int deleted = -1;
    EXPECT_EQ(std::sscanf(run.output.c_str(), "occurrences 13 deleted %d grounded 13 subassemblies 2", &deleted), 1)
        << run.output;
    host.Quit();
    EXPECT_EQ(host.ClientReferencesAtExit(), 0) << ToUtf8(host.ClientReferencesLine());
    Model saved = ParseScenario(host.SavedState());
    EXPECT_EQ(saved.RelationCount(L"Getriebe.asm"), 13);
    EXPECT_EQ(saved.GroundCount(L"Getriebe.asm"), 13);
    for (int i = 1; i <= 13; ++i) EXPECT_EQ(saved.OccurrenceRelationCount(L"Getriebe.asm", i), 1) << i;

    const std::vector<std::wstring> journal = host.JournalLines();
    auto count = [&](const std::wstring& line) { return std::count(journal.begin(), journal.end(), line); };
    EXPECT_EQ(count(L"app\tput\t73\tVT_BOOL -1\tS_OK"), 1);
    EXPECT_EQ(count(L"occs:Getriebe.asm\tget\t0\tVT_I2 2\tVT_DISPATCH occ:Getriebe.asm:2"), 1);
    EXPECT_EQ(count(L"occ:Getriebe.asm:2\tqi\tHostOccurrence\t-\tS_OK"), 1);
    EXPECT_EQ(count(L"rels:doc:Getriebe.asm\tcall\t4\tVT_DISPATCH occ:Getriebe.asm:2\tS_OK"), 1);
    EXPECT_EQ(std::count_if(journal.begin(), journal.end(),
                            [](const std::wstring& l) {
                                return l.rfind(L"rel:Getriebe.asm:", 0) == 0 &&
                                       l.find(L"\tcall\tDelete\t-\tS_OK") != std::wstring::npos;
                            }),
              deleted);
}

class ForeignClient : public ::testing::Test {
protected:
    simhost_test::ComApartment apartment;
};

}  // namespace

TEST_F(ForeignClient, WalksEveryMemberAndLeavesNoReferences) {
    SimhostProcess host({L"", {L"--hidden"}});
    ExpectFullWalk(SimhostProcess::ProgramDirectory() + kClient, host);
}

TEST_F(ForeignClient, OtherArchitectureClientAgainstThisHost) {
    SKIP_UNLESS_OTHER_ARCHITECTURE_RUNS(bin);
    SimhostProcess host({L"", {L"--hidden"}});
    ExpectFullWalk((*bin / kClient).wstring(), host);
}

TEST_F(ForeignClient, ThisClientAgainstOtherArchitectureHost) {
    SKIP_UNLESS_OTHER_ARCHITECTURE_RUNS(bin);
    SimhostProcess host({L"", {L"--hidden"}, true, (*bin / "simhost.exe").wstring()});
    ExpectFullWalk(SimhostProcess::ProgramDirectory() + kClient, host);
}
