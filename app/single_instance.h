#pragma once
// One copy of the program per user and session. The claim is a mutex whose
// name carries the user's SID, so that neither another user of the session
// nor another program's object of a like name stops a start.
#include <windows.h>

#include <chrono>
#include <optional>
#include <string>
#include <string_view>

namespace marsitel {

// The claim's name for the user with the SID `sid` (in its string form).
std::wstring ClaimNameFor(std::wstring_view sid);
// The claim's name for the user this program runs as; empty when the token
// does not tell the user.
std::wstring ClaimNameOfThisUser();

// What a start does after its attempt to create the claim.
enum class ClaimStep {
    Start,               // the claim is ours, or there is no telling: the program runs
    OpenForSynchronize,  // closed to us: a copy with administrator rights holds it
    LookForCopy,         // another copy of this user holds it
};

// `created` tells whether CreateMutex gave a handle, `lastError` what it
// left behind.
ClaimStep StepAfterCreate(bool created, DWORD lastError) noexcept;

// What a start does after one look for the running copy's window.
enum class LookStep {
    TakeOver,      // that copy has ended: the claim is this one's now
    BringForward,  // its window is found: bring it to the front and end
    LookAgain,
    SayNoWindow,  // no window for the whole look: tell the user, and end
};

// `looked`: how long this start has looked, up to this look; `claimLeft`:
// whether the running copy has left the claim; `windowFound`: whether a
// visible window of it was found.
LookStep StepAfterLook(std::chrono::milliseconds looked, bool claimLeft, bool windowFound) noexcept;

// Nothing for the first copy, which holds its claim until it ends. When
// another copy runs, the exit code this start ends with, at once, before any
// window of its own and without touching the host: 0 once that copy's front
// window (splash, dialog, progress window or a message box of it) has been
// brought to the front, 1 after telling the user that it shows none.
std::optional<int> HandOverToRunningCopy() noexcept;

}  // namespace marsitel
