#pragma once

#include "platform/window/DialogTemplate.h"

namespace corvid::res {

// Template 104: the releases that hold the disc, one a row, to choose the one
// whose names the list takes.
extern const window::DialogTemplate NAMES_CHOOSER_DIALOG;

}  // namespace corvid::res
