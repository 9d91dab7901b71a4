#pragma once

#include <string>
#include <string_view>

#include "names/ReleaseNames.h"

namespace corvid::names {

// Text from a database as the track list can hold it: invalid UTF-8 becomes
// U+FFFD, line breaks and tabs become spaces, other control characters go,
// blanks at the ends go, and at most 254 code points stay.
std::string SanitizeListText(std::string_view text);

// Every text of the release through SanitizeListText.
void SanitizeRelease(ReleaseNames& release);

// One row of the chooser: "Artist - Title", then year, country, format,
// label and catalogue number, and "disc N of M" for a release of several
// media, each only when known, separated by commas.
std::string ChooserRowText(const ReleaseNames& release);

}  // namespace corvid::names
