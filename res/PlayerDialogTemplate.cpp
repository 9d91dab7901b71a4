#include "res/PlayerDialogTemplate.h"

#include <array>

#include "res/ControlIds.h"

namespace corvid::res {

namespace {

using window::ControlKind;
using window::ControlStyle;
using window::ControlTemplate;
using window::DialogStyle;

constexpr ControlStyle TAB = ControlStyle::TAB_STOP;
constexpr ControlStyle FIELD =
    ControlStyle::BORDER | ControlStyle::AUTO_HORIZONTAL_SCROLL | ControlStyle::TAB_STOP;
constexpr ControlStyle NUMBER_FIELD = FIELD | ControlStyle::NUMBER;
// No buddy integer: the window writes the numbers into the fields itself.
constexpr ControlStyle POSITION_SPIN = ControlStyle::WRAP | ControlStyle::ALIGN_RIGHT |
                                       ControlStyle::AUTO_BUDDY | ControlStyle::ARROW_KEYS;
constexpr ControlStyle STATUS =
    ControlStyle::ALIGN_LEFT | ControlStyle::SUNKEN | ControlStyle::NOTIFY | ControlStyle::GROUP;
constexpr ControlStyle LABEL = ControlStyle::HIDDEN;

constexpr ControlKind BUTTON = ControlKind::PUSH_BUTTON;
constexpr ControlKind EDIT = ControlKind::EDIT;
constexpr ControlKind SPIN = ControlKind::UP_DOWN;
constexpr ControlKind TEXT = ControlKind::STATIC_TEXT;

constexpr std::array PLAYER_CONTROLS{
    ControlTemplate{ALBUM_EDIT, EDIT, "", 49, 33, 159, 12, FIELD},
    ControlTemplate{ARTIST_EDIT, EDIT, "", 49, 46, 159, 12, FIELD},
    ControlTemplate{NAME_EDIT, EDIT, "", 5, 228, 159, 12, FIELD},
    ControlTemplate{MINUTE_EDIT, EDIT, "", 166, 228, 23, 12, NUMBER_FIELD},
    ControlTemplate{MINUTE_SPIN, SPIN, "Spin1", 174, 225, 10, 12, POSITION_SPIN},
    ControlTemplate{SECOND_EDIT, EDIT, "", 190, 228, 23, 12, NUMBER_FIELD},
    ControlTemplate{SECOND_SPIN, SPIN, "Spin1", 201, 225, 11, 12, POSITION_SPIN},
    ControlTemplate{FRAME_EDIT, EDIT, "", 214, 228, 23, 12, NUMBER_FIELD},
    ControlTemplate{FRAME_SPIN, SPIN, "Spin1", 226, 225, 11, 12, POSITION_SPIN},
    ControlTemplate{REPEAT_TOGGLE, ControlKind::CHECK_BOX, "Repeat", 240, 219, 35, 10,
                    ControlStyle::AUTO_CHECK | ControlStyle::PUSH_LIKE | TAB},
    ControlTemplate{UPDATE_BUTTON, BUTTON, "Update!", 240, 229, 35, 13,
                    ControlStyle::DEFAULT_BUTTON | TAB},
    ControlTemplate{INSERT_SUBTRACK_BUTTON, BUTTON, "Insert new subtrack", 5, 245, 89, 15, TAB},
    ControlTemplate{DELETE_SUBTRACK_BUTTON, BUTTON, "Delete this subtrack", 97, 245, 88, 15, TAB},
    ControlTemplate{LOAD_TRACKS_BUTTON, BUTTON, "Load tracks", 188, 245, 44, 15, TAB},
    ControlTemplate{SAVE_TRACKS_BUTTON, BUTTON, "Save tracks", 232, 245, 44, 15, TAB},
    ControlTemplate{PREVIOUS_TRACK_BUTTON, BUTTON, "|<", 6, 19, 11, 10, TAB},
    ControlTemplate{POSITION_SCROLL_BAR, ControlKind::SCROLL_BAR, "", 17, 19, 248, 10,
                    ControlStyle::HORIZONTAL},
    ControlTemplate{NEXT_TRACK_BUTTON, BUTTON, ">|", 265, 19, 11, 10, TAB},
    ControlTemplate{PLAY_STOP_BUTTON, BUTTON, "Play/Stop", 216, 34, 48, 13, TAB},
    ControlTemplate{EJECT_BUTTON, BUTTON, "Eject", 216, 47, 24, 13, TAB},
    ControlTemplate{INJECT_BUTTON, BUTTON, "Inject", 240, 47, 24, 13, TAB},
    // Vertical, with no buddy: its clicks change the volume.
    ControlTemplate{VOLUME_SPIN, SPIN, "Spin1", 266, 34, 11, 16, ControlStyle::ARROW_KEYS},
    ControlTemplate{ABOUT_BUTTON, BUTTON, "?", 266, 50, 11, 10, TAB},
    ControlTemplate{STATUS_TEXT, TEXT, "Initializing...", 6, 6, 71, 10, STATUS},
    ControlTemplate{POSITION_TEXT, TEXT, "88:88 (88:88)", 79, 6, 46, 10, STATUS},
    ControlTemplate{SUBTRACK_TEXT, TEXT, "", 127, 6, 149, 10, STATUS},
    ControlTemplate{UNADDRESSED_CONTROL_ID, TEXT, "Album", 5, 35, 42, 9, LABEL},
    ControlTemplate{UNADDRESSED_CONTROL_ID, TEXT, "Artist/Group", 5, 48, 42, 10, LABEL},
    ControlTemplate{TRACK_LIST, ControlKind::LIST_VIEW, "List1", 6, 64, 270, 151,
                    ControlStyle::BORDER | ControlStyle::REPORT | ControlStyle::SINGLE_SELECTION |
                        ControlStyle::SHOW_SELECTION_ALWAYS | ControlStyle::NO_SORT_HEADER},
    ControlTemplate{UNADDRESSED_CONTROL_ID, TEXT, "Name of Track/Subtrack", 6, 219, 136, 9, LABEL},
    ControlTemplate{UNADDRESSED_CONTROL_ID, TEXT, "Min", 167, 219, 14, 9, LABEL},
    ControlTemplate{UNADDRESSED_CONTROL_ID, TEXT, "Sec", 190, 219, 15, 9, LABEL},
    ControlTemplate{UNADDRESSED_CONTROL_ID, TEXT, "Frame", 214, 219, 22, 9, LABEL},
};

}  // namespace

const window::DialogTemplate PLAYER_DIALOG{
    .id = PLAYER_DIALOG_ID,
    // Window managers draw no letter of the icon before a caption, so the
    // caption names the player in full.
    .caption = "Corvid Player",
    .width = 282,
    .height = 265,
    .style = DialogStyle::POPUP | DialogStyle::VISIBLE | DialogStyle::CAPTION |
             DialogStyle::SYSTEM_MENU | DialogStyle::MINIMIZE_BOX | DialogStyle::MAXIMIZE_BOX |
             DialogStyle::SET_FONT | DialogStyle::THREE_D_LOOK | DialogStyle::SET_FOREGROUND |
             DialogStyle::APP_WINDOW,
    .font = {.name = "MS Sans Serif", .pointSize = 8},
    .controls = PLAYER_CONTROLS,
};

}  // namespace corvid::res
