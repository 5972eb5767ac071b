#pragma once
// The rules of the waits for a busy or unanswering host: the pauses between
// attempts, when the notice shows and what it says, and when a wait ends.
// Plain C++ without system headers; busy_host.cpp carries the decisions out.
#include <chrono>
#include <optional>

namespace marsitel::host {

using Millis = std::chrono::milliseconds;

// How long the waits of a run or a readiness check may last: a call that the
// host keeps refusing as busy, and the last call after a failure (the walk
// flag's reset), which must not hold back the report of that failure.
struct BusyBounds {
    Millis refused{60'000};
    Millis lastCall{3'000};
};

enum class BusyReason {
    Refusing,      // the host rejects the calls as busy
    NotAnswering,  // the host has taken a call and not come back
    Ending,        // the wait has ended without an answer: the program ends
};

enum class WaitEnd {
    None,               // still waiting, or answered
    Stopped,            // the user stopped it on the notice of a refusing host
    StoppedUnanswered,  // the user stopped it on the notice of a host that did not answer
    BoundReached,
    RefusedForGood,  // the host rejected the call outright, not as busy
};

// What a wait knows when it decides.
struct WaitFacts {
    Millis elapsed{0};  // since the call began
    // When COM sends a refused call again (it retries on its own on Windows).
    Millis retryAt{0};
    // The user's stop of this thread's waits, in the words of the notice
    // it was pressed on: every wait ends so, at once, but the last call.
    WaitEnd stop = WaitEnd::None;
    bool lastCall = false;  // the last call after a failure
};

struct Decision {
    WaitEnd end = WaitEnd::None;
    Millis pause{0};  // after a refusal that does not end the wait
    // What the notice is to say from now on; nothing: as it is.
    std::optional<BusyReason> notice{};
};

// The host has refused the call: as busy, or `forGood`.
Decision DecideRefusal(const WaitFacts& facts, bool forGood, const BusyBounds& bounds);
// The host has the call and has not answered it: a decision without an end
// means to keep waiting, one with an end to cancel the call.
Decision DecideUnanswered(const WaitFacts& facts, const BusyBounds& bounds);
// Whether the user's stop ends the wait now, whatever became of the call
// (answered, failed, or between two attempts).
Decision DecideStop(const WaitFacts& facts);
// The stop pressed on a notice that says `shown`; none on one that says
// the program ends.
WaitEnd StopOn(BusyReason shown);

bool IsStop(WaitEnd end);

}  // namespace marsitel::host
