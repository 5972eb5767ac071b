#pragma once
// The command line of simhost.exe.
#include <cstddef>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "simhost/calls.h"
#include "simhost/sample_models.h"

namespace simhost {

struct ProgramOptions {
    bool help = false;
    std::optional<std::wstring> scenario_file;
    std::optional<GeneratorOptions> generate;
    std::optional<std::wstring> save_file;
    std::optional<std::wstring> journal_file;
    std::optional<std::wstring> ready_event;
    std::optional<std::wstring> quit_event;
    std::vector<Fault> faults;  // in the order given
    std::size_t exit_after = 0;  // 0: never
    bool no_document = false;
    std::optional<std::wstring> active;
    std::optional<EnumeratorMode> enumerator;
    bool own_bitness = false;
    bool hidden = false;
};

class UsageError : public std::runtime_error {
public:
    explicit UsageError(std::wstring message);
    const std::wstring& message() const noexcept { return message_; }

private:
    std::wstring message_;
};

// Throws UsageError with a message that names the offending option.
ProgramOptions ParseProgramOptions(const std::vector<std::wstring>& args);
std::wstring ProgramHelpText();

// Exit codes of simhost.exe.
namespace exit_code {
inline constexpr int kClean = 0;
inline constexpr int kUsage = 2;         // bad command line, unreadable or invalid scenario
inline constexpr int kRefused = 3;       // the ProgID or an interface belongs to another program
inline constexpr int kRegistration = 4;  // registration failed otherwise
inline constexpr int kCallLimit = 5;     // ended abruptly by --exit-after
}  // namespace exit_code

}  // namespace simhost
