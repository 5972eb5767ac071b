// The level selector's names and value for screen readers, through the
// system's property services. Wine has none, so a stand-in records what
// the program gives them.
#include "shared/com.h"
#include "ui/accessible.h"
#include "ui/control_ids.h"
#include "ui/dialog.h"
#include "ui_test_support.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace marsitel::ui {
namespace {

using namespace testing;
using Microsoft::WRL::ComPtr;
namespace id = dialog_id;

constexpr DWORD kClient = static_cast<DWORD>(OBJID_CLIENT);

struct Call {
    const char* method;
    HWND control = nullptr;
    DWORD object = 0;
    DWORD child = 0;
    std::vector<GUID> properties{};
    std::wstring text{};
    ComPtr<IAccPropServer> server{};
    AnnoScope scope = ANNO_CONTAINER;
};

// Stands in for the system's property services: records the calls for
// window handles and answers them with `answer`. It lives on the test's
// stack, so its reference count is not kept.
class RecordingServices final : public IAccPropServices {
public:
    HRESULT answer = S_OK;
    std::vector<Call> calls;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
        *object = iid == IID_IUnknown || iid == IID_IAccPropServices ? this : nullptr;
        return *object ? S_OK : E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }

    HRESULT STDMETHODCALLTYPE SetHwndPropStr(HWND control, DWORD object, DWORD child, MSAAPROPID property,
                                             LPCWSTR text) override {
        return Record({.method = "SetHwndPropStr", .control = control, .object = object, .child = child,
                       .properties = {property}, .text = text});
    }
    HRESULT STDMETHODCALLTYPE SetHwndPropServer(HWND control, DWORD object, DWORD child, const MSAAPROPID* properties,
                                                int count, IAccPropServer* server, AnnoScope scope) override {
        return Record({.method = "SetHwndPropServer", .control = control, .object = object, .child = child,
                       .properties = {properties, properties + count}, .server = server, .scope = scope});
    }
    HRESULT STDMETHODCALLTYPE ClearHwndProps(HWND control, DWORD object, DWORD child, const MSAAPROPID* properties,
                                             int count) override {
        return Record({.method = "ClearHwndProps", .control = control, .object = object, .child = child,
                       .properties = {properties, properties + count}});
    }

    // Not used by the program: a call shows up as an unexpected method.
    HRESULT STDMETHODCALLTYPE SetPropValue(const BYTE*, DWORD, MSAAPROPID, VARIANT) override { return Other(); }
    HRESULT STDMETHODCALLTYPE SetPropServer(const BYTE*, DWORD, const MSAAPROPID*, int, IAccPropServer*,
                                            AnnoScope) override {
        return Other();
    }
    HRESULT STDMETHODCALLTYPE ClearProps(const BYTE*, DWORD, const MSAAPROPID*, int) override { return Other(); }
    HRESULT STDMETHODCALLTYPE SetHwndProp(HWND, DWORD, DWORD, MSAAPROPID, VARIANT) override { return Other(); }
    HRESULT STDMETHODCALLTYPE ComposeHwndIdentityString(HWND, DWORD, DWORD, BYTE**, DWORD*) override {
        return Other();
    }
    HRESULT STDMETHODCALLTYPE DecomposeHwndIdentityString(const BYTE*, DWORD, HWND*, DWORD*, DWORD*) override {
        return Other();
    }
    HRESULT STDMETHODCALLTYPE SetHmenuProp(HMENU, DWORD, MSAAPROPID, VARIANT) override { return Other(); }
    HRESULT STDMETHODCALLTYPE SetHmenuPropStr(HMENU, DWORD, MSAAPROPID, LPCWSTR) override { return Other(); }
    HRESULT STDMETHODCALLTYPE SetHmenuPropServer(HMENU, DWORD, const MSAAPROPID*, int, IAccPropServer*,
                                                 AnnoScope) override {
        return Other();
    }
    HRESULT STDMETHODCALLTYPE ClearHmenuProps(HMENU, DWORD, const MSAAPROPID*, int) override { return Other(); }
    HRESULT STDMETHODCALLTYPE ComposeHmenuIdentityString(HMENU, DWORD, BYTE**, DWORD*) override { return Other(); }
    HRESULT STDMETHODCALLTYPE DecomposeHmenuIdentityString(const BYTE*, DWORD, HMENU*, DWORD*) override {
        return Other();
    }

private:
    HRESULT Record(Call call) {
        calls.push_back(std::move(call));
        return answer;
    }
    HRESULT Other() { return Record({.method = "other"}); }
};

