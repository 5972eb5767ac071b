#include "ui/program_end.h"

#include "core/app_title.h"
#include "core/error.h"
#include "core/input_queue.h"

#include <windows.h>

#include <new>

namespace marsitel::ui {
namespace {

std::function<void(unsigned)>& EndHandler() {
    static std::function<void(unsigned)> handler;
    return handler;
}

// Numbers of the run-time errors that are not the program's own errors.
constexpr std::int32_t kInternalError = 51;

}  // namespace

void EndProgram(unsigned exitCode) noexcept {
    auto& handler = EndHandler();
    if (handler) {
        try {
            handler(exitCode);
            return;
        } catch (...) {
        }
    }
    ExitProcess(exitCode);
}

void SetProgramEndHandler(std::function<void(unsigned)> handler) {
    EndHandler() = std::move(handler);
}

std::wstring FormatRuntimeErrorText(std::int32_t number, const std::wstring& description) {
    return L"Laufzeitfehler '" + std::to_wstring(number) + L"':\r\n\r\n" + description;
}

void ReportRuntimeError(std::int32_t number, const std::wstring& description) noexcept {
    try {
        const std::wstring text = FormatRuntimeErrorText(number, description);
        // Topmost, because the program's own windows are topmost and the
        // report must not end up behind one of them. A key typed while the
        // program was busy must not close it unread.
        ShowFreshMessageBox(nullptr, text.c_str(), kAppTitle, MB_ICONERROR | MB_OK | MB_TOPMOST | MB_SETFOREGROUND);
    } catch (...) {
        ShowFreshMessageBox(nullptr, L"Laufzeitfehler", kAppTitle, MB_ICONERROR | MB_OK | MB_TOPMOST);
    }
    EndProgram(1);
}

void ReportCurrentException() noexcept {
    try {
        throw;
    } catch (const Error& error) {
        ReportRuntimeError(error.number(), error.description());
    } catch (const std::bad_alloc&) {
        ReportRuntimeError(error_number::kOutOfMemory, L"Nicht genügend Speicher");
    } catch (...) {
        ReportRuntimeError(kInternalError, L"Interner Fehler");
    }
}

}  // namespace marsitel::ui
