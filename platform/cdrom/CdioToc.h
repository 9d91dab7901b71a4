#pragma once

#include <optional>
#include <vector>

#include "platform/cdrom/CdioHandle.h"
#include "platform/cdrom/Toc.h"

namespace corvid::cdrom {

// The lead-out of a first session (90 s), the lead-in of the next (60 s) and
// the pregap of its first track (2 s): sectors before an Enhanced CD's data
// track that hold no audio, though the table of contents counts them to the
// last audio track.
inline constexpr Lba SESSION_GAP_SECTORS = (90 + 60 + 2) * 75;

// A disc's tracks as the drive reports them, before they are checked.
struct DiscLayout {
    struct Track {
        int number = 0;
        Lba start = 0;
        TrackKind kind = TrackKind::Audio;
        std::optional<Lba> pregapStart;  // where the drive knows it
    };
    std::vector<Track> tracks;
    Lba leadOut = 0;
    std::optional<Lba> lastSessionStart;  // where the drive knows it
};

// Reads the layout of the disc through libcdio; nothing when the drive gives
// no table of contents.
std::optional<DiscLayout> ReadDiscLayout(CdIo_t* cdio);

// The table of contents of a layout, with the end of each track's audio;
// nothing for a layout no disc can have (no tracks, numbers or starts out of
// order, a lead-out before the last track).
std::optional<Toc> BuildToc(const DiscLayout& layout);

}  // namespace corvid::cdrom
