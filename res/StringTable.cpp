#include "res/StringTable.h"

#include <algorithm>
#include <array>

#include "res/ControlIds.h"

namespace corvid::res {

namespace {

constexpr std::array STRING_TABLE{
    StringEntry{ABOUT_MENU_STRING_ID, "&About CorvidPlayer..."},
    StringEntry{TRACK_LIST, "Displays list of tracks/subtracks along with track length/position."},
    StringEntry{POSITION_TEXT, "Displays current track position and length."},
    StringEntry{EJECT_BUTTON, "Opens CD tray."},
    StringEntry{MINUTE_EDIT, "Position in time of the selected subtrack: minutes."},
    StringEntry{INSERT_SUBTRACK_BUTTON, "Inserts a new subtrack at current playing position."},
    StringEntry{DELETE_SUBTRACK_BUTTON, "Deletes selected subtrack."},
    StringEntry{PLAY_STOP_BUTTON, "Starts/stops playing current CD."},
    StringEntry{SUBTRACK_TEXT, "Displays name of current subtrack."},
    StringEntry{INJECT_BUTTON, "Closes CD tray."},
    StringEntry{UNUSED_CURRENT_TRACK_STRING_ID, "Displays current track."},
    StringEntry{POSITION_SCROLL_BAR, "Shows position in current track."},
    StringEntry{PREVIOUS_TRACK_BUTTON, "Skips to previous track."},
    StringEntry{NEXT_TRACK_BUTTON, "Skips to next track."},
    StringEntry{SECOND_EDIT, "Position in time of the selected subtrack: seconds."},
    StringEntry{ALBUM_EDIT, "Enter the name of the current CD here."},
    StringEntry{ARTIST_EDIT, "Enter the name of the current artist/group here."},
    StringEntry{LOAD_TRACKS_BUTTON, "Loads another tracklist for current CD."},
    StringEntry{NAME_EDIT, "Enter a name for the selected track/subtrack here."},
    StringEntry{FRAME_EDIT, "Position in time of the selected subtrack: 75ths of a second."},
    StringEntry{UPDATE_BUTTON, "Updates name and position of selected subtrack."},
    StringEntry{STATUS_TEXT, "Displays number and name of current track."},
    StringEntry{SAVE_TRACKS_BUTTON, "Saves the current tracklist."},
    StringEntry{ABOUT_BUTTON, "Shows info about this program."},
    StringEntry{VOLUME_SPIN, "Changes sound volume."},
    StringEntry{REPEAT_TOGGLE, "Turns on/off repeating the selected (sub)track."},
};

// Strictly ascending ids: the lookup searches by halves and no id is given twice.
static_assert(std::ranges::adjacent_find(STRING_TABLE, std::ranges::greater_equal{},
                                         &StringEntry::id) == STRING_TABLE.end());

}  // namespace

std::span<const StringEntry> StringTableEntries() {
    return STRING_TABLE;
}

std::optional<std::string_view> LoadString(int id) {
    const auto found = std::ranges::lower_bound(STRING_TABLE, id, {}, &StringEntry::id);
    if (found == STRING_TABLE.end() || found->id != id) {
        return std::nullopt;
    }
    return found->text;
}

}  // namespace corvid::res
