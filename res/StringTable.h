#pragma once

#include <optional>
#include <span>
#include <string_view>

namespace corvid::res {

// The text of the About entry in the system menu.
inline constexpr int ABOUT_MENU_STRING_ID = 101;
// A tooltip text that no control carries, so it is never shown.
inline constexpr int UNUSED_CURRENT_TRACK_STRING_ID = 1010;

struct StringEntry {
    int id = 0;
    std::string_view text;
};

// Every entry of the string table in ascending id order. The tooltip of a
// control is the entry under the control's own id.
std::span<const StringEntry> StringTableEntries();

// The string with this id, or nothing when the table has no such entry.
std::optional<std::string_view> LoadString(int id);

}  // namespace corvid::res
