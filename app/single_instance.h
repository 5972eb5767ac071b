#pragma once
// One copy of the program per user and session. The claim is a mutex of the
// session's (Local\) whose name carries the user's SID, so that neither
// another user of the session nor another program's object of a like name
// stops a start.
#include <windows.h>

#include <chrono>
#include <optional>
#include <string>

#include "shared/unique_handle.h"

namespace marsitel {

// Empty when the token does not tell the user.
std::wstring ClaimNameOfThisUser();

// After an attempt to create the claim (`created`: whether CreateMutex gave a
// handle, `lastError`: what it left behind), whether another copy holds it.
// An elevated copy's claim is closed to a copy without administrator rights.
bool HeldByAnotherCopy(bool created, DWORD lastError) noexcept;

// What a start does after one look for the running copy's visible window;
// `looked`: how long it has looked, this look included.
enum class LookStep { BringForward, LookAgain, SayNoWindow };
LookStep StepAfterLook(std::chrono::steady_clock::duration looked, bool windowFound) noexcept;

// Nothing for the first copy, which is given the claim in `claim` and holds
// it until it ends. When another copy runs, the exit code this start ends
// with, at once, before any window of its own and without touching the host:
// 0 once that copy's front window (splash, dialog, progress window or a
// message box of it) has been brought to the front, 1 after telling the user
// that it shows none.
std::optional<int> HandOverToRunningCopy(UniqueHandle& claim) noexcept;

}  // namespace marsitel
