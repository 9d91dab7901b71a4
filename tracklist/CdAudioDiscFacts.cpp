#include "tracklist/CdAudioDiscFacts.h"

#include <cstddef>

#include "cdaudio/DiscTime.h"

namespace corvid::tracklist {

namespace {

// The window reads lengths into buffers of this size.
constexpr std::size_t LENGTH_BUFFER_SIZE = 12;

}  // namespace

int CdAudioDiscFacts::NumberOfTracks() {
    return m_cd.GetNumberOfTracks();
}

bool CdAudioDiscFacts::IsAudioTrack(int track) {
    return m_cd.IsAudioTrack(track);
}

std::string CdAudioDiscFacts::TrackLengthText(int track) {
    char length[LENGTH_BUFFER_SIZE] = {};
    m_cd.GetTrackLength(track, length);
    return std::string(TextOfBuffer(length));
}

std::string CdAudioDiscFacts::DiscLengthText() {
    char length[LENGTH_BUFFER_SIZE] = {};
    m_cd.GetLength(length);
    return std::string(TextOfBuffer(length));
}

}  // namespace corvid::tracklist
