#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

// Figures the benchmark programs print, kept apart from the programs so that
// they can be checked without a display or a sound server.
namespace corvid::bench {

// The median of several repetitions and how far they spread.
struct Spread {
    std::size_t count = 0;
    double median = 0;
    double minimum = 0;
    double maximum = 0;
};

[[nodiscard]] Spread Summarize(std::vector<double> values);
// "median 12.3 (min 10.1, max 15.0, n 5)", values scaled by `scale`.
[[nodiscard]] std::string FormatSpread(const Spread& spread, double scale, int decimals);

// The first sample frame of interleaved stereo with a sample that is not zero.
[[nodiscard]] std::optional<std::size_t> FirstSoundingFrame(std::span<const std::int16_t> samples);
// How many sample frames at the end are all zero.
[[nodiscard]] std::size_t TrailingSilentFrames(std::span<const std::int16_t> samples);

// One call of the drive's read, its start and end in seconds.
struct TimedRead {
    double start = 0;
    double end = 0;
    std::int32_t sector = 0;
    int sectors = 0;
};

// Reads that follow one another with pauses shorter than a gap.
struct ReadBurst {
    double start = 0;
    double end = 0;
    double pauseBefore = 0;  // since the previous burst's end; 0 for the first
    std::int32_t firstSector = 0;
    int sectors = 0;
    int reads = 0;
};

[[nodiscard]] std::vector<ReadBurst> GroupIntoBursts(std::span<const TimedRead> reads,
                                                     double longestGap);
// The share of [from, to] in which the drive was reading.
[[nodiscard]] double DutyCycle(std::span<const TimedRead> reads, double from, double to);

}  // namespace corvid::bench
