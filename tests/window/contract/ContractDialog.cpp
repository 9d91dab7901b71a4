#include "tests/window/contract/ContractDialog.h"

#include <array>

namespace corvid::window::contract {

namespace {

constexpr ControlStyle FIELD =
    ControlStyle::BORDER | ControlStyle::AUTO_HORIZONTAL_SCROLL | ControlStyle::TAB_STOP;
constexpr ControlStyle SPIN = ControlStyle::ALIGN_RIGHT | ControlStyle::ARROW_KEYS;

constexpr std::array CONTRACT_CONTROLS{
    ControlTemplate{CAPTION_LABEL, ControlKind::STATIC_TEXT, "Label", 5, 5, 60, 9,
                    ControlStyle::ALIGN_LEFT},
    ControlTemplate{NAME_EDIT, ControlKind::EDIT, "", 5, 16, 120, 12, FIELD},
    ControlTemplate{NUMBER_EDIT, ControlKind::EDIT, "", 130, 16, 23, 12,
                    FIELD | ControlStyle::NUMBER},
    ControlTemplate{WRAP_SPIN, ControlKind::UP_DOWN, "Spin1", 155, 16, 10, 12,
                    SPIN | ControlStyle::WRAP},
    ControlTemplate{STOP_SPIN, ControlKind::UP_DOWN, "Spin2", 170, 16, 10, 12, SPIN},
    ControlTemplate{REPEAT_TOGGLE, ControlKind::CHECK_BOX, "Repeat", 5, 32, 40, 10,
                    ControlStyle::AUTO_CHECK | ControlStyle::PUSH_LIKE | ControlStyle::TAB_STOP},
    ControlTemplate{APPLY_BUTTON, ControlKind::PUSH_BUTTON, "Apply", 50, 32, 40, 13,
                    ControlStyle::DEFAULT_BUTTON | ControlStyle::TAB_STOP},
    ControlTemplate{OTHER_BUTTON, ControlKind::PUSH_BUTTON, "Other", 95, 32, 40, 13,
                    ControlStyle::TAB_STOP},
    ControlTemplate{POSITION_BAR, ControlKind::SCROLL_BAR, "", 5, 50, 200, 10,
                    ControlStyle::HORIZONTAL},
    ControlTemplate{ROWS_LIST, ControlKind::LIST_VIEW, "List1", 5, 64, 200, 120,
                    ControlStyle::BORDER | ControlStyle::REPORT | ControlStyle::SINGLE_SELECTION |
                        ControlStyle::SHOW_SELECTION_ALWAYS | ControlStyle::NO_SORT_HEADER},
};

}  // namespace

const DialogTemplate CONTRACT_DIALOG{
    .id = CONTRACT_DIALOG_ID,
    .caption = CONTRACT_CAPTION,
    .width = 210,
    .height = 190,
    .style = DialogStyle::POPUP | DialogStyle::VISIBLE | DialogStyle::CAPTION |
             DialogStyle::SYSTEM_MENU | DialogStyle::MINIMIZE_BOX | DialogStyle::SET_FONT,
    .font = {.name = "MS Sans Serif", .pointSize = 8},
    .controls = CONTRACT_CONTROLS,
};

}  // namespace corvid::window::contract
