#pragma once

#include "platform/window/DialogTemplate.h"

namespace corvid::res {

// Template 100, the About box: a picture, the version line and credit lines
// in a frame, and the one button below it.
extern const window::DialogTemplate ABOUT_DIALOG;

}  // namespace corvid::res
