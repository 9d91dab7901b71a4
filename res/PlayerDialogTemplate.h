#pragma once

#include "platform/window/DialogTemplate.h"

namespace corvid::res {

// Template 102, the player window: 33 controls over the background picture.
// The six text labels are hidden because the picture carries their words.
extern const window::DialogTemplate PLAYER_DIALOG;

}  // namespace corvid::res
