#pragma once
// The rules of the waits for a busy or unanswering host: the pauses between
// attempts, when the notice shows and what it says, and when a wait ends.
// Plain C++ without system headers; busy_host.cpp carries the decisions out
// through COM.
#include <chrono>
#include <optional>

namespace marsitel::host {

using Millis = std::chrono::milliseconds;

// How long the waits of a run or a readiness check may last.
struct BusyBounds {
    // A call that the host keeps refusing as busy.
    Millis refused{60'000};
    // The last call after a failure (the walk flag's reset), refused or
    // unanswered: it must not hold back the report of that failure.
    Millis lastCall{3'000};
};

enum class BusyReason {
    Refusing,      // the host rejects the calls as busy
    NotAnswering,  // the host has taken a call and not come back
    Ending,        // the wait has ended without an answer: the program ends
};

enum class WaitEnd {
    None,               // still waiting, or answered
    Stopped,            // the user stopped it while the host refused the call
    StoppedUnanswered,  // the user stopped it while the host had the call
    BoundReached,
    RefusedForGood,  // the host rejected the call outright, not as busy
};

// What a wait knows when it decides.
struct WaitFacts {
    Millis elapsed{0};  // since the attempt COM asks about began
    // When COM sends a refused call again (it retries on its own on
    // Windows); until then its questions concern a call held back.
    Millis retryAt{0};
    bool stopAsked = false;  // the notice's button was pressed
    // A wait of this thread ended by the user's stop: every other wait ends
    // the same way, at once.
    WaitEnd earlierStop = WaitEnd::None;
    bool lastCall = false;  // the last call after a failure
};

struct Decision {
    WaitEnd end = WaitEnd::None;
    // After a refusal that does not end the wait: the pause before the next
    // attempt.
    Millis pause{0};
    // What the notice is to say from now on; nothing: as it is.
    std::optional<BusyReason> notice;
};

// The host has refused the call: as busy, or `forGood`.
Decision DecideRefusal(const WaitFacts& facts, bool forGood, const BusyBounds& bounds);
// The host has the call and has not answered it: a decision without an end
// means to keep waiting, one with an end to cancel the call.
Decision DecideUnanswered(const WaitFacts& facts, const BusyBounds& bounds);
// The call came back, answered or failed: the user's stop ends its wait all
// the same, whatever became of the call.
Decision DecideAnswered(const WaitFacts& facts);

bool IsStop(WaitEnd end);

}  // namespace marsitel::host
