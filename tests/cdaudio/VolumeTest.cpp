#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <vector>

#include "cdaudio/CdAudio.h"
#include "tests/cdaudio/FakePorts.h"

namespace corvid {
namespace {

using ::testing::ElementsAre;
using testing::FakeMci;
using testing::FakeMixer;
using ::testing::IsEmpty;
using testing::RecordingMessages;

constexpr std::uint32_t CD_LINE = MIXERLINE_COMPONENTTYPE_SRC_COMPACTDISC;  // 4101
constexpr std::uint32_t WAVE_LINE = 0x1008;
constexpr std::uint32_t SPEAKERS = 0x0004;

constexpr std::uint32_t Channels(std::uint32_t left, std::uint32_t right) {
    return left | (right << 16);
}

class VolumeTest : public ::testing::Test {
  protected:
    void AddDevice(std::uint32_t componentType, MixerResult lineResult = MIXER_NOERROR) {
        FakeMixer::Device device;
        device.componentType = componentType;
        device.lineResult = lineResult;
        mixer.devices.push_back(device);
    }

    // What the player window's OnDeltaPosVolume does with a delta.
    static void Spin(CCdAudio& cd, int delta) {
        cd.SetVolume(VolumeAfterSpinnerDelta(cd.GetVolume(), delta));
    }

