// Marsitel.exe as it comes out of its release package: its version resource,
// and one full run against the simulated host.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "marsitel_app.h"
#include "scenario_summary.h"
#include "simhost/testing/simhost_process.h"
#include "ui/control_ids.h"

namespace marsitel::e2e {
namespace {

namespace ids = marsitel::ui::dialog_id;
using simhost::testing::SimhostProcess;

std::wstring PackagedProgram() { return FolderBesideProgram(L"..\\packaged\\") + L"Marsitel.exe"; }

class VersionResource {
public:
    explicit VersionResource(const std::wstring& file) {
        DWORD ignored = 0;
        data_.resize(GetFileVersionInfoSizeW(file.c_str(), &ignored));
        if (!data_.empty() && !GetFileVersionInfoW(file.c_str(), 0, static_cast<DWORD>(data_.size()), data_.data())) {
            data_.clear();
        }
    }

    std::string Text(const wchar_t* name) const {
        const std::wstring path = std::wstring(L"\\StringFileInfo\\040704B0\\") + name;
        const void* value = Query(path.c_str());
        return value ? Utf8(static_cast<const wchar_t*>(value)) : "<none>";
    }

    VS_FIXEDFILEINFO Fixed() const {
        const void* value = Query(L"\\");
        return value ? *static_cast<const VS_FIXEDFILEINFO*>(value) : VS_FIXEDFILEINFO{};
    }

private:
    const void* Query(const wchar_t* path) const {
        void* value = nullptr;
        UINT length = 0;
        if (data_.empty() || !VerQueryValueW(data_.data(), path, &value, &length) || length == 0) return nullptr;
        return value;
    }

    std::vector<BYTE> data_;
};

TEST(PackagedProgram, CarriesTheVersionAndItsTextsWithUmlauts) {
    const VersionResource version(PackagedProgram());
    EXPECT_EQ(version.Text(L"FileVersion"), "1.0.0.0");
    EXPECT_EQ(version.Text(L"ProductVersion"), "1.0.0.0");
    EXPECT_EQ(version.Text(L"FileDescription"), "Marsitel - Beziehungen in Baugruppen entfernen");
    EXPECT_EQ(version.Text(L"LegalCopyright"), Utf8(L"Freeware, ohne Gewährleistung"));
    EXPECT_EQ(version.Text(L"CompanyName"), "Marsitel-Team");
    const VS_FIXEDFILEINFO fixed = version.Fixed();
    EXPECT_EQ(fixed.dwFileVersionMS, 0x00010000u);
    EXPECT_EQ(fixed.dwFileVersionLS, 0u);
    EXPECT_EQ(fixed.dwProductVersionMS, 0x00010000u);
    EXPECT_EQ(fixed.dwProductVersionLS, 0u);
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

TEST(PackagedProgram, RemovesAndGroundsThroughTheHostAndEndsCleanly) {
    SimhostProcess host(SimhostProcess::Options{kFrame, {}});
    MarsitelApp app(true, PackagedProgram());
    ASSERT_TRUE(app.DismissSplash());
    ASSERT_TRUE(app.WaitForDialog());
    ASSERT_TRUE(app.Tick(ids::optionDelete, true));
    ASSERT_TRUE(app.Tick(ids::OptionGround, true));
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

}  // namespace
}  // namespace marsitel::e2e
