#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace corvid::cdrom {

struct CueSheetText {
    std::string text;      // UTF-8
    std::string encoding;  // what the bytes were read as: "UTF-8", "WINDOWS-1252", "CP932"...
};

// A cue sheet's bytes as UTF-8. Bytes that are valid UTF-8 (with or without a
// byte-order mark) are taken as they are, UTF-16 with a byte-order mark is
// converted; anything else is in the legacy code page that uchardet finds.
// uchardet's guesses among the Latin code pages are often wrong on a text as
// short as a sheet, so it is trusted only for other scripts (Cyrillic, Greek,
// Japanese, Chinese, Korean...) and Windows-1252 is taken otherwise.
// A sheet that starts with UTF-8's byte-order mark is UTF-8 even when a
// stray byte of a legacy code page was pasted into it: that byte is read as
// Windows-1252.
CueSheetText CueSheetToUtf8(std::string_view bytes);

// The other legacy code pages the bytes read cleanly in, the detector's own
// guess first, for when CueSheetToUtf8's reading names files that are not
// there: a short sheet gives the detector too little text to go on, but the
// files beside it tell which reading is right. None for UTF-8 or UTF-16.
std::vector<CueSheetText> OtherReadingsOf(std::string_view bytes);

}  // namespace corvid::cdrom
