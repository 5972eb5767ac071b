#include "core/host/busy_policy.h"

#include <algorithm>

namespace marsitel::host {
namespace {

// How long the host may refuse before the notice shows: a short hiccup
// passes unseen.
constexpr Millis kRefusingNoticeDelay{2'000};
// How long the host may have a call without answering before the notice
// shows: the delay after which Windows' own busy dialog traditionally
// appears. Counted from COM's last retry, where the host refused first.
constexpr Millis kUnansweredNoticeDelay{5'000};
constexpr Millis kFirstPause{100};
constexpr Millis kLongestPause{1'000};

Decision Ends(WaitEnd end, std::optional<BusyReason> notice = std::nullopt) {
    return {end, Millis{0}, notice};
}
Decision Says(BusyReason notice) {
    return {WaitEnd::None, Millis{0}, notice};
}

// The pause grows with the time already waited, so that a short hiccup
// costs little and a long recompute is not flooded with calls; the last one
// ends at the bound, so that the call is tried once more then.
Decision Paced(Millis elapsed, Millis bound) {
    if (elapsed >= bound) return Ends(WaitEnd::BoundReached);
    const Millis pause = std::clamp(elapsed / 2, kFirstPause, kLongestPause);
    return {WaitEnd::None, std::min(pause, std::max(bound - elapsed, kFirstPause)), std::nullopt};
}

}  // namespace

bool IsStop(WaitEnd end) {
    return end == WaitEnd::Stopped || end == WaitEnd::StoppedUnanswered;
}

Decision DecideRefusal(const WaitFacts& facts, bool forGood, const BusyBounds& bounds) {
    if (forGood) return Ends(WaitEnd::RefusedForGood);
    // The last call waits out its own bound, unseen, whatever the user
    // asked before: that is what it is made for.
    if (facts.lastCall) return Paced(facts.elapsed, bounds.lastCall);
    if (IsStop(facts.earlierStop)) return Ends(facts.earlierStop);
    if (facts.stopAsked) return Ends(WaitEnd::Stopped, BusyReason::Ending);
    Decision decision = Paced(facts.elapsed, bounds.refused);
    if (facts.elapsed >= kRefusingNoticeDelay) {
        decision.notice = decision.end == WaitEnd::None ? BusyReason::Refusing : BusyReason::Ending;
    }
    return decision;
}

Decision DecideAnswered(const WaitFacts& facts) {
    if (facts.lastCall) return {};
    if (IsStop(facts.earlierStop)) return Ends(facts.earlierStop);
    if (facts.stopAsked) return Ends(WaitEnd::StoppedUnanswered, BusyReason::Ending);
    return {};
}

Decision DecideUnanswered(const WaitFacts& facts, const BusyBounds& bounds) {
    // COM holds a refused call back until its retry, which the next
    // refusal decides about.
    if (facts.elapsed < facts.retryAt) return {};
    if (facts.lastCall) return facts.elapsed >= bounds.lastCall ? Ends(WaitEnd::BoundReached) : Decision{};
    if (const Decision stop = DecideAnswered(facts); stop.end != WaitEnd::None) return stop;
    // No bound: a long recompute is legitimate.
    if (facts.elapsed - facts.retryAt >= kUnansweredNoticeDelay) return Says(BusyReason::NotAnswering);
    return {};
}

}  // namespace marsitel::host
