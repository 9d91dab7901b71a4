#include "platform/cdrom/PlaybackEngine.h"

#include <gtest/gtest.h>

#include <vector>

#include "platform/sound/ManualSink.h"
#include "tests/support/FakeDrive.h"

namespace corvid::cdrom {
namespace {

using testing::FakeDrive;
using testing::FakeSamples;
using testing::FakeTrack;
using testing::MakeToc;

constexpr Lba SECOND = 75;

struct NoticeLog {
    std::vector<MciNotifyCode> codes;
    PlaybackEngine::EndNotice Recorder() {
        return [this](MciNotifyCode code) { codes.push_back(code); };
    }
};

std::vector<std::int16_t> Concat(std::vector<std::vector<std::int16_t>> parts) {
    std::vector<std::int16_t> all;
    for (const auto& part : parts) {
        all.insert(all.end(), part.begin(), part.end());
    }
    return all;
}

class PlaybackEngineTest : public ::testing::Test {
  protected:
    explicit PlaybackEngineTest(std::vector<FakeTrack> tracks = {{3 * SECOND},
                                                                 {2 * SECOND, TrackKind::Data},
                                                                 {2 * SECOND},
                                                                 {3 * SECOND}})
        : m_drive(MakeToc(tracks)), m_engine(m_sink, EngineOptions{1, 20}) {
        m_sink.SetRecording(true);
        m_sink.SetBeforePull([this](std::int64_t frames) { m_engine.WaitUntilBuffered(frames); });
    }

    void PlayFrom(Lba start) {
        m_engine.Play(m_drive, m_drive.CurrentToc(), start, m_log.Recorder());
    }
    const cdrom::Toc& Disc() { return *m_drive.CurrentToc(); }

