// The whole device on a private sound server: a generated image played from
// track 1 to its end through the "cdaudio" device and PulseAudio.
#include <gtest/gtest.h>

#include <condition_variable>
#include <mutex>
#include <vector>

#include "cdaudio/CdAudio.h"
#include "platform/mci/MciDevice.h"
#include "platform/sound/PulseSink.h"
#include "platform/sound/SinkMixer.h"
#include "tests/sound/server/SinkTesting.h"
#include "tests/support/PulseServer.h"
#include "tools/imagegen/ImageGen.h"

namespace corvid::testing {
namespace {

using imagegen::AudioFormat;
using imagegen::DiscDescription;
using imagegen::FileLayout;
using imagegen::TrackDescription;
using imagegen::TrackType;

constexpr auto PLAY_TIMEOUT = std::chrono::seconds(60);

class NoticeWaiter final : public NotifyWindow {
  public:
    void PostMciNotify(MciNotifyCode code) override {
        std::lock_guard lock(m_mutex);
        m_codes.push_back(code);
        m_changed.notify_all();
    }
    bool WaitFor(MciNotifyCode code) {
        std::unique_lock lock(m_mutex);
        return m_changed.wait_for(lock, PLAY_TIMEOUT, [&] {
            return std::find(m_codes.begin(), m_codes.end(), code) != m_codes.end();
        });
    }

  private:
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::vector<MciNotifyCode> m_codes;
};

class NoMessages final : public MessagePort {
  public:
    void ShowMessage(std::string_view text) override { ADD_FAILURE() << "message: " << text; }
};

// Two FILEs, an INDEX 00 gap, a data track in the middle and a PREGAP: every
// way a disc has of joining its tracks.
DiscDescription MixedDisc() {
    DiscDescription disc;
    disc.layout = FileLayout::FilePerTrack;
    disc.format = AudioFormat::Flac;
    disc.tracks.resize(4);
    disc.tracks[0].length = 150;
    disc.tracks[1].length = 100;
    disc.tracks[1].index00 = 30;
    disc.tracks[2].type = TrackType::Data;
    disc.tracks[2].length = 150;
    disc.tracks[3].length = 120;
    disc.tracks[3].pregap = 20;
    return disc;
}

class DiscPlaybackTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(m_server.Start()) << m_server.Log();
        const imagegen::WriteResult written =
            imagegen::WriteImage(m_disc, m_server.Folder(), "disc");
        ASSERT_FALSE(written.error) << *written.error;
        m_cueSheet = written.cueSheet;
        m_sink.emplace(sound::PulseSinkOptions{m_server.Address()});
        m_mixer.emplace(*m_sink);
        m_device.emplace(
            [this] {
                return cdrom::OpenDrive({cdrom::DriveLocation::Kind::Image, m_cueSheet});
            },
            *m_sink);
        m_cd.emplace(*m_device, *m_mixer, m_messages);
        m_cd->SetNotifyWindow(&m_notices);
        ASSERT_EQ(m_cd->m_nOpenError, MCIERR_NONE);
        ASSERT_TRUE(WaitUntilStreaming(*m_sink));
    }

    // Members are destroyed in reverse: the device closes before the sink goes.
    DiscDescription m_disc = MixedDisc();
    PulseServer m_server;
    std::filesystem::path m_cueSheet;
    std::optional<sound::PulseSink> m_sink;
    std::optional<sound::SinkMixer> m_mixer;
    std::optional<mci::MciDevice> m_device;
    NoMessages m_messages;
    NoticeWaiter m_notices;
    std::optional<CCdAudio> m_cd;
};

TEST_F(DiscPlaybackTest, PlaysTheWholeDiscBitExact) {
    MonitorRecording recording(m_server);
    ASSERT_TRUE(recording.WaitUntilRecording(TIMEOUT));
    m_cd->Play();
    ASSERT_TRUE(m_notices.WaitFor(MciNotifyCode::Successful));

    const std::vector<std::int16_t> expected = imagegen::ExpectedPlayback(m_disc, 1);
    const std::optional<std::size_t> start = WaitForRecorded(recording, expected);
    ASSERT_TRUE(start.has_value()) << "the disc's first samples never reached the sink";
    const std::vector<std::int16_t> recorded = recording.Recorded();
    EXPECT_EQ(CountChanged(recorded, *start, expected), 0U)
        << "samples changed, dropped or inserted";
    EXPECT_EQ(m_cd->GetMode(), CDMODE_READY);
}