class AccessibilityTest : public ::testing::Test {
protected:
    AccessibilityTest() {
        SetPropertyServicesSource([this] { return ComPtr<IAccPropServices>(&services); });
        DialogServices used;
        used.checkHostReady = [] { return true; };
        dialog = std::make_unique<Dialog>(std::move(used));
    }
    ~AccessibilityTest() override {
        dialog.reset();
        SetPropertyServicesSource(nullptr);
        DiscardQuit();
    }

    HWND Control(int controlId) const { return GetDlgItem(dialog->hwnd(), controlId); }
    void RaiseLevel(int times) {
        for (int i = 0; i < times; ++i) {
            SendMessageW(dialog->hwnd(), WM_VSCROLL, SB_LINEUP, reinterpret_cast<LPARAM>(Control(id::VScroll1)));
        }
    }

    const ComApartment apartment;
    RecordingServices services;
    std::unique_ptr<Dialog> dialog;
};

// What the value server answers for a property: the text, or "-" when it
// has none.
std::wstring Served(IAccPropServer& server, const MSAAPROPID& property) {
    VARIANT value;
    VariantInit(&value);
    BOOL has = TRUE;
    if (FAILED(server.GetPropValue(nullptr, 0, property, &value, &has))) return L"failed";
    std::wstring text = !has ? L"-" : value.vt == VT_BSTR ? value.bstrVal : L"not a string";
    VariantClear(&value);
    return text;
}

void ExpectCall(const Call& call, const char* method, HWND control, std::vector<GUID> properties) {
    EXPECT_STREQ(call.method, method);
    EXPECT_EQ(call.control, control);
    EXPECT_EQ(call.object, kClient);
    EXPECT_EQ(call.child, static_cast<DWORD>(CHILDID_SELF));
    EXPECT_EQ(call.properties, properties);
}

TEST_F(AccessibilityTest, NamesAndTheLevelAreAnnotatedThroughTheSystemAndClearedWithTheControls) {
    ASSERT_TRUE(dialog->Create());
    const HWND scrollBar = Control(id::VScroll1);
    const HWND levelBox = Control(id::Text3);
    ASSERT_EQ(services.calls.size(), 3u);
    ExpectCall(services.calls[0], "SetHwndPropStr", scrollBar, {PROPID_ACC_NAME});
    EXPECT_EQ(services.calls[0].text, L"Baugruppenebenen");
    ExpectCall(services.calls[1], "SetHwndPropServer", scrollBar, {PROPID_ACC_VALUE});
    EXPECT_EQ(services.calls[1].scope, ANNO_THIS);
    ExpectCall(services.calls[2], "SetHwndPropStr", levelBox, {PROPID_ACC_NAME});
    EXPECT_EQ(services.calls[2].text, L"Baugruppenebenen");

    IAccPropServer& server = *services.calls[1].server.Get();
    EXPECT_EQ(Served(server, PROPID_ACC_VALUE), L"1");
    RaiseLevel(2);
    EXPECT_EQ(Served(server, PROPID_ACC_VALUE), L"3");
    RaiseLevel(7);
    EXPECT_EQ(Served(server, PROPID_ACC_VALUE), L"Alle");
    EXPECT_EQ(Served(server, PROPID_ACC_NAME), L"-");

    dialog.reset();
    ASSERT_EQ(services.calls.size(), 5u);
    // The controls go in an order of the system's choosing.
    const std::size_t scrollBarCall = services.calls[3].control == scrollBar ? 3 : 4;
    ExpectCall(services.calls[scrollBarCall], "ClearHwndProps", scrollBar, {PROPID_ACC_NAME, PROPID_ACC_VALUE});
    ExpectCall(services.calls[7 - scrollBarCall], "ClearHwndProps", levelBox, {PROPID_ACC_NAME});
    // A client that still holds the server learns nothing of a gone control.
    EXPECT_EQ(Served(server, PROPID_ACC_VALUE), L"-");
}

}  // namespace
}  // namespace marsitel::ui
