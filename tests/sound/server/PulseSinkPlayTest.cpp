#include <gtest/gtest.h>

#include <memory>

#include "tests/sound/server/PatternSource.h"
#include "tests/sound/server/SinkTesting.h"

namespace corvid::sound {
namespace {

using cdrom::SinkState;
using testing::CountChanged;
using testing::FindFrames;
using testing::MatchingFrames;
using testing::MonitorRecording;
using testing::PatternSource;
using testing::PulseServer;
using testing::SECOND;
using testing::TIMEOUT;
using testing::WaitForRecorded;
using testing::WaitUntilStreaming;

// The heard count comes from the stream's clock, which libpulse interpolates
// between the server's reports: it may be a little off what the monitor got.
constexpr std::int64_t ESTIMATE_TOLERANCE = SECOND / 50;
// A stream that runs dry stops its clock short of the end; how far short
// depends on when the server last ran, so a loaded machine sees more.
constexpr std::int64_t DRY_STREAM_TOLERANCE = SECOND / 10;

class PulseSinkPlay : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(m_server.Start()) << m_server.Log();
        m_recording = std::make_unique<MonitorRecording>(m_server);
        ASSERT_TRUE(m_recording->WaitUntilRecording(TIMEOUT));
    }

    // Starts `sink` playing from `source`, once its stream is there.
    static void Play(PulseSink& sink, PatternSource& source) {
        sink.SetSource(&source);
        ASSERT_TRUE(WaitUntilStreaming(sink));
        sink.SetState(SinkState::Playing);
    }

    bool WaitUntilHeard(const PulseSink& sink, std::int64_t frames) {
        return sink.WaitUntil([&] { return sink.HeardFrames() >= frames; }, TIMEOUT);
    }

    // Lets `frames` of real time pass, measured by what the monitor records.
    void LetTimePass(std::int64_t frames) {
        const std::size_t target = m_recording->Recorded().size() + frames * cdrom::CHANNELS;
        ASSERT_TRUE(m_recording->WaitFor([&](auto recorded) { return recorded.size() >= target; },
                                         TIMEOUT));
    }

    // How many frames of `expected`, from its first, the monitor has heard in
    // one run; 0 when it never began.
    std::int64_t PlayedFrames(std::span<const std::int16_t> expected) {
        const MonitorRecording::Samples recorded = m_recording->Recorded();
        const auto head = expected.first(std::min<std::size_t>(expected.size(), 32));
        const auto start = FindFrames(recorded, head);
        return start ? MatchingFrames(recorded, *start, expected) : 0;
    }

    static std::span<const std::int16_t> FramesFrom(std::span<const std::int16_t> samples,
                                                    std::int64_t frame) {
        return samples.subspan(static_cast<std::size_t>(frame) * cdrom::CHANNELS);
    }

    void ExpectRecordedExactly(std::span<const std::int16_t> expected) {
        const auto start = WaitForRecorded(*m_recording, expected);
        ASSERT_TRUE(start.has_value()) << "the samples never arrived whole";
        EXPECT_EQ(CountChanged(m_recording->Recorded(), *start, expected), 0U);
    }

    PulseServer m_server;
    std::unique_ptr<MonitorRecording> m_recording;
};

TEST_F(PulseSinkPlay, MonitorHearsEverySampleUnchangedAndTheDrainIsReported) {
    PatternSource source(2 * SECOND);
    PulseSink sink({.serverAddress = m_server.Address()});
    Play(sink, source);
    ASSERT_TRUE(source.WaitUntilDrained(TIMEOUT));
    EXPECT_EQ(sink.HeardFrames(), 2 * SECOND);
    ExpectRecordedExactly(source.Samples());
    EXPECT_EQ(source.Drains(), 1);
    sink.SetSource(nullptr);
}

TEST_F(PulseSinkPlay, ServerAsksForMoreInLargePiecesOnly) {
    // Each pull is a wake-up of the process. Asked by the server's own
    // measure (about every 20 ms), four seconds took some eighty pulls.
    constexpr int MOST_PULLS = 24;
    PatternSource source(4 * SECOND);
    PulseSink sink({.serverAddress = m_server.Address()});
    Play(sink, source);
    ASSERT_TRUE(source.WaitUntilDrained(TIMEOUT));
    EXPECT_LE(source.Pulls(), MOST_PULLS);
    ExpectRecordedExactly(source.Samples());
    sink.SetSource(nullptr);
}

TEST_F(PulseSinkPlay, SourceMayCallTheSinkWhenToldOfTheDrain) {
    PatternSource source(SECOND / 10);
    PulseSink sink({.serverAddress = m_server.Address()});
    std::int64_t heardAtEnd = -1;
    source.SetWhenDrained([&] {
        sink.SetState(SinkState::Paused);
        heardAtEnd = sink.HeardFrames();
    });
    Play(sink, source);
    ASSERT_TRUE(source.WaitUntilDrained(TIMEOUT));
    EXPECT_EQ(heardAtEnd, SECOND / 10);
    sink.SetSource(nullptr);
}

