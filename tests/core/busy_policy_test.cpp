// The rules of the waits for a busy or unanswering host, in literal times:
// what each question about a call gets for an answer.
#include <gtest/gtest.h>

#include "core/host/busy_policy.h"

namespace marsitel::host {
namespace {

using std::chrono::milliseconds;
using Reason = std::optional<BusyReason>;
constexpr auto kNone = std::nullopt;
constexpr auto kRefusing = BusyReason::Refusing;
constexpr auto kNotAnswering = BusyReason::NotAnswering;
constexpr auto kEnding = BusyReason::Ending;

struct Case {
    const char* name;
    WaitFacts facts;
    WaitEnd end;
    int pause;  // milliseconds; after a refusal only
    Reason notice;
};

WaitFacts At(int elapsed, int retryAt = 0) { return {milliseconds(elapsed), milliseconds(retryAt)}; }
// After the user's stop, in the words of the notice it was pressed on.
WaitFacts After(WaitEnd stop, WaitFacts facts) {
    facts.stop = stop;
    return facts;
}
WaitFacts Last(WaitFacts facts) {
    facts.lastCall = true;
    return facts;
}

void Expect(const Case& c, const Decision& decision, bool refusal) {
    EXPECT_EQ(decision.end, c.end) << c.name;
    if (refusal) {
        EXPECT_EQ(decision.pause.count(), c.pause) << c.name;
    }
    EXPECT_EQ(decision.notice, c.notice) << c.name;
}

// The pause is half the time waited, from 0.1 s to 1 s, and the last one
// ends at the bound; the notice from two seconds on.
TEST(BusyPolicy, ARefusedCallIsTriedAgainAfterAGrowingPauseUntilTheBoundOrTheUsersStop) {
    const Case cases[] = {
        {"first refusal", At(0), WaitEnd::None, 100, kNone},
        {"one second", At(1000), WaitEnd::None, 500, kNone},
        {"just before the notice", At(1999), WaitEnd::None, 999, kNone},
        {"the notice", At(2000), WaitEnd::None, 1000, kRefusing},
        {"the last pause ends at the bound", At(59500), WaitEnd::None, 500, kRefusing},
        {"but lasts 0.1 s at least", At(59950), WaitEnd::None, 100, kRefusing},
        {"the bound", At(60000), WaitEnd::BoundReached, 0, kEnding},
        {"the user's stop", After(WaitEnd::Stopped, At(2500)), WaitEnd::Stopped, 0, kNone},
        {"a stop on the other notice", After(WaitEnd::StoppedUnanswered, At(0)), WaitEnd::StoppedUnanswered, 0, kNone},
        {"the last call, unseen", Last(At(2500)), WaitEnd::None, 500, kNone},
        {"the last call after a stop", Last(After(WaitEnd::Stopped, At(2900))), WaitEnd::None, 100, kNone},
        {"the last call's bound", Last(At(3000)), WaitEnd::BoundReached, 0, kNone},
    };
    for (const Case& c : cases) Expect(c, DecideRefusal(c.facts, false, BusyBounds{}), true);
    Expect({"refused for good", At(2500), WaitEnd::RefusedForGood, 0, kNone}, DecideRefusal(At(2500), true, {}), true);
    // A bound of a second and a half, reached before the notice was due.
    Expect({"a shorter bound", At(1500), WaitEnd::BoundReached, 0, kNone},
           DecideRefusal(At(1500), false, {milliseconds(1500), milliseconds(3000)}), true);
}

// No bound but the last call's; the notice five seconds after the call
// went out, or after COM's last retry of it.
TEST(BusyPolicy, AnUnansweredCallIsWaitedForUntilTheUserStopsIt) {
    const Case cases[] = {
        {"before the notice", At(4999), WaitEnd::None, 0, kNone},
        {"the notice", At(5000), WaitEnd::None, 0, kNotAnswering},
        {"no bound", At(900000), WaitEnd::None, 0, kNotAnswering},
        {"five seconds after COM's retry, not before", At(7999, 3000), WaitEnd::None, 0, kNone},
        {"five seconds after COM's retry", At(8000, 3000), WaitEnd::None, 0, kNotAnswering},
        {"the user's stop", After(WaitEnd::StoppedUnanswered, At(100)), WaitEnd::StoppedUnanswered, 0, kNone},
        {"a stop on the refusing notice before COM's retry", After(WaitEnd::Stopped, At(2100, 3000)),
         WaitEnd::Stopped, 0, kNone},
        {"the last call, unseen", Last(At(2999)), WaitEnd::None, 0, kNone},
        {"the last call after a stop", Last(After(WaitEnd::StoppedUnanswered, At(100))), WaitEnd::None, 0, kNone},
        {"the last call's bound", Last(At(3000)), WaitEnd::BoundReached, 0, kNone},
    };
    for (const Case& c : cases) Expect(c, DecideUnanswered(c.facts, BusyBounds{}), false);
}

// Whatever became of the call (answered, failed, between two attempts), the
// user's stop ends it, in the words of the notice it was pressed on.
TEST(BusyPolicy, TheUsersStopEndsEveryWaitButTheLastCallInTheWordsOfTheNoticePressed) {
    const Case cases[] = {
        {"no stop", At(0), WaitEnd::None, 0, kNone},
        {"the user's stop", After(WaitEnd::Stopped, At(0)), WaitEnd::Stopped, 0, kNone},
        {"the last call", Last(After(WaitEnd::Stopped, At(0))), WaitEnd::None, 0, kNone},
    };
    for (const Case& c : cases) Expect(c, DecideStop(c.facts), false);
    EXPECT_EQ(StopOn(BusyReason::Refusing), WaitEnd::Stopped);
    EXPECT_EQ(StopOn(BusyReason::NotAnswering), WaitEnd::StoppedUnanswered);
    EXPECT_EQ(StopOn(BusyReason::Ending), WaitEnd::None);
}

}  // namespace
}  // namespace marsitel::host
