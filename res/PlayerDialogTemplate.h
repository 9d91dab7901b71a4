#pragma once

#include <span>
#include <string_view>

#include "platform/window/DialogTemplate.h"

namespace corvid::res {

// A hidden label of the player's template and the word the background picture
// paints in its place. The word is also the name a screen reader gives the
// field beside it.
struct PaintedLabel {
    std::string_view labelText;
    std::string_view word;
};

std::span<const PaintedLabel> PlayerPaintedLabels();

// Template 102, the player window: 33 controls over the background picture.
// The six text labels are hidden because the picture carries their words.
extern const window::DialogTemplate PLAYER_DIALOG;

}  // namespace corvid::res
