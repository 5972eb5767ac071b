#pragma once
// Where the tests run. Wine forgives what Windows does not: an expectation that
// holds on only one of them says so, through RunningUnderWine() or one of the
// skips below, which give the reason in the test's output.
#include <windows.h>

#include <gtest/gtest.h>

namespace marsitel::testing {

// Wine's ntdll exports wine_get_version; Windows' does not.
inline bool RunningUnderWine() {
    const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    return ntdll && GetProcAddress(ntdll, "wine_get_version");
}

}  // namespace marsitel::testing

#define MARSITEL_SKIP_UNLESS_WINE(reason) \
    if (!::marsitel::testing::RunningUnderWine()) GTEST_SKIP() << "holds under Wine only: " << (reason)
// Windows' foreground lock may refuse a test the foreground it sets up: the
// case is then skipped. Wine never refuses, so there a refusal fails.
#define MARSITEL_SKIP_IF_WINDOWS_REFUSED_THE_FOREGROUND(granted)                                              \
    if (!(granted)) {                                                                                     \
        if (::marsitel::testing::RunningUnderWine()) FAIL() << "the foreground was refused under Wine";   \
        GTEST_SKIP() << "Windows' foreground lock kept the test from the window it put in front";         \
    }
