#pragma once

#include "platform/window/DialogTemplate.h"

namespace corvid::res {

// Resource ids of the two dialogs and the pictures their templates name.
inline constexpr int ABOUT_DIALOG_ID = 100;
inline constexpr int PLAYER_DIALOG_ID = 102;
inline constexpr int NAMES_CHOOSER_DIALOG_ID = 104;
inline constexpr int ABOUT_BITMAP_ID = 133;
inline constexpr int BACKGROUND_BITMAP_ID = 151;

// Icons: the program's, and the row images 0 to 3 of the track list.
inline constexpr int PROGRAM_ICON_ID = 128;
inline constexpr int TRACK_ROW_ICON_ID = 130;
inline constexpr int SUBTRACK_ROW_ICON_ID = 131;
inline constexpr int CURRENT_SUBTRACK_ROW_ICON_ID = 134;
inline constexpr int CURRENT_TRACK_ROW_ICON_ID = 139;

// The dialog's own buttons; the About box's "Happy?" is IDOK.
inline constexpr int IDOK = 1;
inline constexpr int IDCANCEL = 2;

// The system-menu command of the About entry.
inline constexpr int IDM_ABOUTBOX = 16;
// The window menu's command that looks the disc's names up online.
inline constexpr int IDM_FINDNAMES = 32;

inline constexpr int UNADDRESSED_CONTROL_ID = window::UNADDRESSED_CONTROL_ID;

// Controls of the player window. The tooltip strings share these numbers.
inline constexpr int TRACK_LIST = 1000;
inline constexpr int POSITION_TEXT = 1001;  // position (length)
inline constexpr int EJECT_BUTTON = 1002;
inline constexpr int MINUTE_EDIT = 1003;
inline constexpr int MINUTE_SPIN = 1004;
inline constexpr int INSERT_SUBTRACK_BUTTON = 1005;
inline constexpr int DELETE_SUBTRACK_BUTTON = 1006;
inline constexpr int PLAY_STOP_BUTTON = 1007;
inline constexpr int SUBTRACK_TEXT = 1008;  // name of the current subtrack
inline constexpr int INJECT_BUTTON = 1009;
inline constexpr int POSITION_SCROLL_BAR = 1013;
inline constexpr int PREVIOUS_TRACK_BUTTON = 1015;
inline constexpr int NEXT_TRACK_BUTTON = 1016;
inline constexpr int SECOND_EDIT = 1017;
inline constexpr int SECOND_SPIN = 1018;
inline constexpr int ALBUM_EDIT = 1019;
inline constexpr int ARTIST_EDIT = 1020;
inline constexpr int LOAD_TRACKS_BUTTON = 1021;
inline constexpr int NAME_EDIT = 1022;
inline constexpr int FRAME_EDIT = 1023;
inline constexpr int FRAME_SPIN = 1024;
inline constexpr int UPDATE_BUTTON = 1025;
inline constexpr int STATUS_TEXT = 1026;  // current track and the device state
inline constexpr int SAVE_TRACKS_BUTTON = 1028;
inline constexpr int ABOUT_BUTTON = 1029;
inline constexpr int VOLUME_SPIN = 1031;
inline constexpr int REPEAT_TOGGLE = 1035;

inline constexpr int FIRST_PLAYER_CONTROL_ID = 1000;
inline constexpr int LAST_PLAYER_CONTROL_ID = 1035;

// The chooser of a release among several that hold the disc.
inline constexpr int RELEASE_LIST = 1100;

}  // namespace corvid::res
