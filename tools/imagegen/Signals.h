#pragma once

#include <cstdint>

#include "tools/imagegen/ImageGen.h"

namespace corvid::imagegen {

struct StereoFrame {
    std::int16_t left = 0;
    std::int16_t right = 0;
};

// A frame of the test signal: the left channel counts frames, the right one
// carries the track number and the counter's high bits.
StereoFrame TestSignalFrame(int trackNumber, std::int64_t frameInRegion);

// A frame of generated music. `frame` counts from INDEX 01 (the gap before it
// is silent); `trackFrames` is the track's length, for the fade at its end.
StereoFrame MusicFrame(int trackIndex, std::int64_t frame, std::int64_t trackFrames);

// Byte `offset` of a MODE1/2352 data sector at `lba`: sync, header, junk.
std::uint8_t DataSectorByte(Lba lba, int offset);

}  // namespace corvid::imagegen
