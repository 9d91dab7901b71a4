#pragma once

#include "platform/window/DialogTemplate.h"

namespace corvid::window::contract {

// A small dialog with a control of each kind the player uses.
inline constexpr int CONTRACT_DIALOG_ID = 900;
inline constexpr int CAPTION_LABEL = 901;
inline constexpr int NAME_EDIT = 902;      // plain edit, the first tab stop
inline constexpr int NUMBER_EDIT = 903;    // digits only from the keyboard
inline constexpr int REPEAT_TOGGLE = 904;  // push-like auto check box
inline constexpr int APPLY_BUTTON = 905;   // the default button
inline constexpr int OTHER_BUTTON = 906;
inline constexpr int WRAP_SPIN = 907;  // up-down with WRAP
inline constexpr int STOP_SPIN = 908;  // up-down without WRAP
inline constexpr int POSITION_BAR = 909;
inline constexpr int ROWS_LIST = 910;

inline constexpr const char* CONTRACT_CAPTION = "Contract Dialog";

extern const DialogTemplate CONTRACT_DIALOG;

}  // namespace corvid::window::contract
