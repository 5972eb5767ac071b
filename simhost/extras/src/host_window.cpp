#include "simhost/host_window.h"

#include <stdexcept>
#include <string>
#include <vector>

namespace simhost {

namespace {

constexpr wchar_t kClassName[] = L"SimhostWindow";
constexpr UINT_PTR kRefreshTimer = 1;

// Layout, in pixels at 96 DPI.
struct Metrics {
    int width, height, margin, status_height;
    UINT refresh_ms;
    // Deep or huge generated trees are cut off: the window is a view, and
    // rebuilding it must not slow the host down.
    int max_depth, max_items;
};
constexpr Metrics kMetrics{520, 560, 8, 22, 200, 8, 3000};

std::wstring RelationsText(int count) { return count == 1 ? L"1 Beziehung" : std::to_wstring(count) + L" Beziehungen"; }

// Relation counts and ground markers of one assembly's occurrences, in one
// pass over its relations.
struct OccurrenceStats {
    std::vector<int> relations;
    std::vector<bool> grounded;
};

OccurrenceStats StatsOf(const Document& assembly) {
    OccurrenceStats stats;
    stats.relations.assign(assembly.occurrences.size() + 1, 0);
    stats.grounded.assign(assembly.occurrences.size() + 1, false);
    for (const Relation& r : assembly.relations) {
        for (int index : r.occurrences) ++stats.relations[static_cast<std::size_t>(index)];
        if (r.kind == L"ground") stats.grounded[static_cast<std::size_t>(r.occurrences.front())] = true;
    }
    return stats;
}

std::wstring OccurrenceLabel(const Document& assembly, const OccurrenceStats& stats, int index) {
    const auto i = static_cast<std::size_t>(index);
    const Occurrence& occ = assembly.occurrences[i - 1];
    return occ.name + L"  (" + occ.placed + L")  " + RelationsText(stats.relations[i]) +
           (stats.grounded[i] ? L"  [fixiert]" : L"");
}

HTREEITEM InsertItem(HWND tree, HTREEITEM parent, const std::wstring& text) {
    TVINSERTSTRUCTW insert{};
    insert.hParent = parent;
    insert.hInsertAfter = TVI_LAST;
    insert.item.mask = TVIF_TEXT;
    insert.item.pszText = const_cast<LPWSTR>(text.c_str());
    return reinterpret_cast<HTREEITEM>(SendMessageW(tree, TVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&insert)));
}

void RegisterClassOnce() {
    static bool registered = false;
    if (registered) return;
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof(wc);
    wc.lpfnWndProc = DefWindowProcW;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = kClassName;
    if (!RegisterClassExW(&wc)) throw std::runtime_error("RegisterClassEx failed");
    registered = true;
}

HWND NewChild(HWND parent, DWORD ex_style, const wchar_t* window_class, DWORD style) {
    return CreateWindowExW(ex_style, window_class, L"", WS_CHILD | WS_VISIBLE | style, 0, 0, 0, 0, parent, nullptr,
                           GetModuleHandleW(nullptr), nullptr);
}

}  // namespace

HostWindow::HostWindow(const Host& host) : host_(host) {
    INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_TREEVIEW_CLASSES};
    InitCommonControlsEx(&controls);
    RegisterClassOnce();
    window_ = CreateWindowExW(0, kClassName, L"simhost \u2013 simulierter Host", WS_OVERLAPPEDWINDOW,
                              CW_USEDEFAULT, CW_USEDEFAULT, kMetrics.width, kMetrics.height, nullptr, nullptr,
                              GetModuleHandleW(nullptr), nullptr);
    if (!window_) throw std::runtime_error("CreateWindowEx failed: " + std::to_string(GetLastError()));
    SetWindowLongPtrW(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    SetWindowLongPtrW(window_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&HostWindow::Procedure));
    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = sizeof(metrics);
    if (SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0)) {
        font_.reset(CreateFontIndirectW(&metrics.lfMessageFont));
    }
    tree_ = NewChild(window_, WS_EX_CLIENTEDGE, WC_TREEVIEWW,
                     WS_TABSTOP | TVS_HASLINES | TVS_HASBUTTONS | TVS_LINESATROOT | TVS_SHOWSELALWAYS);
    status_ = NewChild(window_, 0, L"STATIC", SS_LEFT | SS_CENTERIMAGE);
    for (HWND child : {tree_, status_}) SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(font_.get()), FALSE);
    Layout();
    Refresh();
    SetTimer(window_, kRefreshTimer, kMetrics.refresh_ms, nullptr);
    ShowWindow(window_, SW_SHOWNORMAL);
    UpdateWindow(window_);
}

