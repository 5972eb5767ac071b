// The host's window shows the active document's tree with relation counts
// and ground markers, and follows the calls.
#include <gtest/gtest.h>

#include "com_helpers.h"

#include <commctrl.h>

#include "simhost/host.h"
#include "simhost/host_window.h"
#include "simhost/interface_ids.h"

using namespace simhost;
using namespace simhost_test;

namespace {

// The texts of the tree, depth first, children indented by two blanks.
void Collect(HWND tree, HTREEITEM item, int depth, std::vector<std::wstring>& out) {
    for (; item; item = TreeView_GetNextSibling(tree, item)) {
        wchar_t text[256] = {};
        TVITEMW tv{};
        tv.mask = TVIF_TEXT;
        tv.hItem = item;
        tv.pszText = text;
        tv.cchTextMax = 256;
        TreeView_GetItem(tree, &tv);
        out.push_back(std::wstring(static_cast<std::size_t>(depth) * 2, L' ') + text);
        Collect(tree, TreeView_GetChild(tree, item), depth + 1, out);
    }
}

std::vector<std::wstring> TreeTexts(const HostWindow& window) {
    std::vector<std::wstring> out;
    Collect(window.tree(), TreeView_GetRoot(window.tree()), 0, out);
    return out;
}

std::wstring StatusText(const HostWindow& window) {
    wchar_t buffer[256] = {};
    GetWindowTextW(window.status(), buffer, 256);
    return buffer;
}

}  // namespace

TEST(HostWindow, ShowsOccurrencesWithRelationCountsAndGroundMarkers) {
    ComApartment apartment;
    auto host = Host::FromScenario(kFixtureScenario);
    HostWindow window(*host);
    const std::vector<std::wstring> expected = {
        L"Spannvorrichtung  (Vorrichtung.asm)  3 Beziehungen",
        L"  Platte:1  (Platte.par)  3 Beziehungen  [fixiert]",
        L"  Spanner:1  (Spanner.asm)  2 Beziehungen",
        L"    Bolzen:1  (Bolzen.par)  1 Beziehung  [fixiert]",
        L"  Spanner:2  (Spanner.asm)  0 Beziehungen",
        L"    Bolzen:1  (Bolzen.par)  1 Beziehung  [fixiert]",
    };
    EXPECT_EQ(TreeTexts(window), expected);
    EXPECT_NE(StatusText(window).find(L"Aufrufe: 0"), std::wstring::npos);

    {
        ComPtr<IDispatch> app = host->NewApplicationReference();
        ComPtr<IDispatch> assembly = GetObject(app.Get(), dispid::kActiveDocument);
        ComPtr<IDispatch> occurrence = GetObject(GetObject(assembly.Get(), dispid::kOccurrences).Get(), 0, {I2(3)});
        ASSERT_EQ(Outcome(GetObject(assembly.Get(), dispid::kAssemblyRelations).Get(), dispid::kAddGround,
                      {Object(occurrence.Get())}),
                  S_OK);
    }
    window.Refresh();
    auto texts = TreeTexts(window);
    ASSERT_EQ(texts.size(), expected.size());
    EXPECT_EQ(texts[4], L"  Spanner:2  (Spanner.asm)  1 Beziehung  [fixiert]");
    EXPECT_NE(StatusText(window).find(L"Aufrufe: 5"), std::wstring::npos) << ToUtf8(StatusText(window));

    host->SetActiveDocument(std::nullopt);
    window.Refresh();
    EXPECT_EQ(TreeTexts(window), std::vector<std::wstring>{L"Kein Dokument aktiv"});
}