TEST_F(DiscPlaybackTest, AVolumeSetByAMixerIsWhatTheDeviceReads) {
    m_cd->Play();
    const std::optional<std::uint32_t> stream = FirstStreamIndex(m_server);
    ASSERT_TRUE(stream.has_value());
    ASSERT_EQ(
        m_server.Pactl({"set-sink-input-volume", std::to_string(*stream), "32768"}).exitStatus, 0);
    // 32768 of the server's 65536 is half: level 32768 of 65535, rounded.
    EXPECT_TRUE(m_sink->WaitUntil([&] { return m_cd->GetVolume() == 32768; }, TIMEOUT))
        << "the device reads " << m_cd->GetVolume();

    m_cd->SetVolume(65535);
    EXPECT_TRUE(m_sink->WaitUntil(
        [&] {
            return FirstStreamVolume(m_server) ==
                   std::pair<std::uint32_t, std::uint32_t>{65536, 65536};
        },
        TIMEOUT));
    m_cd->Stop();
}

TEST_F(DiscPlaybackTest, PlayGoesOnFromTheHeldPositionWhenTheServerComesBack) {
    const std::vector<std::int16_t> expected = imagegen::ExpectedPlayback(m_disc, 1);
    {
        MonitorRecording first(m_server);
        ASSERT_TRUE(first.WaitUntilRecording(TIMEOUT));
        m_cd->Play();
        // Let a second of the disc be heard, then take the server away.
        ASSERT_TRUE(first.WaitFor(
            [&](std::span<const std::int16_t> recorded) {
                const auto start = FindFrames(recorded, std::span(expected).first(32));
                return start && recorded.size() > *start + 2 * SECOND;
            },
            TIMEOUT));
    }
    m_server.Stop();
    ASSERT_TRUE(WaitUntilAbsent(*m_sink));
    EXPECT_EQ(m_cd->GetMode(), CDMODE_PLAYING) << "a lost server must not stop the play";
    const auto framesIntoTrackOne = [this] {
        int track = 0, minutes = 0, seconds = 0, frames = 0;
        m_cd->GetPositionParts(track, minutes, seconds, frames);
        EXPECT_EQ(track, 1);
        return (minutes * 60 + seconds) * 75 + frames;
    };
    const int heldFrames = framesIntoTrackOne();
    EXPECT_GT(heldFrames, 0);
    EXPECT_EQ(framesIntoTrackOne(), heldFrames) << "the position holds while no server is there";

    ASSERT_TRUE(m_server.Start()) << m_server.Log();
    MonitorRecording second(m_server);
    ASSERT_TRUE(second.WaitUntilRecording(TIMEOUT));
    ASSERT_TRUE(m_notices.WaitFor(MciNotifyCode::Successful));

    // What the new server hears is the rest of the disc, from about the
    // held position on, without a sample changed, dropped or inserted.
    const std::size_t resumeFrame =
        static_cast<std::size_t>(heldFrames) * cdrom::SAMPLE_FRAMES_PER_SECTOR;
    const std::span<const std::int16_t> rest = std::span(expected).subspan(
        std::min(expected.size(), (resumeFrame + 2 * SECOND) * cdrom::CHANNELS));
    // The notice can come before parec has handed over the last samples.
    const std::optional<std::size_t> start = WaitForRecorded(second, rest);
    ASSERT_TRUE(start.has_value()) << "the rest of the disc never reached the new server";
    const std::vector<std::int16_t> recorded = second.Recorded();
    EXPECT_EQ(CountChanged(recorded, *start, rest), 0U);
}

}  // namespace
}  // namespace corvid::testing
