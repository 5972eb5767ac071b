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

// The pause grows with the time already waited, so that a short hiccup
// costs little and a long recompute is not flooded with calls; the last one
// ends at the bound, so that the call is tried once more then.
Decision Paced(Millis elapsed, Millis bound) {
    if (elapsed >= bound) return Decision{WaitEnd::BoundReached};
    const Millis pause = std::clamp(elapsed / 2, kFirstPause, kLongestPause);
    return {WaitEnd::None, std::min(pause, std::max(bound - elapsed, kFirstPause)), std::nullopt};
}

}  // namespace

bool IsStop(WaitEnd end) {
    return end == WaitEnd::Stopped || end == WaitEnd::StoppedUnanswered;
}

WaitEnd StopOn(BusyReason shown) {
    if (shown == BusyReason::Refusing) return WaitEnd::Stopped;
    return shown == BusyReason::NotAnswering ? WaitEnd::StoppedUnanswered : WaitEnd::None;
}

// The last call waits out its own bound, unseen, whatever the user asked
// before: that is what it is made for.
Decision DecideStop(const WaitFacts& facts) {
    return IsStop(facts.stop) && !facts.lastCall ? Decision{facts.stop} : Decision{};
}

Decision DecideRefusal(const WaitFacts& facts, bool forGood, const BusyBounds& bounds) {
    if (forGood) return Decision{WaitEnd::RefusedForGood};
    if (facts.lastCall) return Paced(facts.elapsed, bounds.lastCall);
    if (IsStop(facts.stop)) return Decision{facts.stop};
    Decision decision = Paced(facts.elapsed, bounds.refused);
    if (facts.elapsed >= kRefusingNoticeDelay) {
        decision.notice = decision.end == WaitEnd::None ? BusyReason::Refusing : BusyReason::Ending;
    }
    return decision;
}

Decision DecideUnanswered(const WaitFacts& facts, const BusyBounds& bounds) {
    if (facts.lastCall) return facts.elapsed >= bounds.lastCall ? Decision{WaitEnd::BoundReached} : Decision{};
    if (IsStop(facts.stop)) return Decision{facts.stop};
    // COM holds a refused call back until its retry, which the next
    // refusal decides about. No bound: a long recompute is legitimate.
    if (facts.elapsed >= facts.retryAt + kUnansweredNoticeDelay)
        return {WaitEnd::None, Millis{0}, BusyReason::NotAnswering};
    return {};
}

}  // namespace marsitel::host
