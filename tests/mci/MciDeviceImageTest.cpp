// The device over real image drives made by the generator.
#include <gtest/gtest.h>

#include <filesystem>

#include "platform/mci/MciDevice.h"
#include "platform/sound/ManualSink.h"
#include "tests/support/TemporaryFolder.h"
#include "tools/imagegen/ImageGen.h"

namespace corvid::mci {
namespace {

using imagegen::DiscDescription;
using imagegen::TrackType;

// Track 1: 10 s; track 2: 5 s after an INDEX 00 gap of 2 s; track 3: data, 4 s.
DiscDescription MixedDisc() {
    DiscDescription disc;
    disc.format = imagegen::AudioFormat::Wave;
    disc.layout = imagegen::FileLayout::FilePerTrack;
    disc.tracks.resize(3);
    disc.tracks[0].length = 750;
    disc.tracks[1].length = 375;
    disc.tracks[1].index00 = 150;
    disc.tracks[2].type = TrackType::Data;
    disc.tracks[2].length = 300;
    return disc;
}

class MciDeviceImageTest : public ::testing::Test {
  protected:
    void SetUp() override {
        const imagegen::WriteResult written = imagegen::WriteImage(m_disc, m_folder.Path(), "disc");
        ASSERT_FALSE(written.error) << *written.error;
        m_cueSheet = written.cueSheet;
        ASSERT_EQ(Send("open cdaudio shareable wait"), "");
        ASSERT_EQ(Send("set cdaudio time format tmsf"), "");
        m_sink.SetRecording(true);
        m_sink.SetBeforePull(
            [this](std::int64_t frames) { m_device.Engine().WaitUntilBuffered(frames); });
    }

    std::string Send(std::string_view command) {
        char answer[64] = {};
        const MciError error = m_device.SendString(command, answer, nullptr);
        return error == MCIERR_NONE ? std::string(answer) : "error " + std::to_string(error);
    }

    DiscDescription m_disc = MixedDisc();
    testing::TemporaryFolder m_folder;
    std::filesystem::path m_cueSheet;
    sound::ManualSink m_sink;
    MciDevice m_device{[this] {
                           return cdrom::OpenDrive({cdrom::DriveLocation::Kind::Image, m_cueSheet});
                       },
                       m_sink};
};

TEST_F(MciDeviceImageTest, AnswersAboutTheDiscAsTheCueSheetLaysItOut) {
    // Starts at LBA 0, 900 and 1275, lead-out at 1575: absolute 00:02:00,
    // 00:14:00 and 00:19:00; fewer than three tracks would add more.
    const int identity = (2 << 8) + ((14 << 8)) + ((19 << 8));
    const std::vector<std::pair<std::string_view, std::string>> answers = {
        {"info cdaudio identity", std::to_string(identity)},
        {"status cdaudio number of tracks", "3"},
        {"status cdaudio type track 1", "audio"},
        {"status cdaudio type track 3", "other"},
        {"status cdaudio media present", "true"},
        {"status cdaudio mode", "stopped"},
        {"status cdaudio length", "00:20:74"},
        {"status cdaudio position track 2", "02:00:00:00"},
        {"status cdaudio position", "01:00:00:00"},
    };
    for (const auto& [command, expected] : answers) {
        EXPECT_EQ(Send(command), expected) << command;
    }
    ASSERT_EQ(Send("set cdaudio time format milliseconds"), "");
    EXPECT_EQ(Send("status cdaudio position track 2"), "14001");
    EXPECT_EQ(Send("status cdaudio length"), "20986");
}

TEST_F(MciDeviceImageTest, PlaysFromAPositionAndHearsTheImagesSamples) {
    ASSERT_EQ(Send("play cdaudio from 01:00:09:00"), "");
    // The last second of track 1, the gap of track 2 that belongs to it, then track 2.
    m_sink.Consume(cdrom::SAMPLE_RATE + 2 * cdrom::SAMPLE_RATE + 588 * 10);
    EXPECT_EQ(Send("status cdaudio position"), "02:00:00:10");
    EXPECT_EQ(Send("status cdaudio current track"), "2");
    m_sink.ConsumeAll();
    EXPECT_EQ(Send("status cdaudio mode"), "stopped");

    const std::vector<std::int16_t> whole = imagegen::ExpectedPlayback(m_disc, 1);
    const std::vector<std::int16_t> fromNine(
        whole.begin() + 9 * cdrom::SAMPLE_RATE * cdrom::CHANNELS, whole.end());
    EXPECT_TRUE(m_sink.Heard() == fromNine) << "the data track must not be heard";
}

TEST_F(MciDeviceImageTest, TheVirtualTrayTakesTheImageOutAndPutsItBack) {
    ASSERT_EQ(Send("play cdaudio from 2"), "");
    ASSERT_EQ(Send("set cdaudio door open wait"), "");
    EXPECT_EQ(Send("status cdaudio mode"), "open");
    EXPECT_EQ(Send("status cdaudio media present"), "false");
    EXPECT_EQ(Send("play cdaudio from 1"), "error " + std::to_string(MCIERR_DEVICE_NOT_READY));

    ASSERT_EQ(Send("set cdaudio door closed wait"), "");
    EXPECT_EQ(Send("status cdaudio mode"), "stopped");
    EXPECT_EQ(Send("status cdaudio number of tracks"), "3");
}

}  // namespace
}  // namespace corvid::mci
