// The automation layer's own rules: error numbers and descriptions, result
// conversions.
#include <gtest/gtest.h>

#include <utility>

#include "core/host/dispatch.h"
#include "core/host/error_mapping.h"

namespace marsitel::host {
namespace {

template <typename Action>
std::int32_t ErrorNumber(Action action) {
    try {
        action();
    } catch (const Error& error) {
        return error.number();
    }
    ADD_FAILURE() << "no error thrown";
    return 0;
}

Value NullValue() {
    Variant v;
    v.address()->vt = VT_NULL;
    return Value(std::move(v));
}

HRESULT STDMETHODCALLTYPE FillInLater(EXCEPINFO* deferred) {
    deferred->wCode = 77;
    deferred->bstrDescription = SysAllocString(L"später ausgefüllt");
    return S_OK;
}

TEST(ErrorMapping, HostExceptionsAndBareStatuses) {
    EXCEPINFO info{};
    info.wCode = 1234;
    info.scode = E_FAIL;
    info.bstrDescription = SysAllocString(L"Beziehung gesperrt");
    info.bstrSource = SysAllocString(L"Host");
    const Error host = ErrorFromException(info);
    EXPECT_EQ(host.number(), 1234);
    EXPECT_EQ(host.description(), L"Beziehung gesperrt");
    EXPECT_EQ(info.bstrDescription, nullptr) << "the strings are taken over and freed";
    EXPECT_EQ(info.bstrSource, nullptr);
    EXCEPINFO deferred{};
    deferred.pfnDeferredFillIn = &FillInLater;
    const Error filled = ErrorFromException(deferred);
    EXPECT_EQ(filled.number(), 77);
    EXPECT_EQ(filled.description(), L"später ausgefüllt");
    EXCEPINFO control{};
    control.scode = MAKE_HRESULT(SEVERITY_ERROR, FACILITY_CONTROL, 440);
    EXPECT_EQ(ErrorFromException(control).number(), 440);
    EXCEPINFO denied{};
    denied.scode = E_ACCESSDENIED;
    const std::pair<Error, HRESULT> bare_failures[] = {{ErrorFromException(denied), E_ACCESSDENIED},
                                                       {ErrorFromStatus(E_OUTOFMEMORY), E_OUTOFMEMORY}};
    for (const auto& [bare, status] : bare_failures) {
        EXPECT_EQ(bare.number(), static_cast<std::int32_t>(status));
        EXPECT_FALSE(bare.description().empty());
        EXPECT_NE(bare.description().back(), L'\n');
    }
    // A system call that failed without setting a last error still fails.
    SetLastError(ERROR_SUCCESS);
    EXPECT_EQ(ErrorFromLastError().number(), -2147467259);  // E_FAIL
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    EXPECT_EQ(ErrorFromLastError().number(), -2147023496);  // 0x80070578
    // The host's interfaces registered for programs of the other bitness only.
    EXPECT_EQ(InterfaceNotRegistered(REGDB_E_IIDNOTREG, 32, true).description(),
              L"Die Schnittstellen von Solid Edge sind für 32-Bit-Programme nicht registriert. Verwenden Sie die "
              L"64-Bit-Version von Marsitel.");
    EXPECT_EQ(InterfaceNotRegistered(REGDB_E_IIDNOTREG, 64, true).description(),
              L"Die Schnittstellen von Solid Edge sind für 64-Bit-Programme nicht registriert. Verwenden Sie die "
              L"32-Bit-Version von Marsitel.");
}

TEST(ValueConversion, FailuresAreTypeMismatchOverflowOrObjectNotSet) {
    EXPECT_EQ(Value(Variant::Text(L"42")).Int32(), 42);
    EXPECT_EQ(ErrorNumber([] { Value(Variant::Text(L"Welle")).Int32(); }), 13);
    EXPECT_EQ(ErrorNumber([] { Value(Variant::Long(1)).Object(); }), 13);
    EXPECT_EQ(ErrorNumber([] { NullValue().Text(); }), 13);
    const DispatchObject nothing = Value(Variant()).Object();
    EXPECT_TRUE(nothing.empty());
    EXPECT_TRUE(nothing.As(IID_IDispatch).empty());
    EXPECT_EQ(ErrorNumber([&] { nothing.Get(1); }), error_number::kObjectNotSet);
}

}  // namespace
}  // namespace marsitel::host
