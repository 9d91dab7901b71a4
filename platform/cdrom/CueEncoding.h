#pragma once

#include <string>
#include <string_view>

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
CueSheetText CueSheetToUtf8(std::string_view bytes);

}  // namespace corvid::cdrom
