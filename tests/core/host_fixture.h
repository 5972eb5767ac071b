#pragma once
// Runs the procedures against the simulated host registered in this process,
// so that the real attach path (ProgID, running object table) is used. The
// host's journal and the progress writes are merged into one log in the
// order they happened.
#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "com_apartment.h"
#include "core/host/error.h"
#include "message_box_watcher.h"
#include "recording_progress.h"
#include "simhost/host.h"

namespace marsitel::testing {

std::wstring JournalLine(const simhost::JournalEntry& entry);

// Reports the first line where the two differ, with the lines around it.
void ExpectSameLines(const std::vector<std::wstring>& actual, const std::vector<std::wstring>& expected);

class HostTest : public ::testing::Test {
protected:
    void TearDown() override;

    simhost::Host& StartHost(std::wstring_view scenario);
    // One run; the merged log is in log_. Returns the error that ended it.
    std::optional<Error> Run(std::int16_t level, bool ground);
    std::optional<Error> Run(FixedOptions& options);
    // The readiness check alone; its journal lines are in log_.
    bool CheckReady();

    // Lines of log_ that start with `prefix`.
    std::vector<std::wstring> LinesStartingWith(std::wstring_view prefix) const;
    int CountLines(std::wstring_view line) const;

    ComApartment apartment_;
    std::unique_ptr<simhost::Host> host_;
    MessageBoxWatcher watcher_;
    std::vector<std::wstring> log_;

private:
    void FlushJournal(std::vector<std::wstring>& log);
    std::size_t journal_read_ = 0;
};

}  // namespace marsitel::testing
