#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "tools/imagegen/ImageGen.h"

namespace corvid::imagegen {

// Where one track lies on the disc. Its "region" is what a file holds of it:
// the INDEX 00 gap and the track itself, [index00Start, end).
struct TrackLayout {
    Lba gapStart = 0;      // first PREGAP sector
    Lba index00Start = 0;  // first INDEX 00 sector, or the start without one
    Lba start = 0;         // INDEX 01
    Lba end = 0;           // first sector after the track's own audio
    Lba postgapEnd = 0;    // first sector after its POSTGAP
};

// Of a description as imaged (AsImaged).
std::vector<TrackLayout> LayOut(const DiscDescription& disc);

// The sample frames a sector of the track takes in its file.
int FileFramesPerSector(const TrackDescription& track);

// Samples of `sectorCount` sectors of track `trackIndex`'s region from
// `firstSector` (counted from the region's start), as a drive reads them.
void RegionSamples(const DiscDescription& disc, std::size_t trackIndex, Lba firstSector,
                   Lba sectorCount, std::span<std::int16_t> samples);

// Why the image cannot carry its sheet as asked, or nothing when it can.
std::optional<std::string> CheckEmbedding(const DiscDescription& disc);

// The byte order that a reader of this track's file reads samples in.
enum class ByteOrder : std::uint8_t { Little, Big };
ByteOrder FileByteOrder(const DiscDescription& disc, std::size_t trackIndex);

}  // namespace corvid::imagegen
