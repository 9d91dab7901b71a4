#include <gtest/gtest.h>

#include <chrono>
#include <thread>
#include <vector>

#include "tests/mci/MciDeviceFixture.h"

namespace corvid::mci {
namespace {

using cdrom::Lba;
using cdrom::SAMPLE_FRAMES_PER_SECTOR;
using cdrom::TrackKind;
using corvid::testing::FakeSamples;

constexpr std::int64_t SECOND_FRAMES = cdrom::SAMPLE_RATE;
constexpr Lba TRACK_SECTORS = 300;  // four seconds

std::int64_t FramesOf(Lba sectors) {
    return std::int64_t{sectors} * SAMPLE_FRAMES_PER_SECTOR;
}

std::vector<std::int16_t> Joined(std::vector<std::int16_t> first,
                                 const std::vector<std::int16_t>& second) {
    first.insert(first.end(), second.begin(), second.end());
    return first;
}

// Three audio tracks of four seconds at LBA 0, 300 and 600; the lead-out at 900.
class MciDevicePlayTest : public MciDeviceTest {
  protected:
    void SetUp() override {
        // The reader thread catches up before every pull: no sleeping, no short pulls.
        m_sink.SetBeforePull(
            [this](std::int64_t frames) { m_device.Engine().WaitUntilBuffered(frames); });
        OpenWith(MakeToc({{TRACK_SECTORS}, {TRACK_SECTORS}, {TRACK_SECTORS}}));
        Ask("set cdaudio time format tmsf");
    }
    void Reopen(cdrom::Toc toc) {
        Ask("close cdaudio wait");
        OpenWith(std::move(toc));
        Ask("set cdaudio time format tmsf");
    }
    MciError Play(std::string_view command, NotifyWindow& window) {
        return Send(command, 64, &window).error;
    }

