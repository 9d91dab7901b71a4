#include "tracklist/DefaultTrackList.h"

#include <cstdio>

#include "cdaudio/DiscTime.h"
#include "tracklist/TextEncoding.h"
#include "tracklist/TrackListFile.h"
#include "tracklist/TrackListRows.h"

namespace corvid::tracklist {
namespace {

// The last frame a subtrack start "MM:SS:FF" can name.
constexpr int LAST_SUBTRACK_FRAME = ((99 * 60) + 59) * 75 + 74;

std::string IndexMarkName(int number) {
    char name[16];
    std::snprintf(name, sizeof name, "Index %02d", number);
    return name;
}

std::string SubtrackStartText(int frames) {
    const Msf msf = MsfFromFrames(frames);
    return FormatPositionText(0, msf.minutes, msf.seconds, msf.frames).substr(POSITION_TAIL_OFFSET);
}

// Index marks as subtracks, kept only where the list's order allows them:
// inside the track and after the mark before.
void AddIndexSubtracks(TrackList& list, int track, const DiscTrackNames& names,
                       std::string_view trackLength) {
    const std::string_view lengthPart = trackLength.substr(0, SUBTRACK_START_SIZE);
    std::string lastStart;
    for (const DiscIndexMark& mark : names.indexMarks) {
        if (mark.framesIntoTrack < 0 || mark.framesIntoTrack > LAST_SUBTRACK_FRAME) {
            continue;
        }
        std::string start = SubtrackStartText(mark.framesIntoTrack);
        if (start > lengthPart || start < lastStart) {
            continue;
        }
        lastStart = start;
        list.rows.push_back(MakeSubtrackRow(track, IndexMarkName(mark.number), std::move(start)));
    }
}

std::string TrackRowName(int track, TrackType type, const DiscTrackNames* names,
                         std::string_view albumPerformer) {
    if (type == TrackType::DATA || names == nullptr || ListText(names->title, 1).empty()) {
        return DefaultTrackName(track, type);
    }
    return NamedTrackRowName(track, names->title, names->performer, albumPerformer);
}

}  // namespace

std::string NamedTrackRowName(int track, std::string_view title, std::string_view performer,
                              std::string_view albumPerformer) {
    // "07. " as the default names have it.
    std::string name = DefaultTrackName(track, TrackType::AUDIO).substr(0, 4);
    const std::string shownPerformer = ListText(performer, MAX_VALUE_CODE_POINTS);
    if (!shownPerformer.empty() &&
        shownPerformer != ListText(albumPerformer, MAX_VALUE_CODE_POINTS)) {
        name += shownPerformer + " - ";
    }
    name += ListText(title, MAX_VALUE_CODE_POINTS);
    return std::string(FirstCodePoints(name, MAX_VALUE_CODE_POINTS));
}

TrackList MakeDefaultTrackList(DiscFacts& disc, std::int32_t cdKey, const DiscNames& names) {
    TrackList list;
    list.cdKey = cdKey;
    const std::string album = ListText(names.title, MAX_VALUE_CODE_POINTS);
    list.album = album.empty() ? std::string(NEW_ALBUM_NAME) : album;
    list.artist = ListText(names.performer, MAX_VALUE_CODE_POINTS);
    const int trackCount = disc.NumberOfTracks();
    for (int track = FIRST_TRACK; track <= trackCount; ++track) {
        const std::string length = disc.TrackLengthText(track);
        const TrackType type = disc.IsAudioTrack(track) ? TrackType::AUDIO : TrackType::DATA;
        const DiscTrackNames* trackNames = names.FindTrack(track);
        list.rows.push_back(
            MakeTrackRow(track, TrackRowName(track, type, trackNames, names.performer), length));
        if (type == TrackType::AUDIO && trackNames != nullptr) {
            AddIndexSubtracks(list, track, *trackNames, length);
        }
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
