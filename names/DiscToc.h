#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace corvid::names {

// Sectors counted from the first sector of the program area (LBA 0), which
// the disc ID algorithms address as frame 150.
using Sector = std::int32_t;
inline constexpr Sector LEAD_IN_SECTORS = 150;
inline constexpr Sector SECTORS_PER_SECOND = 75;
// The lead-out and lead-in of an Enhanced CD's first session, which lie
// between its last audio track and the data track of the second session.
inline constexpr Sector SESSION_GAP_SECTORS = 11400;
inline constexpr int MAX_TRACK_NUMBER = 99;

enum class TrackKind : std::uint8_t { Audio, Data };

struct DiscTrack {
    int number = 0;
    Sector start = 0;  // INDEX 01
    TrackKind kind = TrackKind::Audio;

    bool operator==(const DiscTrack&) const = default;
};

// The table of contents as the drive reports it: every track, data tracks
// included, in order, and the lead-out.
struct DiscToc {
    std::vector<DiscTrack> tracks;
    Sector leadOut = 0;

    bool operator==(const DiscToc&) const = default;
};

// Why the TOC cannot give a disc ID (no tracks, numbers that are not
// consecutive from 1 to 99, starts that do not increase, a lead-out before the
// last start), or nothing when it can.
std::optional<std::string> CheckToc(const DiscToc& toc);

// The TOC as MusicBrainz computes its disc ID: an Enhanced CD's data track at
// the end is left out, and the audio session ends 11400 sectors before it.
// Other TOCs are returned unchanged.
DiscToc MusicBrainzToc(const DiscToc& toc);

// The disc's length in seconds as a CDDB query gives it.
int CddbDiscSeconds(const DiscToc& toc);

// "cddb query <id> <count> <offsets...> <seconds>": the whole disc, data
// tracks included, with offsets in frames from the start of the lead-in.
std::string CddbQueryCommand(const DiscToc& toc, const std::string& freedbId);

}  // namespace corvid::names
