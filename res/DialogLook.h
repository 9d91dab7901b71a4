#pragma once

#include "platform/window/DialogTemplate.h"

namespace corvid::res {

// The font every dialog of the program is laid out in.
inline constexpr window::DialogFont DIALOG_FONT{.name = "MS Sans Serif", .pointSize = 8};

// A box the player opens over itself: captioned, with a close box, not resizable.
inline constexpr window::DialogStyle MODAL_BOX_STYLE =
    window::DialogStyle::POPUP | window::DialogStyle::CAPTION | window::DialogStyle::SYSTEM_MENU |
    window::DialogStyle::MODAL_FRAME | window::DialogStyle::SET_FONT;

}  // namespace corvid::res
