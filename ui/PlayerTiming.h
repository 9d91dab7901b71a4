#pragma once

#include "cdaudio/DiscTime.h"

namespace corvid::ui {

// The player window's one timer and the rhythm of its polling.
inline constexpr int TIMER_ID = 1;
inline constexpr int TIMER_PERIOD_MILLISECONDS = 200;
// One timer period in frames: the estimate's step.
inline constexpr int FRAMES_PER_TICK = FRAMES_PER_SECOND * TIMER_PERIOD_MILLISECONDS / 1000;
// Every tenth tick asks the drive instead of drawing.
inline constexpr int TICKS_PER_REFRESH = 10;

}  // namespace corvid::ui
