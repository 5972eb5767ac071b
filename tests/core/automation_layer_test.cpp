// The automation layer's own rules: error numbers and descriptions, result
// conversions, the busy-host pauses.
#include <gtest/gtest.h>

#include <limits>

#include "core/host/busy_host.h"
#include "core/host/dispatch.h"
#include "core/host/error_mapping.h"

namespace marsitel::host {
namespace {

using std::chrono::milliseconds;

template <typename Action>
Error CaughtError(Action action) {
    try {
        action();
    } catch (const Error& error) {
        return error;
    }
    ADD_FAILURE() << "no error thrown";
    return Error(0, L"");
}

Value MakeValue(VARTYPE type, auto assign) {
    Variant v;
    v.address()->vt = type;
    assign(*v.address());
    return Value(std::move(v));
}

Value TextValue(const wchar_t* text) {
    return MakeValue(VT_BSTR, [&](VARIANT& v) { v.bstrVal = SysAllocString(text); });
}

Value Int32Value(std::int32_t number) {
    return MakeValue(VT_I4, [&](VARIANT& v) { v.lVal = number; });
}

TEST(ErrorMapping, ExceptionInformationGivesTheHostsNumberAndDescription) {
    EXCEPINFO info{};
    info.wCode = 1234;
    info.scode = E_FAIL;
    info.bstrDescription = SysAllocString(L"Beziehung gesperrt");
    info.bstrSource = SysAllocString(L"Host");
    const Error error = ErrorFromException(info);
    EXPECT_EQ(error.number(), 1234);
    EXPECT_EQ(error.description(), L"Beziehung gesperrt");
    EXPECT_EQ(info.bstrDescription, nullptr);
    EXPECT_EQ(info.bstrSource, nullptr);
}

TEST(ErrorMapping, ExceptionWithoutCodeUsesItsStatus) {
    EXCEPINFO control{};
    control.scode = MAKE_HRESULT(SEVERITY_ERROR, FACILITY_CONTROL, 440);
    control.bstrDescription = SysAllocString(L"Fehler");
    EXPECT_EQ(ErrorFromException(control).number(), 440);

    EXCEPINFO other{};
    other.scode = E_ACCESSDENIED;
    const Error error = ErrorFromException(other);
    EXPECT_EQ(error.number(), static_cast<std::int32_t>(E_ACCESSDENIED));
    EXPECT_LT(error.number(), 0);
    EXPECT_FALSE(error.description().empty());
}

HRESULT STDMETHODCALLTYPE FillInLater(EXCEPINFO* deferred) {
    deferred->wCode = 77;
    deferred->bstrDescription = SysAllocString(L"später ausgefüllt");
    return S_OK;
}

TEST(ErrorMapping, DeferredInformationIsFilledBeforeItIsRead) {
    EXCEPINFO info{};
    info.pfnDeferredFillIn = &FillInLater;
    const Error error = ErrorFromException(info);
    EXPECT_EQ(error.number(), 77);
    EXPECT_EQ(error.description(), L"später ausgefüllt");
}

TEST(ErrorMapping, BareStatusIsNegativeWithTheSystemsText) {
    const Error error = ErrorFromStatus(E_OUTOFMEMORY);
    EXPECT_EQ(error.number(), static_cast<std::int32_t>(E_OUTOFMEMORY));
    EXPECT_FALSE(error.description().empty());
    EXPECT_NE(error.description().back(), L'\n');
}

TEST(ValueConversion, FailuresAreTypeMismatchOrOverflow) {
    EXPECT_EQ(TextValue(L"42").Int32(), 42);
    EXPECT_EQ(CaughtError([] { TextValue(L"Welle").Int32(); }).number(), 13);
    EXPECT_EQ(CaughtError([] { Int32Value(32768).Int16(); }).number(), 6);
    EXPECT_EQ(CaughtError([] { Int32Value(1).Object(); }).number(), 13);
    EXPECT_EQ(CaughtError([] { MakeValue(VT_NULL, [](VARIANT&) {}).Text(); }).number(), 13);
}

TEST(ValueConversion, EmptyResultIsAnEmptyObjectThatCannotBeUsed) {
    const DispatchObject nothing = MakeValue(VT_EMPTY, [](VARIANT&) {}).Object();
    EXPECT_TRUE(nothing.empty());
    EXPECT_TRUE(nothing.As(IID_IDispatch).empty());
    EXPECT_EQ(CaughtError([&] { nothing.Get(1); }).number(), error_number::kObjectNotSet);
}

TEST(ValueConversion, CheckedInt16KeepsTheSixteenBitRange) {
    EXPECT_EQ(CheckedInt16(-32768), std::numeric_limits<std::int16_t>::min());
    EXPECT_EQ(CheckedInt16(32767), 32767);
    EXPECT_EQ(CaughtError([] { CheckedInt16(32768); }).number(), 6);
    EXPECT_EQ(CaughtError([] { CheckedInt16(-32769); }).number(), 6);
}

class BusyPauses : public ::testing::Test {
protected:
    void SetUp() override { SetBusyLimit(milliseconds(2000)); }
    void TearDown() override { SetBusyLimit(kDefaultBusyLimit); }
};

TEST_F(BusyPauses, GrowAndStopAtTheBound) {
    const auto first = BusyRetryPause(milliseconds(0));
    const auto later = BusyRetryPause(milliseconds(600));
    const auto last = BusyRetryPause(milliseconds(1950));
    ASSERT_TRUE(first && later && last);
    EXPECT_GE(first->count(), 100);
    EXPECT_GT(*later, *first);
    EXPECT_LE(last->count(), 1000);
    EXPECT_FALSE(BusyRetryPause(milliseconds(2000)));
}

TEST_F(BusyPauses, MessageFilterAnswersFromTheSamePolicy) {
    BusyMessageFilter filter;
    EXPECT_GE(filter.RetryRejectedCall(nullptr, 0, SERVERCALL_RETRYLATER), 100u);
    EXPECT_EQ(filter.RetryRejectedCall(nullptr, 2500, SERVERCALL_RETRYLATER), static_cast<DWORD>(-1));
    EXPECT_EQ(filter.RetryRejectedCall(nullptr, 0, SERVERCALL_REJECTED), static_cast<DWORD>(-1));
    EXPECT_EQ(filter.HandleInComingCall(CALLTYPE_TOPLEVEL, nullptr, 0, nullptr),
              static_cast<DWORD>(SERVERCALL_ISHANDLED));
}

}  // namespace
}  // namespace marsitel::host
