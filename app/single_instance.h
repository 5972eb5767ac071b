#pragma once
#include <windows.h>

namespace marsitel {

// What an attempt to create the program's claim says about other copies.
enum class ClaimAnswer {
    First,        // created: no other copy runs
    AnotherCopy,  // it exists already, or exists and is closed to us
    Unknown,      // no claim for another reason: no telling
};

// `created` tells whether CreateMutex gave a handle, `lastError` what it
// left behind. A copy started with administrator rights makes the claim
// with security that keeps copies without them out: access denied means
// that copy runs.
ClaimAnswer ClaimAnswerOf(bool created, DWORD lastError) noexcept;

// One copy of the program per session. True when another copy is running:
// its front window (splash, dialog, progress window or a message box of it)
// has been brought to the front, and this start is to end at once, before
// any window of its own and without touching the host. False for the first
// copy, which keeps its claim until it ends.
bool HandedOverToRunningCopy() noexcept;

}  // namespace marsitel
