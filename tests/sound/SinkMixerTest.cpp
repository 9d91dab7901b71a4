#include "platform/sound/SinkMixer.h"

#include <gtest/gtest.h>

#include <cstdint>

#include "platform/sound/ManualSink.h"

namespace corvid::sound {
namespace {

// A sink whose client library cannot run: it has no volume control.
class SinkWithoutVolume final : public cdrom::PcmSink {
  public:
    void SetSource(cdrom::PcmSource*) override {}
    void SetState(cdrom::SinkState) override {}
    void Flush() override {}
    [[nodiscard]] std::int64_t HeardFrames() const override { return 0; }
    [[nodiscard]] bool HasVolumeControl() const override { return false; }
    [[nodiscard]] cdrom::VolumeLevels GetVolume() const override { return {}; }
    void SetVolume(cdrom::VolumeLevels) override { ++volumeSets; }

    int volumeSets = 0;
};

TEST(SinkMixer, OffersOneCompactDiscLineWhenTheSinkHasAVolume) {
    ManualSink sink;
    SinkMixer mixer(sink);
    ASSERT_EQ(mixer.GetNumberOfDevices(), 1U);
    std::uint32_t componentType = 0;
    EXPECT_EQ(mixer.GetLineComponentType(0, componentType), MIXER_NOERROR);
    EXPECT_EQ(componentType, MIXERLINE_COMPONENTTYPE_SRC_COMPACTDISC);
}

TEST(SinkMixer, VolumeHoldsLeftInTheLowHalfAndRightInTheHigh) {
    ManualSink sink;
    SinkMixer mixer(sink);
    sink.SetVolume({20000, 40000});
    std::uint32_t value = 0;
    ASSERT_EQ(mixer.GetVolume(0, value), MIXER_NOERROR);
    EXPECT_EQ(value, 20000U | (40000U << 16));

    ASSERT_EQ(mixer.SetVolume(0, 0xFFFFU | (4369U << 16)), MIXER_NOERROR);
    EXPECT_EQ(sink.GetVolume().left, 0xFFFF);
    EXPECT_EQ(sink.GetVolume().right, 4369);
}

TEST(SinkMixer, DevicesOtherThanTheFirstFailAndTouchNothing) {
    ManualSink sink;
    SinkMixer mixer(sink);
    sink.SetVolume({100, 200});
    for (const std::uint32_t device : {1U, 2U, 0xFFFFFFFFU}) {
        std::uint32_t componentType = 7;
        std::uint32_t value = 7;
        EXPECT_NE(mixer.GetLineComponentType(device, componentType), MIXER_NOERROR);
        EXPECT_NE(mixer.GetVolume(device, value), MIXER_NOERROR);
        EXPECT_NE(mixer.SetVolume(device, 0), MIXER_NOERROR);
        EXPECT_EQ(componentType, 7U);
        EXPECT_EQ(value, 7U);
    }
    EXPECT_EQ(sink.GetVolume().left, 100);
    EXPECT_EQ(sink.GetVolume().right, 200);
}

TEST(SinkMixer, HasNoDeviceWhenTheSinkHasNoVolume) {
    SinkWithoutVolume sink;
    SinkMixer mixer(sink);
    EXPECT_EQ(mixer.GetNumberOfDevices(), 0U);
    std::uint32_t componentType = 0;
    std::uint32_t value = 0;
    EXPECT_NE(mixer.GetLineComponentType(0, componentType), MIXER_NOERROR);
    EXPECT_NE(mixer.GetVolume(0, value), MIXER_NOERROR);
    EXPECT_NE(mixer.SetVolume(0, 0xFFFFFFFF), MIXER_NOERROR);
    EXPECT_EQ(sink.volumeSets, 0);
}

}  // namespace
}  // namespace corvid::sound
