#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace corvid::tracklist {

// The icons of a row in the list view.
enum RowIcon : int {
    ROW_ICON_TRACK = 0,
    ROW_ICON_SUBTRACK = 1,
    ROW_ICON_CURRENT_SUBTRACK = 2,
    ROW_ICON_CURRENT_TRACK = 3,
};

// One row of a track list: +n is the row of track n, -n a subtrack of track n.
struct TrackListRow {
    std::int32_t rowKey = 0;
    std::string name;      // UTF-8, at most 254 code points
    std::string timeText;  // track row: its length MM:SS; subtrack row: its start MM:SS:FF
    int icon = ROW_ICON_TRACK;

    bool operator==(const TrackListRow&) const = default;
};

// A disc's track list as a value: what a .trk file holds, and what the window
// shows in its list view and its album and artist fields.
struct TrackList {
    std::int32_t cdKey = -1;  // the disc identity, wrapped to 32 bits
    std::string album;
    std::string artist;
    std::vector<TrackListRow> rows;

    bool operator==(const TrackList&) const = default;
};

// What a track list needs to know of the disc in the drive. The window's
// implementation asks the CD audio device; tests give fixed answers.
class DiscFacts {
  public:
    virtual ~DiscFacts() = default;
    virtual int NumberOfTracks() = 0;
    virtual bool IsAudioTrack(int track) = 0;
    // The track's length "MM:SS:FF"; callers keep the first five characters.
    virtual std::string TrackLengthText(int track) = 0;
    // The disc's length "MM:SS:FF"; callers keep the first five characters.
    virtual std::string DiscLengthText() = 0;
};

}  // namespace corvid::tracklist
