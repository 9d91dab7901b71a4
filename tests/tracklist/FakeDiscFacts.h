#pragma once

#include <cstddef>
#include <string>
#include <utility>
#include <vector>

#include "tracklist/TrackList.h"

namespace corvid::tracklist::testing {

// A disc with fixed tracks; a track number it lacks reads as a failed query.
class FakeDiscFacts : public DiscFacts {
  public:
    struct Track {
        std::string lengthText;  // "MM:SS:FF"
        bool audio = true;
    };

    FakeDiscFacts() = default;
    FakeDiscFacts(std::vector<Track> tracks, std::string discLength)
        : tracks(std::move(tracks)), discLength(std::move(discLength)) {}

    int NumberOfTracks() override { return static_cast<int>(tracks.size()); }
    bool IsAudioTrack(int track) override { return Has(track) && At(track).audio; }
    std::string TrackLengthText(int track) override {
        return Has(track) ? At(track).lengthText : std::string();
    }
    std::string DiscLengthText() override { return discLength; }

    std::vector<Track> tracks;
    std::string discLength;

  private:
    bool Has(int track) const {
        return track >= 1 && static_cast<std::size_t>(track) <= tracks.size();
    }
    const Track& At(int track) const { return tracks[static_cast<std::size_t>(track - 1)]; }
};

}  // namespace corvid::tracklist::testing