TEST_F(PulseSinkPlay, ShortSourceIsAskedAgainAndNothingIsDroppedAcrossTheGap) {
    const std::int64_t half = SECOND / 2;
    PatternSource source(2 * half);
    source.LetOut(0);
    PulseSink sink({.serverAddress = m_server.Address()});
    Play(sink, source);
    // Without asking again, a source that gave nothing would never be pulled again.
    ASSERT_TRUE(source.WaitUntilPulls(3, TIMEOUT));
    EXPECT_EQ(sink.HeardFrames(), 0);

    source.LetOut(half);
    // Run dry: the stream's clock stops a little short of the end.
    ASSERT_TRUE(WaitUntilHeard(sink, half - DRY_STREAM_TOLERANCE))
        << "heard " << sink.HeardFrames() << " of " << source.Position();
    EXPECT_EQ(source.Position(), half);
    EXPECT_LE(sink.HeardFrames(), half);
    EXPECT_EQ(source.Drains(), 0);
    source.LetOut(2 * half);
    ASSERT_TRUE(source.WaitUntilDrained(TIMEOUT));
    EXPECT_EQ(sink.HeardFrames(), 2 * half);

    const auto samples = source.Samples();
    const std::size_t halfSamples = static_cast<std::size_t>(half) * cdrom::CHANNELS;
    ExpectRecordedExactly(samples.first(halfSamples));
    ExpectRecordedExactly(samples.subspan(halfSamples));
    sink.SetSource(nullptr);
}

TEST_F(PulseSinkPlay, PausedSinkHoldsItsCountPullsNothingAndLosesNothing) {
    PatternSource source(2 * SECOND);
    PulseSink sink({.serverAddress = m_server.Address()});
    Play(sink, source);
    ASSERT_TRUE(WaitUntilHeard(sink, SECOND / 2));

    sink.SetState(SinkState::Paused);
    const std::int64_t heard = sink.HeardFrames();
    const std::int64_t pulled = source.Position();
    LetTimePass(SECOND / 2);
    EXPECT_EQ(sink.HeardFrames(), heard);
    EXPECT_EQ(source.Position(), pulled);
    const std::int64_t played = PlayedFrames(source.Samples());
    EXPECT_LE(heard, played + ESTIMATE_TOLERANCE);

    sink.SetState(SinkState::Playing);
    ASSERT_TRUE(source.WaitUntilDrained(TIMEOUT));
    EXPECT_EQ(sink.HeardFrames(), 2 * SECOND);
    ExpectRecordedExactly(FramesFrom(source.Samples(), played));
    sink.SetSource(nullptr);
}

TEST_F(PulseSinkPlay, FlushDropsTheUnheardAndCountsAfresh) {
    // Longer than the sink buffers, so that some is left to play after the flush.
    PatternSource source(4 * SECOND);
    PulseSink sink({.serverAddress = m_server.Address()});
    Play(sink, source);
    ASSERT_TRUE(WaitUntilHeard(sink, SECOND / 2));

    sink.SetState(SinkState::Paused);
    sink.Flush();
    EXPECT_EQ(sink.HeardFrames(), 0);
    const std::int64_t resumeAt = source.Position();
    const auto rest = FramesFrom(source.Samples(), resumeAt);
    // A moment of play after the flush: the count must not run ahead of the
    // sound, as it would if it kept counting from the stream's start.
    sink.SetState(SinkState::Playing);
    ASSERT_TRUE(WaitUntilHeard(sink, SECOND / 10));
    sink.SetState(SinkState::Paused);
    const std::int64_t heard = sink.HeardFrames();
    LetTimePass(SECOND / 2);
    const std::int64_t played = PlayedFrames(rest);
    EXPECT_LE(heard, played + ESTIMATE_TOLERANCE);

    sink.SetState(SinkState::Playing);
    ASSERT_TRUE(source.WaitUntilDrained(TIMEOUT));
    EXPECT_EQ(sink.HeardFrames(), 4 * SECOND - resumeAt);
    ExpectRecordedExactly(FramesFrom(rest, played));
    // The last frames pulled before the flush were still queued: dropped.
    const auto dropped = source.Samples().subspan(
        static_cast<std::size_t>(resumeAt - 16) * cdrom::CHANNELS, 16 * cdrom::CHANNELS);
    EXPECT_FALSE(FindFrames(m_recording->Recorded(), dropped).has_value());
    sink.SetSource(nullptr);
}

}  // namespace
}  // namespace corvid::sound
