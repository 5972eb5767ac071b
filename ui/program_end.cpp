#include "ui/program_end.h"

#include <windows.h>

#include <new>

#include "core/base/app_title.h"
#include "core/base/error.h"
#include "core/host/error_mapping.h"
#include "ui/message_box.h"

namespace marsitel::ui {
namespace {

// Numbers of the run-time errors that are not the program's own errors.
constexpr std::int32_t kInternalError = 51;

// A host may put a whole log or stack trace into a description. The report
// shows its beginning, so that the box with its number and OK stays on the
// screen; and it breaks a word that no line could hold, which the box would
// otherwise widen beyond the screen.
constexpr std::size_t kLongestDescription = 1000;
constexpr std::size_t kLongestWord = 64;
constexpr wchar_t kEllipsis[] = L"\u2026";

std::wstring CutAtBlank(const std::wstring& text) {
    std::size_t end = text.rfind(L' ', kLongestDescription);
    if (end == std::wstring::npos || end == 0) end = kLongestDescription;
    while (end > 0 && text[end - 1] == L' ') --end;
    return text.substr(0, end) + kEllipsis;
}

std::wstring BreakLongWords(const std::wstring& text) {
    std::wstring result;
    std::size_t wordLength = 0;
    for (const wchar_t c : text) {
        const bool blank = c == L' ' || c == L'\r' || c == L'\n' || c == L'\t';
        if (!blank && wordLength == kLongestWord) {
            result += L"\r\n";
            wordLength = 0;
        }
        wordLength = blank ? 0 : wordLength + 1;
        result += c;
    }
    return result;
}

std::wstring ShownDescription(const std::wstring& description) {
    return BreakLongWords(description.size() > kLongestDescription ? CutAtBlank(description) : description);
}

// "Laufzeitfehler '<number>':", an empty line, then the description: of a
// very long one its first thousand characters or so, cut at a blank and
// ended with "…", and a word too long for any line broken.
std::wstring FormatRuntimeErrorText(std::int32_t number, const std::wstring& description) {
    return L"Laufzeitfehler '" + std::to_wstring(number) + L"':\r\n\r\n" + ShownDescription(description);
}

}  // namespace

void ReportRuntimeError(std::int32_t number, const std::wstring& description, ProgramEnd& end) noexcept {
    try {
        const std::wstring text = FormatRuntimeErrorText(number, description);
        // Topmost, because the program's own windows are topmost and the
        // report must not end up behind one of them. A key typed while the
        // program was busy must not close it unread.
        ShowFreshMessageBox(nullptr, text.c_str(), kAppTitle, MB_ICONERROR | MB_OK | MB_TOPMOST | MB_SETFOREGROUND);
    } catch (...) {
        ShowFreshMessageBox(nullptr, L"Laufzeitfehler", kAppTitle, MB_ICONERROR | MB_OK | MB_TOPMOST);
    }
    end.End(1);
}

void ReportCurrentException(ProgramEnd& end) noexcept {
    try {
        throw;
    } catch (const host::BusyWaitStoppedError& stop) {
        // What the user chose is no failure of the program's: a warning.
        ShowFreshWarning(stop.description().c_str());
        end.End(1);
    } catch (const Error& error) {
        ReportRuntimeError(error.number(), error.description(), end);
    } catch (const std::bad_alloc&) {
        ReportRuntimeError(error_number::kOutOfMemory, L"Nicht genügend Speicher", end);
    } catch (...) {
        ReportRuntimeError(kInternalError, L"Interner Fehler", end);
    }
}

}  // namespace marsitel::ui
