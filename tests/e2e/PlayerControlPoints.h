#pragma once

#include <gtest/gtest.h>

#include <algorithm>

#include "res/PlayerDialogTemplate.h"
#include "tests/e2e/Desktop.h"

namespace corvid::testing {

// The reference dialog base units: pixels per dialog unit across and down.
inline constexpr double PIXELS_PER_UNIT_ACROSS = 1.5;
inline constexpr double PIXELS_PER_UNIT_DOWN = 1.625;

// The centre of a control of the player window, in its client pixels.
inline ScreenPoint ControlCentre(int controlId) {
    const auto& controls = res::PLAYER_DIALOG.controls;
    const auto control = std::find_if(controls.begin(), controls.end(),
                                      [&](const auto& one) { return one.id == controlId; });
    EXPECT_NE(control, controls.end());
    if (control == controls.end()) {
        return {};
    }
    return {static_cast<int>((control->x + control->width / 2.0) * PIXELS_PER_UNIT_ACROSS),
            static_cast<int>((control->y + control->height / 2.0) * PIXELS_PER_UNIT_DOWN)};
}

}  // namespace corvid::testing
