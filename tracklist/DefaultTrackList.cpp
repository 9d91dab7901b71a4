#include "tracklist/DefaultTrackList.h"

#include "tracklist/TrackListRows.h"

namespace corvid::tracklist {

TrackList MakeDefaultTrackList(DiscFacts& disc, std::int32_t cdKey) {
    TrackList list;
    list.cdKey = cdKey;
    list.album = std::string(NEW_ALBUM_NAME);
    const int trackCount = disc.NumberOfTracks();
    for (int track = FIRST_TRACK; track <= trackCount; ++track) {
        const std::string length = disc.TrackLengthText(track);
        const TrackType type = disc.IsAudioTrack(track) ? TrackType::AUDIO : TrackType::DATA;
        list.rows.push_back(MakeTrackRow(track, DefaultTrackName(track, type), length));
    }
    return list;
}

std::string TrackListTitle(std::string_view discLengthText, std::string_view album) {
    std::string title = "(";
    title += ShownLengthText(discLengthText);
    title += ") ";
    title += album;
    return title;
}

}  // namespace corvid::tracklist