    FakeMci mci;
    FakeMixer mixer;
    RecordingMessages messages;
};

TEST_F(VolumeTest, NoAuxDeviceAtAll) {
    CCdAudio cd(mci, mixer, messages);
    EXPECT_EQ(cd.m_nAuxDevice, -1);
    EXPECT_FALSE(cd.HasVolumeControl());
    EXPECT_EQ(cd.GetVolume(), 0U);
    cd.SetVolume(30000);
    EXPECT_THAT(mixer.getCalls, IsEmpty());
    EXPECT_TRUE(mixer.setCalls.empty());
    EXPECT_THAT(messages.shown, IsEmpty());
}

TEST_F(VolumeTest, NoCdLineAmongAllDevicesMeansNoVolumeCall) {
    AddDevice(WAVE_LINE);
    AddDevice(SPEAKERS);
    AddDevice(CD_LINE, MIXER_ERROR);  // the right type, but the call failed
    CCdAudio cd(mci, mixer, messages);
    EXPECT_THAT(mixer.lineQueries, ElementsAre(0U, 1U, 2U));
    EXPECT_EQ(cd.m_nAuxDevice, -1);
    EXPECT_FALSE(cd.HasVolumeControl());
    Spin(cd, -1);
    Spin(cd, +1);
    EXPECT_THAT(mixer.getCalls, IsEmpty());
    EXPECT_TRUE(mixer.setCalls.empty());
    EXPECT_THAT(messages.shown, IsEmpty());  // nothing is reported
}

TEST_F(VolumeTest, FirstQualifyingAuxDeviceWins) {
    AddDevice(WAVE_LINE);
    AddDevice(CD_LINE, MIXER_ERROR);
    AddDevice(CD_LINE);
    AddDevice(CD_LINE);
    CCdAudio cd(mci, mixer, messages);
    EXPECT_EQ(cd.m_nAuxDevice, 2);
    EXPECT_TRUE(cd.HasVolumeControl());
    EXPECT_THAT(mixer.lineQueries, ElementsAre(0U, 1U, 2U));  // later ones not examined
    cd.SetVolume(1);
    ASSERT_EQ(mixer.setCalls.size(), 1U);
    EXPECT_EQ(mixer.setCalls[0].device, 2U);
}

TEST_F(VolumeTest, DeviceZeroCanQualify) {
    AddDevice(CD_LINE);
    AddDevice(CD_LINE);
    CCdAudio cd(mci, mixer, messages);
    EXPECT_EQ(cd.m_nAuxDevice, 0);
    EXPECT_TRUE(cd.HasVolumeControl());
    EXPECT_THAT(mixer.lineQueries, ElementsAre(0U));
}

TEST_F(VolumeTest, FoundEvenWhenTheOpenFails) {
    mci.Fail("open cdaudio shareable wait", MCIERR_MUST_USE_SHAREABLE);
    AddDevice(CD_LINE);
    CCdAudio cd(mci, mixer, messages);
    EXPECT_EQ(cd.m_nAuxDevice, 0);
}

struct SpinCase {
    std::uint32_t before;  // the device's value: left low, right high
    int delta;             // -1 is a click on the up arrow
    std::uint32_t level;   // set on both channels
};

class SpinTest : public VolumeTest, public ::testing::WithParamInterface<SpinCase> {};

TEST_P(SpinTest, SetsBothChannelsFromTheLeftLevel) {
    const SpinCase& c = GetParam();
    AddDevice(CD_LINE);
    mixer.devices[0].volume = c.before;
    CCdAudio cd(mci, mixer, messages);
    Spin(cd, c.delta);
    ASSERT_EQ(mixer.setCalls.size(), 1U);
    EXPECT_EQ(mixer.setCalls[0].device, 0U);
    EXPECT_EQ(mixer.setCalls[0].value, Channels(c.level, c.level));
    EXPECT_EQ(mixer.setCalls[0].value, c.level * 65537U);
}

INSTANTIATE_TEST_SUITE_P(Clicks, SpinTest,
                         ::testing::Values(SpinCase{Channels(65535, 65535), -1, 65535},
                                           SpinCase{Channels(0, 0), +1, 0},
                                           SpinCase{Channels(30000, 30000), -1, 34369},
                                           SpinCase{Channels(30000, 30000), +1, 25631},
                                           SpinCase{Channels(20000, 40000), -1, 24369},
                                           SpinCase{Channels(61167, 0), -1, 65535},  // one over
                                           SpinCase{Channels(4368, 0), +1, 0},
                                           SpinCase{Channels(30000, 0), -3, 43107},
                                           SpinCase{Channels(30000, 0), -20, 65535},
                                           SpinCase{Channels(30000, 0), +20, 0},
                                           SpinCase{Channels(30000, 0), 0, 30000}));

TEST(VolumeAfterSpinnerDelta, ClampsWithoutOverflow) {
    EXPECT_EQ(VolumeAfterSpinnerDelta(30000, -1), 34369);
    EXPECT_EQ(VolumeAfterSpinnerDelta(30000, 1), 25631);
    EXPECT_EQ(VolumeAfterSpinnerDelta(65535, -1), 65535);
    EXPECT_EQ(VolumeAfterSpinnerDelta(0, 1), 0);
    EXPECT_EQ(VolumeAfterSpinnerDelta(0, INT_MIN), 65535);
    EXPECT_EQ(VolumeAfterSpinnerDelta(65535, INT_MAX), 0);
    EXPECT_EQ(VolumeAfterSpinnerDelta(UINT_MAX, 0), 65535);
    EXPECT_EQ(VOLUME_STEP * 15, 65535);
}

TEST_F(VolumeTest, FifteenUpClicksSpanTheRange) {
    AddDevice(CD_LINE);
    CCdAudio cd(mci, mixer, messages);
    for (int click = 0; click < 15; ++click) {
        EXPECT_EQ(cd.GetVolume(), static_cast<unsigned>(click * VOLUME_STEP));
        Spin(cd, -1);
    }
    EXPECT_EQ(cd.GetVolume(), 65535U);
    EXPECT_EQ(mixer.devices[0].volume, 0xFFFFFFFFU);
}

TEST_F(VolumeTest, GetVolumeIsTheLeftChannelAndZeroOnFailure) {
    AddDevice(CD_LINE);
    mixer.devices[0].volume = Channels(20000, 40000);
    CCdAudio cd(mci, mixer, messages);
    EXPECT_EQ(cd.GetVolume(), 20000U);
    mixer.devices[0].getResult = MIXER_ERROR;
    EXPECT_EQ(cd.GetVolume(), 0U);
    // So the next click starts from 0.
    mixer.devices[0].getResult = MIXER_ERROR;
    Spin(cd, -1);
    EXPECT_EQ(mixer.setCalls.back().value, Channels(4369, 4369));
}

TEST_F(VolumeTest, SetVolumeCutsTheLevelToSixteenBits) {
    AddDevice(CD_LINE);
    CCdAudio cd(mci, mixer, messages);
    cd.SetVolume(65536 + 5);
    cd.SetVolume(-1);
    cd.SetVolume(0);
    ASSERT_EQ(mixer.setCalls.size(), 3U);
    EXPECT_EQ(mixer.setCalls[0].value, Channels(5, 5));
    EXPECT_EQ(mixer.setCalls[1].value, Channels(65535, 65535));
    EXPECT_EQ(mixer.setCalls[2].value, 0U);
    // A failing set is ignored.
    mixer.devices[0].setResult = MIXER_ERROR;
    cd.SetVolume(100);
    EXPECT_EQ(mixer.setCalls.size(), 4U);
}

}  // namespace
}  // namespace corvid
