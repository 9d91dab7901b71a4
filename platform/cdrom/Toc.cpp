#include "platform/cdrom/Toc.h"

#include <algorithm>

namespace corvid::cdrom {

bool Toc::HasTrack(int number) const {
    return FindTrack(number) != nullptr;
}

const TocTrack* Toc::FindTrack(int number) const {
    const auto found = std::find_if(tracks.begin(), tracks.end(), [number](const TocTrack& track) {
        return track.number == number;
    });
    return found == tracks.end() ? nullptr : &*found;
}

const TocTrack* Toc::TrackAt(Lba sector) const {
    if (tracks.empty() || sector < tracks.front().start || sector >= leadOut) {
        return nullptr;
    }
    // The last track that starts at or before the sector.
    const auto after =
        std::upper_bound(tracks.begin(), tracks.end(), sector,
                         [](Lba value, const TocTrack& track) { return value < track.start; });
    return &*(after - 1);
}

}  // namespace corvid::cdrom
