// simhost.exe as the tests and the demo start it. Hidden, it makes no
// top-level window (one that could not be made kept it from starting) yet
// serves, journals and saves; shown, it shows the window the demo pictures.
#include <windows.h>

#include <oleauto.h>

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "shared/com.h"
#include "simhost/interface_ids.h"
#include "simhost/testing/simhost_process.h"

using simhost::testing::SimhostProcess;

namespace {

struct ProcessWindows {
    DWORD process_id;
    bool visible_only;
    std::vector<std::wstring> classes;
};

BOOL CALLBACK CollectClass(HWND window, LPARAM context) {
    auto& found = *reinterpret_cast<ProcessWindows*>(context);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner != found.process_id || (found.visible_only && !IsWindowVisible(window))) return TRUE;
    wchar_t name[256] = L"";
    GetClassNameW(window, name, 256);
    found.classes.emplace_back(name);
    return TRUE;
}

// The classes of the process's top-level windows; message-only windows
// (COM's own) are not among them.
std::vector<std::wstring> TopLevelClasses(DWORD process_id, bool visible_only = false) {
    ProcessWindows found{process_id, visible_only, {}};
    EnumWindows(CollectClass, reinterpret_cast<LPARAM>(&found));
    return found.classes;
}

// The dispatch id of ActiveDocument, asked of the running application.
DISPID AskActiveDocumentId() {
    Microsoft::WRL::ComPtr<IUnknown> running;
    EXPECT_EQ(GetActiveObject(simhost::kSimhostClsid, nullptr, running.GetAddressOf()), S_OK);
    Microsoft::WRL::ComPtr<IDispatch> app;
    if (!running || FAILED(running.As(&app))) return DISPID_UNKNOWN;
    std::wstring name = marsitel::host::by_name::kActiveDocument;
    LPOLESTR names[] = {name.data()};
    DISPID id = DISPID_UNKNOWN;
    EXPECT_EQ(app->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id), S_OK);
    return id;
}

}  // namespace

TEST(SimhostProgram, HiddenMakesNoTopLevelWindowYetServesJournalsAndSavesOnTheQuitEvent) {
    const marsitel::ComApartment apartment;
    SimhostProcess host({L"", {L"--hidden"}});
    EXPECT_EQ(TopLevelClasses(host.ProcessId()), std::vector<std::wstring>{});

    EXPECT_EQ(AskActiveDocumentId(), marsitel::host::dispid::kActiveDocument);
    host.Quit();

    EXPECT_EQ(host.JournalLines(), std::vector<std::wstring>{L"app\tnames\tActiveDocument\t-\tDISPID " +
                                                             std::to_wstring(marsitel::host::dispid::kActiveDocument)});
    EXPECT_EQ(host.ClientReferencesAtExit(), 0);
    EXPECT_EQ(host.SavedState().rfind(L"simhost-scenario 1\n", 0), 0u);
}

// Its tree's tooltips and the input method's window are top-level too, but
// hidden.
TEST(SimhostProgram, ShownShowsItsWindowAlone) {
    SimhostProcess host({L"", {}});
    EXPECT_EQ(TopLevelClasses(host.ProcessId(), true), std::vector<std::wstring>{L"SimhostWindow"});
}
