#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "tracklist/TrackList.h"

namespace corvid::tracklist {

// The list of a disc that has no track list file: a row per track named
// "%02d. <Unnamed track>" or "%02d. DATA TRACK" with its MM:SS length, the
// album "<New album>" and no artist.
TrackList MakeDefaultTrackList(DiscFacts& disc, std::int32_t cdKey);

// The window title "(MM:SS) album" from the disc's length text "MM:SS:FF".
std::string TrackListTitle(std::string_view discLengthText, std::string_view album);

}  // namespace corvid::tracklist