    RecordingWindow m_window;
};

using Notices = std::vector<MciNotifyCode>;

TEST_F(MciDevicePlayTest, PositionFollowsWhatIsHeard) {
    m_sink.SetRecording(true);
    ASSERT_EQ(Play("play cdaudio from 2 notify", m_window), MCIERR_NONE);
    EXPECT_EQ(Ask("status cdaudio mode"), "playing");
    EXPECT_EQ(Ask("status cdaudio position"), "02:00:00:00");

    ASSERT_EQ(m_sink.Consume(SECOND_FRAMES), SECOND_FRAMES);
    EXPECT_EQ(Ask("status cdaudio position"), "02:00:01:00");
    EXPECT_EQ(Ask("status cdaudio current track"), "2");
    EXPECT_EQ(m_sink.Heard(), FakeSamples(300, 375));

    ASSERT_EQ(m_sink.Consume(3 * SECOND_FRAMES + FramesOf(10)), 3 * SECOND_FRAMES + FramesOf(10));
    EXPECT_EQ(Ask("status cdaudio position"), "03:00:00:10");
    EXPECT_EQ(Ask("status cdaudio current track"), "3");
    EXPECT_TRUE(m_window.Notices().empty());
}

TEST_F(MciDevicePlayTest, StopHoldsThePositionAndPlayResumesThere) {
    ASSERT_EQ(Play("play cdaudio from 2 notify", m_window), MCIERR_NONE);
    ASSERT_EQ(m_sink.Consume(SECOND_FRAMES), SECOND_FRAMES);
    Ask("stop cdaudio");
    EXPECT_EQ(m_window.Notices(), Notices{MciNotifyCode::Superseded});
    EXPECT_EQ(Ask("status cdaudio mode"), "stopped");
    EXPECT_EQ(m_sink.Consume(SECOND_FRAMES), 0);
    EXPECT_EQ(Ask("status cdaudio position"), "02:00:01:00");

    m_sink.SetRecording(true);
    Ask("play cdaudio");
    EXPECT_EQ(Ask("status cdaudio mode"), "playing");
    EXPECT_EQ(Ask("status cdaudio position"), "02:00:01:00");
    ASSERT_EQ(m_sink.Consume(FramesOf(1)), FramesOf(1));
    EXPECT_EQ(m_sink.Heard(), FakeSamples(375, 376));
}

TEST_F(MciDevicePlayTest, PlayToTheEndIsSuccessful) {
    m_sink.SetRecording(true);
    ASSERT_EQ(Play("play cdaudio from 3 notify", m_window), MCIERR_NONE);
    EXPECT_EQ(m_sink.ConsumeAll(), FramesOf(TRACK_SECTORS));
    EXPECT_EQ(m_window.Notices(), Notices{MciNotifyCode::Successful});
    EXPECT_EQ(m_sink.Heard(), FakeSamples(600, 900));
    EXPECT_EQ(Ask("status cdaudio mode"), "stopped");
    EXPECT_EQ(Ask("status cdaudio current track"), "3");
    // Nothing is left to play from the end of the disc.
    EXPECT_EQ(Send("play cdaudio").error, MCIERR_OUTOFRANGE);
}

TEST_F(MciDevicePlayTest, PlaysOnPastDataTracksWithoutAGap) {
    Reopen(MakeToc({{TRACK_SECTORS}, {TRACK_SECTORS, TrackKind::Data}, {TRACK_SECTORS}}));
    m_sink.SetRecording(true);
    ASSERT_EQ(Play("play cdaudio from 1 notify", m_window), MCIERR_NONE);
    m_sink.ConsumeAll();
    EXPECT_EQ(m_sink.Heard(), Joined(FakeSamples(0, 300), FakeSamples(600, 900)));
    EXPECT_EQ(m_window.Notices(), Notices{MciNotifyCode::Successful});
}

TEST_F(MciDevicePlayTest, AnotherPlaySupersedesTheFirst) {
    RecordingWindow second;
    ASSERT_EQ(Play("play cdaudio from 1 notify", m_window), MCIERR_NONE);
    ASSERT_EQ(Play("play cdaudio from 02:00:02:00 notify", second), MCIERR_NONE);
    EXPECT_EQ(m_window.Notices(), Notices{MciNotifyCode::Superseded});
    EXPECT_TRUE(second.Notices().empty());
    EXPECT_EQ(Ask("status cdaudio position"), "02:00:02:00");
    m_sink.ConsumeAll();
    EXPECT_EQ(second.Notices(), Notices{MciNotifyCode::Successful});
}

TEST_F(MciDevicePlayTest, ReadErrorIsAFailure) {
    m_drive->FailReadsFrom(650);
    ASSERT_EQ(Play("play cdaudio from 3 notify", m_window), MCIERR_NONE);
    EXPECT_EQ(m_sink.ConsumeAll(), FramesOf(50));
    EXPECT_EQ(m_window.Notices(), Notices{MciNotifyCode::Failure});
    EXPECT_EQ(Ask("status cdaudio mode"), "stopped");
}

TEST_F(MciDevicePlayTest, WithoutNotifyNothingIsPosted) {
    ASSERT_EQ(Play("play cdaudio from 1", m_window), MCIERR_NONE);
    ASSERT_EQ(Play("play cdaudio from 3", m_window), MCIERR_NONE);
    m_sink.ConsumeAll();
    Ask("stop cdaudio");
    EXPECT_TRUE(m_window.Notices().empty());
}

TEST_F(MciDevicePlayTest, OpeningTheDoorStopsThePlay) {
    ASSERT_EQ(Play("play cdaudio from 2 notify", m_window), MCIERR_NONE);
    m_sink.Consume(SECOND_FRAMES);
    Ask("set cdaudio door open wait");
    EXPECT_EQ(m_window.Notices(), Notices{MciNotifyCode::Superseded});
    EXPECT_EQ(Ask("status cdaudio mode"), "open");
    EXPECT_EQ(Send("play cdaudio from 1").error, MCIERR_DEVICE_NOT_READY);

    Ask("set cdaudio door closed wait");
    EXPECT_EQ(Ask("status cdaudio mode"), "stopped");
    EXPECT_EQ(Ask("status cdaudio position"), "01:00:00:00");
}

TEST_F(MciDevicePlayTest, ChangedDiscEndsThePlayAsAFailure) {
    ASSERT_EQ(Play("play cdaudio from 2 notify", m_window), MCIERR_NONE);
    m_sink.Consume(SECOND_FRAMES);
    m_drive->ChangeDisc(MakeToc({{TRACK_SECTORS}, {TRACK_SECTORS}}));
    EXPECT_EQ(Ask("status cdaudio mode"), "open");
    EXPECT_EQ(m_window.Notices(), Notices{MciNotifyCode::Failure});
    EXPECT_EQ(Ask("status cdaudio mode"), "stopped");
    EXPECT_EQ(Ask("status cdaudio position"), "01:00:00:00");
    EXPECT_EQ(Ask("status cdaudio number of tracks"), "2");
}

TEST_F(MciDevicePlayTest, PlaysFromPositionsInEveryTimeFormat) {
    Ask("set cdaudio time format milliseconds");
    ASSERT_EQ(Play("play cdaudio from 6001 notify", m_window), MCIERR_NONE);
    EXPECT_EQ(Ask("status cdaudio position"), "6001");
    m_sink.Consume(SECOND_FRAMES);
    EXPECT_EQ(Ask("status cdaudio position"), "7001");

    Ask("set cdaudio time format msf");
    ASSERT_EQ(Play("play cdaudio from 00:10:00 notify", m_window), MCIERR_NONE);
    EXPECT_EQ(Ask("status cdaudio position"), "00:10:00");
    Ask("set cdaudio time format tmsf");
    EXPECT_EQ(Ask("status cdaudio position"), "03:00:00:00");
}

TEST_F(MciDevicePlayTest, CloseWhilePlayingPostsNothing) {
    ASSERT_EQ(Play("play cdaudio from 1 notify", m_window), MCIERR_NONE);
    m_sink.Consume(SECOND_FRAMES);
    Ask("close cdaudio wait");
    EXPECT_EQ(m_sink.Consume(SECOND_FRAMES), 0);
    EXPECT_TRUE(m_window.Notices().empty());
}

TEST_F(MciDevicePlayTest, PlayWithWaitReturnsWhenThePlayEnds) {
    const std::int64_t expected = FramesOf(TRACK_SECTORS);
    std::thread listener([this, expected] {
        // A failsafe, not a clock of the test: a play that never ends is stopped.
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
        std::int64_t heard = 0;
        while (heard < expected) {
            if (std::chrono::steady_clock::now() > deadline) {
                ADD_FAILURE() << "the play did not end";
                m_device.Engine().Stop();
                return;
            }
            const std::int64_t pulled = m_sink.Consume(4096);
            heard += pulled;
            if (pulled == 0) {
                std::this_thread::yield();
            }
        }
    });
    EXPECT_EQ(Play("play cdaudio from 3 wait notify", m_window), MCIERR_NONE);
    listener.join();
    EXPECT_EQ(m_window.Notices(), Notices{MciNotifyCode::Successful});
    EXPECT_EQ(Ask("status cdaudio mode"), "stopped");
}

TEST_F(MciDevicePlayTest, PlayWithWaitFromTheLastDataTrackReturnsAtOnce) {
    Reopen(MakeToc({{TRACK_SECTORS}, {TRACK_SECTORS, TrackKind::Data}}));
    EXPECT_EQ(Play("play cdaudio from 2 wait notify", m_window), MCIERR_NONE);
    EXPECT_EQ(m_window.Notices(), Notices{MciNotifyCode::Successful});
}

}  // namespace
}  // namespace corvid::mci