    FakeDrive m_drive;
    sound::ManualSink m_sink;
    PlaybackEngine m_engine;
    NoticeLog m_log;
};

TEST_F(PlaybackEngineTest, PlaysToTheEndGaplessSkippingTheDataTrack) {
    PlayFrom(0);
    m_sink.ConsumeAll(1000);

    const auto& tracks = Disc().tracks;
    const auto expected = Concat({FakeSamples(tracks[0].start, tracks[0].playableEnd),
                                  FakeSamples(tracks[2].start, tracks[2].playableEnd),
                                  FakeSamples(tracks[3].start, tracks[3].playableEnd)});
    ASSERT_EQ(m_sink.Heard().size(), expected.size());
    EXPECT_TRUE(m_sink.Heard() == expected) << "a sample was changed, dropped or inserted";
    EXPECT_EQ(m_log.codes, std::vector{MciNotifyCode::Successful});
    EXPECT_EQ(m_engine.Status().mode, EngineMode::Stopped);
    EXPECT_EQ(m_engine.Status().position, Disc().leadOut);
}

TEST_F(PlaybackEngineTest, PositionIsTheSectorHeard) {
    PlayFrom(SECOND);
    struct Step {
        std::int64_t consume;
        Lba position;
    };
    const std::vector<Step> steps = {
        {0, SECOND},
        {SAMPLE_FRAMES_PER_SECTOR - 1, SECOND},
        {1, SECOND + 1},
        {SAMPLE_FRAMES_PER_SECTOR * 148, 3 * SECOND - 1},
        {SAMPLE_FRAMES_PER_SECTOR, 5 * SECOND},  // over the data track
        {SAMPLE_FRAMES_PER_SECTOR * 10, 5 * SECOND + 10},
    };
    for (const Step& step : steps) {
        std::int64_t left = step.consume;
        while (left > 0) {
            left -= m_sink.Consume(std::min<std::int64_t>(left, 4000));
        }
        EXPECT_EQ(m_engine.Status().position, step.position) << "after " << step.consume;
        EXPECT_EQ(m_engine.Status().mode, EngineMode::Playing);
    }
}

TEST_F(PlaybackEngineTest, StopHoldsThePositionAndPlayResumesWithTheNextSample) {
    PlayFrom(0);
    m_sink.Consume(SAMPLE_FRAMES_PER_SECTOR * 30 + 100);
    m_engine.Stop();
    EXPECT_EQ(m_log.codes, std::vector{MciNotifyCode::Superseded});
    EXPECT_EQ(m_engine.Status().mode, EngineMode::Stopped);
    EXPECT_EQ(m_engine.Status().position, 30);
    EXPECT_EQ(m_sink.Consume(1000), 0) << "a stopped engine gives nothing";

    m_engine.Play(m_drive, m_drive.CurrentToc(), m_engine.Status().position, {});
    m_sink.Consume(SAMPLE_FRAMES_PER_SECTOR);
    const std::vector<std::int16_t>& heard = m_sink.Heard();
    const auto resumed = std::vector<std::int16_t>(heard.end() - SAMPLES_PER_SECTOR, heard.end());
    EXPECT_TRUE(resumed == FakeSamples(30, 31));
}

TEST_F(PlaybackEngineTest, ANewPlaySupersedesTheOldOne) {
    PlayFrom(0);
    m_sink.Consume(5000);
    NoticeLog second;
    m_engine.Play(m_drive, m_drive.CurrentToc(), Disc().tracks[3].start, second.Recorder());
    EXPECT_EQ(m_log.codes, std::vector{MciNotifyCode::Superseded});

    const std::size_t before = m_sink.Heard().size();
    m_sink.Consume(SAMPLE_FRAMES_PER_SECTOR);
    const std::vector<std::int16_t> first(
        m_sink.Heard().begin() + static_cast<std::ptrdiff_t>(before), m_sink.Heard().end());
    const Lba start = Disc().tracks[3].start;
    EXPECT_TRUE(first == FakeSamples(start, start + 1)) << "the old play's samples leaked through";
    m_sink.ConsumeAll();
    EXPECT_EQ(second.codes, std::vector{MciNotifyCode::Successful});
}

TEST_F(PlaybackEngineTest, AReadErrorEndsThePlayWhereItHappened) {
    m_drive.FailReadsFrom(2 * SECOND + 7);
    PlayFrom(0);
    m_sink.ConsumeAll();
    EXPECT_TRUE(m_sink.Heard() == FakeSamples(0, 2 * SECOND + 7));
    EXPECT_EQ(m_log.codes, std::vector{MciNotifyCode::Failure});
    const EngineStatus status = m_engine.Status();
    EXPECT_EQ(status.mode, EngineMode::Stopped);
    ASSERT_TRUE(status.error.has_value());
    EXPECT_NE(status.error->text.find("/dev/fake-cdrom"), std::string::npos);
}

TEST_F(PlaybackEngineTest, PlayingWhereNoAudioFollowsEndsAtOnce) {
    m_engine.Play(m_drive, m_drive.CurrentToc(), Disc().leadOut, m_log.Recorder());
    EXPECT_EQ(m_log.codes, std::vector{MciNotifyCode::Successful});
    EXPECT_EQ(m_engine.Status().mode, EngineMode::Stopped);
}

TEST_F(PlaybackEngineTest, LostFramesAreGivenAgain) {
    PlayFrom(0);
    m_sink.Consume(10000);
    m_engine.OnLost(3000);
    std::vector<std::int16_t> again(3000 * CHANNELS);
    m_engine.WaitUntilBuffered(3000);
    ASSERT_EQ(m_engine.Pull(again).frames, 3000U);
    const auto all = FakeSamples(0, 20);
    EXPECT_TRUE(std::equal(again.begin(), again.end(), all.begin() + 7000 * CHANNELS));
}

TEST_F(PlaybackEngineTest, LostFramesOlderThanTheRingAreReadAgain) {
    PlayFrom(0);
    m_sink.Consume(SAMPLE_RATE / 2);
    m_engine.WaitUntilBuffered(
        SAMPLE_RATE);  // the ring is full again: the lost part is overwritten
    m_engine.OnLost(SAMPLE_RATE / 2 - 5);
    std::vector<std::int16_t> again(100 * CHANNELS);
    m_engine.WaitUntilBuffered(100);
    ASSERT_EQ(m_engine.Pull(again).frames, 100U);
    const auto all = FakeSamples(0, 2);
    EXPECT_TRUE(std::equal(again.begin(), again.end(), all.begin() + 5 * CHANNELS));
}

TEST_F(PlaybackEngineTest, TheDriveIsReadInBurstsFromHalfEmptyToFull) {
    PlayFrom(0);
    m_engine.WaitUntilBuffered(SAMPLE_RATE);
    const int afterFill = m_drive.ReadCalls();
    EXPECT_EQ(m_drive.SpeedsSet(), (std::vector{ReadSpeed::Fast, ReadSpeed::Quiet}))
        << "an empty buffer is filled fast, then the drive is kept quiet";

    m_sink.Consume(SAMPLE_RATE / 4);
    EXPECT_EQ(m_drive.ReadCalls(), afterFill) << "a buffer three quarters full is not topped up";
    m_sink.Consume(SAMPLE_RATE / 4 + SAMPLE_FRAMES_PER_SECTOR);
    m_engine.WaitUntilBuffered(SAMPLE_RATE);
    EXPECT_GT(m_drive.ReadCalls(), afterFill);
}

TEST_F(PlaybackEngineTest, DetachEndsWithoutANotice) {
    PlayFrom(0);
    m_sink.Consume(4000);
    m_engine.Detach();
    EXPECT_TRUE(m_log.codes.empty());
    EXPECT_EQ(m_engine.Status().mode, EngineMode::Stopped);
    EXPECT_EQ(m_sink.Consume(100), 0);
}

}  // namespace
}  // namespace corvid::cdrom
