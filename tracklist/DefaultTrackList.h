#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "cdaudio/DiscNames.h"
#include "tracklist/TrackList.h"

namespace corvid::tracklist {

// The list of a disc that has no track list file: a row per track named
// "%02d. <Unnamed track>" or "%02d. DATA TRACK" with its MM:SS length, the
// album "<New album>" and no artist. What the disc names replaces these: its
// title and performer become the album and artist, a track's title its
// row's name, and each index mark a subtrack "Index NN" at its position.
TrackList MakeDefaultTrackList(DiscFacts& disc, std::int32_t cdKey, const DiscNames& names = {});

// The name of a track row from a title: "07. Title", or "07. Performer -
// Title" when the track's performer is not the album's (a compilation). Cut
// to what a list holds.
std::string NamedTrackRowName(int track, std::string_view title, std::string_view performer,
                              std::string_view albumPerformer);

// The window title "(MM:SS) album" from the disc's length text "MM:SS:FF".
std::string TrackListTitle(std::string_view discLengthText, std::string_view album);

}  // namespace corvid::tracklist
