#pragma once

#include <string>

#include "cdaudio/CdAudio.h"
#include "tracklist/TrackList.h"

namespace corvid::tracklist {

// The disc facts as the CD audio device gives them; every call is a query to
// the drive, and a failed query reads as 0, false or an empty text.
class CdAudioDiscFacts final : public DiscFacts {
  public:
    explicit CdAudioDiscFacts(CCdAudio& cd) : m_cd(cd) {}

    int NumberOfTracks() override;
    bool IsAudioTrack(int track) override;
    std::string TrackLengthText(int track) override;
    std::string DiscLengthText() override;

  private:
    CCdAudio& m_cd;
};

}  // namespace corvid::tracklist
