#pragma once

#include <pulse/volume.h>

#include <cstdint>

#include "platform/cdrom/PcmSink.h"

namespace corvid::sound {

// The device's levels 0..65535 map linearly onto the server's volume with the
// top level exactly PA_VOLUME_NORM, so full volume leaves samples untouched.
// Both directions round to the nearest, so a level set reads back the same;
// volumes above 100 % read back as the top level.
[[nodiscard]] pa_volume_t VolumeFromLevel(std::uint16_t level);
[[nodiscard]] std::uint16_t LevelFromVolume(pa_volume_t volume);

// Stereo: the left level on channel 0, the right on channel 1.
[[nodiscard]] pa_cvolume StereoVolumeFromLevels(cdrom::VolumeLevels levels);
// A volume of any other channel count reads as its average on both sides.
[[nodiscard]] cdrom::VolumeLevels LevelsFromVolume(const pa_cvolume& volume);

}  // namespace corvid::sound
