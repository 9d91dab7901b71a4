#include "res/PlayerDialogTemplate.h"

#include <array>

#include "res/ControlIds.h"
#include "res/DialogLook.h"

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

constexpr PaintedLabel ALBUM_LABEL{"Album", "Album"};
// The picture says "Artist" where the hidden label says "Artist/Group".
constexpr PaintedLabel ARTIST_LABEL{"Artist/Group", "Artist"};
constexpr PaintedLabel NAME_LABEL{"Name of Track/Subtrack", "Name of Track/Subtrack"};
constexpr PaintedLabel MINUTE_LABEL{"Min", "Min"};
constexpr PaintedLabel SECOND_LABEL{"Sec", "Sec"};
constexpr PaintedLabel FRAME_LABEL{"Frame", "Frame"};

constexpr std::array PAINTED_LABELS{ALBUM_LABEL,  ARTIST_LABEL, NAME_LABEL,
                                    MINUTE_LABEL, SECOND_LABEL, FRAME_LABEL};

constexpr ControlKind BUTTON = ControlKind::PUSH_BUTTON;
constexpr ControlKind EDIT = ControlKind::EDIT;
constexpr ControlKind SPIN = ControlKind::UP_DOWN;
constexpr ControlKind TEXT = ControlKind::STATIC_TEXT;

constexpr std::array PLAYER_CONTROLS{
    ControlTemplate{ALBUM_EDIT, EDIT, "", 49, 33, 159, 12, FIELD, 0, ALBUM_LABEL.word},
    ControlTemplate{ARTIST_EDIT, EDIT, "", 49, 46, 159, 12, FIELD, 0, ARTIST_LABEL.word},
    ControlTemplate{NAME_EDIT, EDIT, "", 5, 228, 159, 12, FIELD, 0, NAME_LABEL.word},
    ControlTemplate{MINUTE_EDIT, EDIT, "", 166, 228, 23, 12, NUMBER_FIELD, 0, MINUTE_LABEL.word},
    ControlTemplate{MINUTE_SPIN, SPIN, "Spin1", 174, 225, 10, 12, POSITION_SPIN, 0, "Minutes"},
    ControlTemplate{SECOND_EDIT, EDIT, "", 190, 228, 23, 12, NUMBER_FIELD, 0, SECOND_LABEL.word},
    ControlTemplate{SECOND_SPIN, SPIN, "Spin1", 201, 225, 11, 12, POSITION_SPIN, 0, "Seconds"},
    ControlTemplate{FRAME_EDIT, EDIT, "", 214, 228, 23, 12, NUMBER_FIELD, 0, FRAME_LABEL.word},
    ControlTemplate{FRAME_SPIN, SPIN, "Spin1", 226, 225, 11, 12, POSITION_SPIN, 0, "Frames"},
    ControlTemplate{REPEAT_TOGGLE, ControlKind::CHECK_BOX, "Repeat", 240, 219, 35, 10,
                    ControlStyle::AUTO_CHECK | ControlStyle::PUSH_LIKE | TAB},
    ControlTemplate{UPDATE_BUTTON, BUTTON, "Update!", 240, 229, 35, 13,
                    ControlStyle::DEFAULT_BUTTON | TAB},
    ControlTemplate{INSERT_SUBTRACK_BUTTON, BUTTON, "Insert new subtrack", 5, 245, 89, 15, TAB},
    ControlTemplate{DELETE_SUBTRACK_BUTTON, BUTTON, "Delete this subtrack", 97, 245, 88, 15, TAB},
    ControlTemplate{LOAD_TRACKS_BUTTON, BUTTON, "Load tracks", 188, 245, 44, 15, TAB},
    ControlTemplate{SAVE_TRACKS_BUTTON, BUTTON, "Save tracks", 232, 245, 44, 15, TAB},
    ControlTemplate{PREVIOUS_TRACK_BUTTON, BUTTON, "|<", 6, 19, 11, 10, TAB, 0, "Previous track"},
    // A tab stop, so that the arrow keys seek without the mouse.
    ControlTemplate{POSITION_SCROLL_BAR, ControlKind::SCROLL_BAR, "", 17, 19, 248, 10,
                    ControlStyle::HORIZONTAL | TAB, 0, "Position in track"},
    ControlTemplate{NEXT_TRACK_BUTTON, BUTTON, ">|", 265, 19, 11, 10, TAB, 0, "Next track"},
    ControlTemplate{PLAY_STOP_BUTTON, BUTTON, "Play/Stop", 216, 34, 48, 13, TAB},
    ControlTemplate{EJECT_BUTTON, BUTTON, "Eject", 216, 47, 24, 13, TAB},
    ControlTemplate{INJECT_BUTTON, BUTTON, "Inject", 240, 47, 24, 13, TAB},
    // Vertical, with no buddy: its clicks change the volume. A tab stop, so
    // that the up and down keys reach it.
    ControlTemplate{VOLUME_SPIN, SPIN, "Spin1", 266, 34, 11, 16, ControlStyle::ARROW_KEYS | TAB, 0,
                    "Volume"},
    ControlTemplate{ABOUT_BUTTON, BUTTON, "?", 266, 50, 11, 10, TAB, 0, "About"},
    ControlTemplate{STATUS_TEXT, TEXT, "Initializing...", 6, 6, 71, 10, STATUS, 0, "Current track"},
    ControlTemplate{POSITION_TEXT, TEXT, "88:88 (88:88)", 79, 6, 46, 10, STATUS, 0, "Position"},
    ControlTemplate{SUBTRACK_TEXT, TEXT, "", 127, 6, 149, 10, STATUS, 0, "Current subtrack"},
    ControlTemplate{UNADDRESSED_CONTROL_ID, TEXT, ALBUM_LABEL.labelText, 5, 35, 42, 9, LABEL},
    ControlTemplate{UNADDRESSED_CONTROL_ID, TEXT, ARTIST_LABEL.labelText, 5, 48, 42, 10, LABEL},
    // A tab stop, so that the keyboard reaches the rows.
    ControlTemplate{TRACK_LIST, ControlKind::LIST_VIEW, "List1", 6, 64, 270, 151,
                    ControlStyle::BORDER | ControlStyle::REPORT | ControlStyle::SINGLE_SELECTION |
                        ControlStyle::SHOW_SELECTION_ALWAYS | ControlStyle::NO_SORT_HEADER | TAB,
                    0, "Track list"},
    ControlTemplate{UNADDRESSED_CONTROL_ID, TEXT, NAME_LABEL.labelText, 6, 219, 136, 9, LABEL},
    ControlTemplate{UNADDRESSED_CONTROL_ID, TEXT, MINUTE_LABEL.labelText, 167, 219, 14, 9, LABEL},
    ControlTemplate{UNADDRESSED_CONTROL_ID, TEXT, SECOND_LABEL.labelText, 190, 219, 15, 9, LABEL},
    ControlTemplate{UNADDRESSED_CONTROL_ID, TEXT, FRAME_LABEL.labelText, 214, 219, 22, 9, LABEL},
};

