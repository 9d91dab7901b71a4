#include "names/DiscToc.h"

namespace corvid::names {

std::optional<std::string> CheckToc(const DiscToc& toc) {
    if (toc.tracks.empty()) {
        return "the disc has no tracks";
    }
    if (toc.tracks.size() > static_cast<std::size_t>(MAX_TRACK_NUMBER)) {
        return "the disc has more than 99 tracks";
    }
    const DiscTrack* previous = nullptr;
    for (const DiscTrack& track : toc.tracks) {
        if (track.number < 1 || track.number > MAX_TRACK_NUMBER) {
            return "track number " + std::to_string(track.number) + " is not between 1 and 99";
        }
        if (previous != nullptr && track.number != previous->number + 1) {
            return "track " + std::to_string(track.number) + " does not follow track " +
                   std::to_string(previous->number);
        }
        if (track.start < 0 || (previous != nullptr && track.start <= previous->start)) {
            return "track " + std::to_string(track.number) + " does not start after the one before";
        }
        previous = &track;
    }
    if (toc.leadOut <= toc.tracks.back().start) {
        return "the lead-out is not after the last track's start";
    }
    return std::nullopt;
}

DiscToc MusicBrainzToc(const DiscToc& toc) {
    if (toc.tracks.size() < 2 || toc.tracks.back().kind != TrackKind::Data) {
        return toc;
    }
    const DiscTrack& beforeData = toc.tracks[toc.tracks.size() - 2];
    const Sector sessionEnd = toc.tracks.back().start - SESSION_GAP_SECTORS;
    if (beforeData.kind != TrackKind::Audio || sessionEnd <= beforeData.start) {
        return toc;
    }
    DiscToc audio = toc;
    audio.tracks.pop_back();
    audio.leadOut = sessionEnd;
    return audio;
}

int CddbDiscSeconds(const DiscToc& toc) {
    return (toc.leadOut + LEAD_IN_SECTORS) / SECTORS_PER_SECOND;
}

std::string CddbQueryCommand(const DiscToc& toc, const std::string& freedbId) {
    std::string command = "cddb query " + freedbId + " " + std::to_string(toc.tracks.size());
    for (const DiscTrack& track : toc.tracks) {
        command += " " + std::to_string(track.start + LEAD_IN_SECTORS);
    }
    command += " " + std::to_string(CddbDiscSeconds(toc));
    return command;
}

}  // namespace corvid::names
