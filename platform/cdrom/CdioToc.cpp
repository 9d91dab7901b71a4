#include "platform/cdrom/CdioToc.h"

#include <cdio/cdio.h>

#include <algorithm>

namespace corvid::cdrom {

namespace {

constexpr int LAST_TRACK_NUMBER = 99;

std::optional<Lba> KnownLsn(lsn_t lsn) {
    if (lsn == CDIO_INVALID_LSN) {
        return std::nullopt;
    }
    return lsn;
}

bool IsValid(const DiscLayout& layout) {
    if (layout.tracks.empty() || layout.tracks.front().number < 1) {
        return false;
    }
    for (std::size_t index = 0; index < layout.tracks.size(); ++index) {
        const DiscLayout::Track& track = layout.tracks[index];
        if (track.number > LAST_TRACK_NUMBER || track.start < 0) {
            return false;
        }
        if (index > 0) {
            const DiscLayout::Track& before = layout.tracks[index - 1];
            if (track.number != before.number + 1 || track.start <= before.start) {
                return false;
            }
        }
    }
    return layout.leadOut > layout.tracks.back().start;
}

// Where the audio of an audio track stops when a data track follows it: at
// the data track's pregap, or at the gap between an Enhanced CD's sessions.
Lba AudioEndBeforeData(const DiscLayout& layout, std::size_t index) {
    const DiscLayout::Track& track = layout.tracks[index];
    const DiscLayout::Track& data = layout.tracks[index + 1];
    Lba end = data.start;
    const auto inside = [&](Lba sector) { return sector > track.start && sector < data.start; };
    if (data.pregapStart && inside(*data.pregapStart)) {
        end = std::min(end, *data.pregapStart);
    }
    if (layout.lastSessionStart && *layout.lastSessionStart > layout.tracks.front().start) {
        const Lba gapStart = *layout.lastSessionStart - SESSION_GAP_SECTORS;
        if (inside(gapStart)) {
            end = std::min(end, gapStart);
        }
    }
    return end;
}

Lba PlayableEnd(const DiscLayout& layout, std::size_t index) {
    if (index + 1 == layout.tracks.size()) {
        return layout.leadOut;
    }
    const bool dataNext = layout.tracks[index + 1].kind == TrackKind::Data;
    if (layout.tracks[index].kind == TrackKind::Audio && dataNext) {
        return AudioEndBeforeData(layout, index);
    }
    return layout.tracks[index + 1].start;
}

}  // namespace

std::optional<DiscLayout> ReadDiscLayout(CdIo_t* cdio) {
    const track_t first = cdio_get_first_track_num(cdio);
    const track_t count = cdio_get_num_tracks(cdio);
    if (first == CDIO_INVALID_TRACK || count == CDIO_INVALID_TRACK || count == 0) {
        return std::nullopt;
    }
    DiscLayout layout;
    for (int number = first; number < first + count; ++number) {
        const auto track = static_cast<track_t>(number);
        const std::optional<Lba> start = KnownLsn(cdio_get_track_lsn(cdio, track));
        const track_format_t format = cdio_get_track_format(cdio, track);
        if (!start || format == TRACK_FORMAT_ERROR) {
            return std::nullopt;
        }
        layout.tracks.push_back({number, *start,
                                 format == TRACK_FORMAT_AUDIO ? TrackKind::Audio : TrackKind::Data,
                                 KnownLsn(cdio_get_track_pregap_lsn(cdio, track))});
    }
    const std::optional<Lba> leadOut = KnownLsn(cdio_get_track_lsn(cdio, CDIO_CDROM_LEADOUT_TRACK));
    if (!leadOut) {
        return std::nullopt;
    }
    layout.leadOut = *leadOut;
    lsn_t lastSession = 0;
    if (cdio_get_last_session(cdio, &lastSession) == DRIVER_OP_SUCCESS) {
        layout.lastSessionStart = lastSession;
    }
    return layout;
}

std::optional<Toc> BuildToc(const DiscLayout& layout) {
    if (!IsValid(layout)) {
        return std::nullopt;
    }
    Toc toc;
    toc.leadOut = layout.leadOut;
    for (std::size_t index = 0; index < layout.tracks.size(); ++index) {
        const DiscLayout::Track& track = layout.tracks[index];
        toc.tracks.push_back({track.number, track.start, PlayableEnd(layout, index), track.kind});
    }
    return toc;
}

}  // namespace corvid::cdrom
