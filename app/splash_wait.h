#pragma once
// The start-up wait while the splash is up.
#include <chrono>
#include <functional>

namespace marsitel {

inline constexpr std::chrono::seconds kSplashBound{10};

// Processes window events while fewer than `bound` has elapsed since `start`
// and `visible` holds; tests first, and rests between tests until a message
// arrives or the time is up.
void WaitWhileSplashVisible(const std::function<bool()>& visible, std::chrono::steady_clock::time_point start,
                            std::chrono::steady_clock::duration bound = kSplashBound);

}  // namespace marsitel
