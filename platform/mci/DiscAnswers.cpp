#include "platform/mci/DiscAnswers.h"

#include <algorithm>
#include <cstdio>
#include <limits>

#include "cdaudio/DiscTime.h"

namespace corvid::mci {

namespace {

using cdrom::Lba;
using cdrom::LEAD_IN_FRAMES;
using cdrom::Toc;
using cdrom::TocTrack;

std::int64_t AbsoluteFrames(Lba sector) {
    return std::int64_t{sector} + LEAD_IN_FRAMES;
}

std::string MsfText(std::int64_t frames) {
    const Msf msf = MsfFromFrames(std::max<std::int64_t>(frames, 0));
    char text[40];
    std::snprintf(text, sizeof text, "%02d:%02d:%02d", msf.minutes, msf.seconds, msf.frames);
    return text;
}

// A position in milliseconds: the +1 is Windows's, so a sector's time is
// never read back as the sector before.
std::string PositionMilliseconds(std::int64_t absoluteFrames) {
    return std::to_string(absoluteFrames * MILLISECONDS_PER_SECOND / FRAMES_PER_SECOND + 1);
}

std::string DurationText(std::int64_t frames, TimeFormat format) {
    frames = std::max<std::int64_t>(frames, 0);
    if (format == TimeFormat::Milliseconds) {
        return std::to_string(frames * MILLISECONDS_PER_SECOND / FRAMES_PER_SECOND);
    }
    return MsfText(frames);
}

// Sectors from the track's start to the next track's start or the lead-out.
std::int64_t TrackSpan(const Toc& toc, const TocTrack& track) {
    const auto next =
        std::find_if(toc.tracks.begin(), toc.tracks.end(),
                     [&track](const TocTrack& candidate) { return candidate.start > track.start; });
    const Lba end = next == toc.tracks.end() ? toc.leadOut : next->start;
    return std::int64_t{end} - track.start;
}

std::uint32_t PackedMsf(std::int64_t frames) {
    const Msf msf = MsfFromFrames(frames);
    return (static_cast<std::uint32_t>(msf.minutes) << 16) |
           (static_cast<std::uint32_t>(msf.seconds) << 8) | static_cast<std::uint32_t>(msf.frames);
}

bool InsideDisc(const Toc& toc, std::int64_t sector) {
    return sector >= toc.tracks.front().start && sector < toc.leadOut;
}

std::optional<Lba> ResolveTmsf(const Toc& toc, const PositionValue& position) {
    const TocTrack* track = toc.FindTrack(static_cast<int>(std::min<std::uint32_t>(
        position.fields[0], static_cast<std::uint32_t>(std::numeric_limits<int>::max()))));
    const std::uint32_t minutes = position.fields[1];
    const std::uint32_t seconds = position.fields[2];
    const std::uint32_t frames = position.fields[3];
    if (track == nullptr || seconds >= SECONDS_PER_MINUTE || frames >= FRAMES_PER_SECOND) {
        return std::nullopt;
    }
    const std::int64_t offset = std::int64_t{minutes} * FRAMES_PER_MINUTE +
                                std::int64_t{seconds} * FRAMES_PER_SECOND + frames;
    if (offset >= TrackSpan(toc, *track)) {
        return std::nullopt;
    }
    return static_cast<Lba>(track->start + offset);
}

std::optional<Lba> ResolveAbsolute(const Toc& toc, std::int64_t absoluteFrames) {
    const std::int64_t sector = absoluteFrames - LEAD_IN_FRAMES;
    if (!InsideDisc(toc, sector)) {
        return std::nullopt;
    }
    return static_cast<Lba>(sector);
}

std::optional<Lba> ResolveMsf(const Toc& toc, const PositionValue& position) {
    const std::uint32_t minutes = position.fields[0];
    const std::uint32_t seconds = position.fields[1];
    const std::uint32_t frames = position.fields[2];
    if (position.count > 3 || seconds >= SECONDS_PER_MINUTE || frames >= FRAMES_PER_SECOND) {
        return std::nullopt;
    }
    return ResolveAbsolute(toc, std::int64_t{minutes} * FRAMES_PER_MINUTE +
                                    std::int64_t{seconds} * FRAMES_PER_SECOND + frames);
}

std::optional<Lba> ResolveMilliseconds(const Toc& toc, const PositionValue& position) {
    if (position.count > 1) {
        return std::nullopt;
    }
    return ResolveAbsolute(
        toc, std::int64_t{position.fields[0]} * FRAMES_PER_SECOND / MILLISECONDS_PER_SECOND);
}

}  // namespace

std::uint32_t DiscIdentity(const Toc& toc) {
    std::uint32_t identity = 0;
    for (const TocTrack& track : toc.tracks) {
        identity += PackedMsf(AbsoluteFrames(track.start));
    }
    if (toc.tracks.size() < 3) {
        const TocTrack& first = toc.tracks.front();
        identity += static_cast<std::uint32_t>(MsfFromFrames(AbsoluteFrames(first.start)).frames);
        identity += static_cast<std::uint32_t>(toc.leadOut - first.start);
    }
    return identity;
}

const TocTrack& TrackHolding(const Toc& toc, Lba sector) {
    if (sector < toc.tracks.front().start) {
        return toc.tracks.front();
    }
    const TocTrack* track = toc.TrackAt(sector);
    return track != nullptr ? *track : toc.tracks.back();
}

std::string PositionText(const Toc& toc, Lba sector, TimeFormat format) {
    switch (format) {
        case TimeFormat::Tmsf: {
            const TocTrack& track = TrackHolding(toc, sector);
            const Msf msf = MsfFromFrames(std::max<std::int64_t>(sector - track.start, 0));
            return FormatPositionText(track.number, msf.minutes, msf.seconds, msf.frames);
        }
        case TimeFormat::Msf:
            return MsfText(AbsoluteFrames(sector));
        case TimeFormat::Milliseconds:
            return PositionMilliseconds(AbsoluteFrames(sector));
    }
    return {};
}

std::string TrackStartText(const TocTrack& track, TimeFormat format) {
    switch (format) {
        case TimeFormat::Tmsf:
            return FormatPositionText(track.number, 0, 0, 0);
        case TimeFormat::Msf:
            return MsfText(AbsoluteFrames(track.start));
        case TimeFormat::Milliseconds:
            return PositionMilliseconds(AbsoluteFrames(track.start));
    }
    return {};
}

std::string DiscLengthText(const Toc& toc, TimeFormat format) {
    return DurationText(std::int64_t{toc.leadOut} - toc.tracks.front().start - 1, format);
}

std::string TrackLengthText(const Toc& toc, const TocTrack& track, TimeFormat format) {
    const bool last = track.number == toc.tracks.back().number;
    return DurationText(TrackSpan(toc, track) - (last ? 1 : 0), format);
}

std::optional<Lba> ResolvePosition(const Toc& toc, const PositionValue& position,
                                   TimeFormat format) {
    if (position.count == 0) {
        return std::nullopt;
    }
    switch (format) {
        case TimeFormat::Tmsf:
            return ResolveTmsf(toc, position);
        case TimeFormat::Msf:
            return ResolveMsf(toc, position);
        case TimeFormat::Milliseconds:
            return ResolveMilliseconds(toc, position);
    }
    return std::nullopt;
}

}  // namespace corvid::mci
