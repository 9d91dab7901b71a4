#include "platform/sound/PulseVolume.h"

#include <gtest/gtest.h>

#include <cstdint>

namespace corvid::sound {
namespace {

constexpr std::uint32_t TOP_LEVEL = 65535;

TEST(PulseVolume, TopLevelIsExactlyFullVolumeAndZeroIsSilent) {
    EXPECT_EQ(VolumeFromLevel(TOP_LEVEL), PA_VOLUME_NORM);
    EXPECT_EQ(VolumeFromLevel(0), PA_VOLUME_MUTED);
    EXPECT_EQ(LevelFromVolume(PA_VOLUME_NORM), TOP_LEVEL);
    EXPECT_EQ(LevelFromVolume(PA_VOLUME_MUTED), 0);
}

TEST(PulseVolume, EveryLevelReadsBackTheSameThroughAVolumeOfItsOwn) {
    pa_volume_t previous = PA_VOLUME_MUTED;
    for (std::uint32_t level = 0; level <= TOP_LEVEL; ++level) {
        const pa_volume_t volume = VolumeFromLevel(static_cast<std::uint16_t>(level));
        ASSERT_EQ(LevelFromVolume(volume), level) << "volume " << volume;
        if (level > 0) {
            ASSERT_GT(volume, previous) << "level " << level;
        }
        previous = volume;
    }
}

TEST(PulseVolume, LevelsFollowTheVolumeLinearly) {
    EXPECT_EQ(LevelFromVolume(PA_VOLUME_NORM / 2), 32768);  // 32767.5, rounded up
    EXPECT_EQ(LevelFromVolume(PA_VOLUME_NORM / 4), 16384);
    EXPECT_EQ(VolumeFromLevel(4369), 4369U);
}

TEST(PulseVolume, VolumesAboveFullReadAsTheTopLevelNeverWrapped) {
    for (const pa_volume_t volume : {PA_VOLUME_NORM + 1, PA_VOLUME_NORM * 2, PA_VOLUME_UI_MAX,
                                     PA_VOLUME_MAX, PA_VOLUME_INVALID}) {
        EXPECT_EQ(LevelFromVolume(volume), TOP_LEVEL) << "volume " << volume;
    }
}

TEST(PulseVolume, StereoKeepsLeftAndRightApart) {
    const pa_cvolume volume = StereoVolumeFromLevels({20000, 40000});
    ASSERT_EQ(volume.channels, 2);
    EXPECT_TRUE(pa_cvolume_valid(&volume));
    const cdrom::VolumeLevels levels = LevelsFromVolume(volume);
    EXPECT_EQ(levels.left, 20000);
    EXPECT_EQ(levels.right, 40000);
}

TEST(PulseVolume, OtherChannelCountsReadAsTheirAverage) {
    pa_cvolume mono{};
    pa_cvolume_set(&mono, 1, PA_VOLUME_NORM);
    const cdrom::VolumeLevels monoLevels = LevelsFromVolume(mono);
    EXPECT_EQ(monoLevels.left, TOP_LEVEL);
    EXPECT_EQ(monoLevels.right, TOP_LEVEL);

    pa_cvolume empty{};
    const cdrom::VolumeLevels emptyLevels = LevelsFromVolume(empty);
    EXPECT_EQ(emptyLevels.left, 0);
    EXPECT_EQ(emptyLevels.right, 0);
}

}  // namespace
}  // namespace corvid::sound
