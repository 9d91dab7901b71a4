#pragma once

#include <string>
#include <vector>

namespace corvid {

// An index mark inside a track (INDEX 02 to 99), in frames from the track's
// start (its INDEX 01), 75 to a second.
struct DiscIndexMark {
    int number = 0;
    int framesIntoTrack = 0;

    bool operator==(const DiscIndexMark&) const = default;
};

// What a disc says of one of its tracks. Texts are UTF-8; empty when the disc
// names nothing.
struct DiscTrackNames {
    int track = 0;
    std::string title;
    std::string performer;
    std::vector<DiscIndexMark> indexMarks;  // in order

    bool operator==(const DiscTrackNames&) const = default;
};

// What a disc carries beside its table of contents: the names of its CD-TEXT
// (or of an image's cue sheet: TITLE and PERFORMER) and the index marks in its
// tracks. Tracks the disc says nothing of are left out.
struct DiscNames {
    std::string title;
    std::string performer;
    std::vector<DiscTrackNames> tracks;  // in order of track number

    bool operator==(const DiscNames&) const = default;

    [[nodiscard]] const DiscTrackNames* FindTrack(int track) const {
        for (const DiscTrackNames& names : tracks) {
            if (names.track == track) {
                return &names;
            }
        }
        return nullptr;
    }
};

// The names of the disc the "cdaudio" device last took in. Called on the
// window's thread; answers from what the device holds and never waits. The
// answer belongs to the disc whose identity the device last gave; it is empty
// when there is no disc or the disc names nothing.
class DiscNamesPort {
  public:
    virtual ~DiscNamesPort() = default;
    virtual DiscNames CurrentDiscNames() = 0;
};

}  // namespace corvid
