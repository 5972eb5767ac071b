#include "core/base/error.h"

#include <iterator>

namespace marsitel {
namespace {

std::wstring TrimLineEnd(std::wstring text) {
    while (!text.empty() && (text.back() == L'\r' || text.back() == L'\n' || text.back() == L' ')) {
        text.pop_back();
    }
    return text;
}

}  // namespace

std::wstring SystemErrorText(HRESULT status) {
    wchar_t buffer[512] = {};
    const DWORD length =
        FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, static_cast<DWORD>(status),
                       0, buffer, static_cast<DWORD>(std::size(buffer)), nullptr);
    std::wstring text = TrimLineEnd(std::wstring(buffer, length));
    return text.empty() ? std::wstring(kAutomationErrorText) : text;
}

Error ErrorFromStatus(HRESULT status) {
    return Error(static_cast<std::int32_t>(status), SystemErrorText(status));
}

Error ErrorFromLastError() {
    const DWORD code = GetLastError();
    return ErrorFromStatus(code == ERROR_SUCCESS ? E_FAIL : HRESULT_FROM_WIN32(code));
}

}  // namespace marsitel
