#pragma once

#include <chrono>
#include <functional>

namespace corvid::testing {

inline constexpr std::chrono::milliseconds EVENT_LOOP_FAILSAFE{10'000};

// Runs the Qt event loop until `condition` holds or `failsafe` of real time
// has passed (a broken test then fails instead of hanging); true when it held.
bool PumpUntil(const std::function<bool()>& condition,
               std::chrono::milliseconds failsafe = EVENT_LOOP_FAILSAFE);

}  // namespace corvid::testing
