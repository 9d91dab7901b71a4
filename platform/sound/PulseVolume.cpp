#include "platform/sound/PulseVolume.h"

#include <algorithm>
#include <limits>

namespace corvid::sound {
namespace {

constexpr std::uint64_t TOP_LEVEL = std::numeric_limits<std::uint16_t>::max();
constexpr std::uint64_t NORM = PA_VOLUME_NORM;

}  // namespace

pa_volume_t VolumeFromLevel(std::uint16_t level) {
    return static_cast<pa_volume_t>((level * NORM + TOP_LEVEL / 2) / TOP_LEVEL);
}

std::uint16_t LevelFromVolume(pa_volume_t volume) {
    const std::uint64_t clamped = std::min<std::uint64_t>(volume, NORM);
    return static_cast<std::uint16_t>((clamped * TOP_LEVEL + NORM / 2) / NORM);
}

pa_cvolume StereoVolumeFromLevels(cdrom::VolumeLevels levels) {
    pa_cvolume volume{};
    volume.channels = 2;
    volume.values[0] = VolumeFromLevel(levels.left);
    volume.values[1] = VolumeFromLevel(levels.right);
    return volume;
}

cdrom::VolumeLevels LevelsFromVolume(const pa_cvolume& volume) {
    if (volume.channels == 2) {
        return {LevelFromVolume(volume.values[0]), LevelFromVolume(volume.values[1])};
    }
    if (pa_cvolume_valid(&volume) == 0) {
        return {0, 0};
    }
    const std::uint16_t level = LevelFromVolume(pa_cvolume_avg(&volume));
    return {level, level};
}

}  // namespace corvid::sound
