#pragma once

#include <cstdint>
#include <vector>

namespace corvid::cdrom {

// Sectors are addressed by logical block address (LBA): sector 0 is the first
// sector after the 150-frame lead-in, the start of the program area. One
// sector of CD-DA is one frame of disc time: 588 stereo sample frames of
// 16-bit PCM at 44100 Hz, 2352 bytes.
using Lba = std::int32_t;
inline constexpr Lba LEAD_IN_FRAMES = 150;
inline constexpr int SAMPLE_FRAMES_PER_SECTOR = 588;
inline constexpr int CHANNELS = 2;
inline constexpr int SAMPLES_PER_SECTOR = SAMPLE_FRAMES_PER_SECTOR * CHANNELS;
inline constexpr int BYTES_PER_SECTOR = SAMPLES_PER_SECTOR * 2;
inline constexpr int SAMPLE_RATE = 44100;

enum class TrackKind : std::uint8_t { Audio, Data };

struct TocTrack {
    int number = 0;  // 1 to 99, in order
    Lba start = 0;   // INDEX 01
    // First sector after the audio that belongs to this track when playing
    // straight through: the next track's start, or the start of a data
    // track's pregap, or the lead-out. For data tracks, equals the next
    // track's start (nothing of it is played).
    Lba playableEnd = 0;
    TrackKind kind = TrackKind::Audio;

    bool operator==(const TocTrack&) const = default;
};

// The table of contents of one disc. Tracks are in order of number and start;
// leadOut is the first sector after the last track.
struct Toc {
    std::vector<TocTrack> tracks;
    Lba leadOut = 0;

    bool operator==(const Toc&) const = default;

    [[nodiscard]] bool HasTrack(int number) const;
    [[nodiscard]] const TocTrack* FindTrack(int number) const;
    // The track whose sectors from its start up to the next track's start
    // hold `sector`: a pregap belongs to the track before. Null before the
    // first track or at and after the lead-out.
    [[nodiscard]] const TocTrack* TrackAt(Lba sector) const;
};

}  // namespace corvid::cdrom