HostWindow::~HostWindow() {
    if (window_) {
        SetWindowLongPtrW(window_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&DefWindowProcW));
        DestroyWindow(window_);
    }
}

void HostWindow::Layout() {
    RECT client{};
    GetClientRect(window_, &client);
    const int m = kMetrics.margin;
    const int w = client.right - 2 * m;
    const int tree_height = client.bottom - 3 * m - kMetrics.status_height;
    MoveWindow(tree_, m, m, w, tree_height > 0 ? tree_height : 0, TRUE);
    MoveWindow(status_, m, client.bottom - m - kMetrics.status_height, w, kMetrics.status_height, TRUE);
}

void HostWindow::AddAssembly(HTREEITEM parent, const Document& assembly, int depth, int& budget) {
    const Model& model = host_.CurrentModel();
    const OccurrenceStats stats = StatsOf(assembly);
    for (int i = 1; i <= static_cast<int>(assembly.occurrences.size()); ++i) {
        if (--budget < 0) {
            InsertItem(tree_, parent, L"\u2026");
            return;
        }
        HTREEITEM item = InsertItem(tree_, parent, OccurrenceLabel(assembly, stats, i));
        const Document* placed = model.Find(assembly.occurrences[static_cast<std::size_t>(i - 1)].placed);
        if (placed && placed->assembly && depth < kMetrics.max_depth) AddAssembly(item, *placed, depth + 1, budget);
        if (depth == 0 || budget > 0) SendMessageW(tree_, TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(item));
    }
}

void HostWindow::Refresh() {
    changed_ = false;
    const Model& model = host_.CurrentModel();
    SendMessageW(tree_, WM_SETREDRAW, FALSE, 0);
    SendMessageW(tree_, TVM_DELETEITEM, 0, reinterpret_cast<LPARAM>(TVI_ROOT));
    const Document* active = model.active ? model.Find(*model.active) : nullptr;
    if (!active) {
        InsertItem(tree_, TVI_ROOT, L"Kein Dokument aktiv");
    } else {
        HTREEITEM root = InsertItem(tree_, TVI_ROOT,
                                    active->display_name + L"  (" + active->doctext + L")  " +
                                        RelationsText(model.RelationCount(active->doctext)));
        int budget = kMetrics.max_items;
        if (active->assembly) AddAssembly(root, *active, 0, budget);
        SendMessageW(tree_, TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(root));
    }
    SendMessageW(tree_, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(tree_, nullptr, TRUE);
    std::wstring status = L"Bediente Aufrufe: " + std::to_wstring(host_.CallsServed()) +
                          L"    Referenzen der Clients: " + std::to_wstring(host_.ClientReferences());
    SetWindowTextW(status_, status.c_str());
}

LRESULT CALLBACK HostWindow::Procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    auto* self = reinterpret_cast<HostWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (!self) return DefWindowProcW(window, message, wparam, lparam);
    try {
        return self->Handle(message, wparam, lparam);
    } catch (...) {
        return DefWindowProcW(window, message, wparam, lparam);
    }
}

LRESULT HostWindow::Handle(UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
        case WM_SIZE:
            Layout();
            return 0;
        case WM_TIMER:
            if (wparam == kRefreshTimer && changed_) Refresh();
            return 0;
        case WM_CLOSE:
            PostQuitMessage(0);
            return 0;
        default:
            return DefWindowProcW(window_, message, wparam, lparam);
    }
}

}  // namespace simhost