// By the window's groups, top to bottom: the transport buttons, the position,
// the list, the fields of the album and of the edit row, the list's buttons,
// then the volume and the About button.
constexpr std::array PLAYER_TAB_ORDER{
    PLAY_STOP_BUTTON,
    EJECT_BUTTON,
    INJECT_BUTTON,
    PREVIOUS_TRACK_BUTTON,
    POSITION_SCROLL_BAR,
    NEXT_TRACK_BUTTON,
    TRACK_LIST,
    ALBUM_EDIT,
    ARTIST_EDIT,
    NAME_EDIT,
    MINUTE_EDIT,
    SECOND_EDIT,
    FRAME_EDIT,
    REPEAT_TOGGLE,
    UPDATE_BUTTON,
    INSERT_SUBTRACK_BUTTON,
    DELETE_SUBTRACK_BUTTON,
    LOAD_TRACKS_BUTTON,
    SAVE_TRACKS_BUTTON,
    VOLUME_SPIN,
    ABOUT_BUTTON,
};

}  // namespace

std::span<const PaintedLabel> PlayerPaintedLabels() {
    return PAINTED_LABELS;
}

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
    .font = DIALOG_FONT,
    .controls = PLAYER_CONTROLS,
    .tabOrder = PLAYER_TAB_ORDER,
};

}  // namespace corvid::res
