#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "platform/cdrom/Toc.h"
#include "platform/mci/MciCommand.h"

namespace corvid::mci {

// The answers of the "cdaudio" device about a disc, in the texts Windows
// gives, so that keys and lengths match what the Windows player stored. Every
// function takes a table of contents with at least one track.

// The identity: the sum over every track of its absolute start packed as
// (minutes << 16) | (seconds << 8) | frames; a disc of one or two tracks adds
// track 1's frames field and the frames from track 1 to the lead-out.
[[nodiscard]] std::uint32_t DiscIdentity(const cdrom::Toc& toc);

// The track whose sectors hold `sector` (a pregap belongs to the track
// before); the first track before the disc's start, the last at its end.
[[nodiscard]] const cdrom::TocTrack& TrackHolding(const cdrom::Toc& toc, cdrom::Lba sector);

[[nodiscard]] std::string PositionText(const cdrom::Toc& toc, cdrom::Lba sector, TimeFormat format);
[[nodiscard]] std::string TrackStartText(const cdrom::TocTrack& track, TimeFormat format);
// One frame short of the lead-out, as Windows counts it.
[[nodiscard]] std::string DiscLengthText(const cdrom::Toc& toc, TimeFormat format);
// The last track is one frame short too, so that the tracks add up to the disc.
[[nodiscard]] std::string TrackLengthText(const cdrom::Toc& toc, const cdrom::TocTrack& track,
                                          TimeFormat format);

// The sector a play position names in `format`, or none when it does not lie
// inside its track (TMSF) or inside the disc's tracks.
[[nodiscard]] std::optional<cdrom::Lba> ResolvePosition(const cdrom::Toc& toc,
                                                        const PositionValue& position,
                                                        TimeFormat format);

}  // namespace corvid::mci
