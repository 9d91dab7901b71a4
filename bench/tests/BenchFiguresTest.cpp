#include <gtest/gtest.h>

#include <vector>

#include "bench/BenchFigures.h"

namespace corvid::bench {
namespace {

TEST(Summarize, TakesTheMiddleOfAnOddCountAndTheMeanOfTheTwoMiddlesOfAnEvenOne) {
    const Spread odd = Summarize({9, 1, 5});
    EXPECT_EQ(odd.count, 3U);
    EXPECT_DOUBLE_EQ(odd.median, 5);
    EXPECT_DOUBLE_EQ(odd.minimum, 1);
    EXPECT_DOUBLE_EQ(odd.maximum, 9);
    EXPECT_DOUBLE_EQ(Summarize({4, 1, 3, 2}).median, 2.5);
    EXPECT_EQ(Summarize({}).count, 0U);
}

TEST(FormatSpread, ScalesEveryValue) {
    EXPECT_EQ(FormatSpread(Summarize({0.010, 0.012, 0.020}), 1000, 1),
              "median 12.0 (min 10.0, max 20.0, n 3)");
}

struct SoundCase {
    std::vector<std::int16_t> samples;
    std::optional<std::size_t> firstSounding;
    std::size_t trailingSilent;
};

class SoundFrames : public ::testing::TestWithParam<SoundCase> {};

TEST_P(SoundFrames, AreFoundFrameByFrame) {
    EXPECT_EQ(FirstSoundingFrame(GetParam().samples), GetParam().firstSounding);
    EXPECT_EQ(TrailingSilentFrames(GetParam().samples), GetParam().trailingSilent);
}

INSTANTIATE_TEST_SUITE_P(Bench, SoundFrames,
                         ::testing::Values(SoundCase{{}, std::nullopt, 0},
                                           SoundCase{{0, 0, 0, 0}, std::nullopt, 2},
                                           // A sound in the right channel alone counts.
                                           SoundCase{{0, 0, 0, 7, 0, 0}, 1, 1},
                                           SoundCase{{-1, 0, 0, 0, 0, 0}, 0, 2},
                                           SoundCase{{0, 0, 3, 3}, 1, 0}));

TEST(GroupIntoBursts, JoinsReadsWithShortPausesAndMeasuresThePausesBetweenBursts) {
    const std::vector<TimedRead> reads = {
        {0.00, 0.25, 0, 75},   {0.26, 0.50, 75, 75},  {0.50, 0.75, 150, 75},
        {5.00, 5.25, 225, 75}, {5.25, 5.50, 300, 75}, {10.50, 10.75, 375, 75},
    };
    const std::vector<ReadBurst> bursts = GroupIntoBursts(reads, 0.05);
    ASSERT_EQ(bursts.size(), 3U);
    EXPECT_EQ(bursts[0].reads, 3);
    EXPECT_EQ(bursts[0].sectors, 225);
    EXPECT_DOUBLE_EQ(bursts[0].end, 0.75);
    EXPECT_DOUBLE_EQ(bursts[0].pauseBefore, 0);
    EXPECT_EQ(bursts[1].firstSector, 225);
    EXPECT_DOUBLE_EQ(bursts[1].pauseBefore, 4.25);
    EXPECT_DOUBLE_EQ(bursts[2].pauseBefore, 5.0);
    EXPECT_EQ(bursts[2].reads, 1);
}

TEST(DutyCycle, CountsOnlyTheReadingInsideTheSpan) {
    const std::vector<TimedRead> reads = {{0, 1, 0, 75}, {4, 6, 75, 150}};
    EXPECT_DOUBLE_EQ(DutyCycle(reads, 0, 10), 0.3);
    // The second read is cut at the span's end.
    EXPECT_DOUBLE_EQ(DutyCycle(reads, 0, 5), 0.4);
    EXPECT_DOUBLE_EQ(DutyCycle(reads, 3, 3), 0);
}

}  // namespace
}  // namespace corvid::bench
