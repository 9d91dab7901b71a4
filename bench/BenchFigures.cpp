#include "bench/BenchFigures.h"

#include <algorithm>
#include <cstdio>

namespace corvid::bench {

namespace {

constexpr std::size_t CHANNELS = 2;

bool IsSilent(std::span<const std::int16_t> frame) {
    return std::all_of(frame.begin(), frame.end(), [](std::int16_t sample) { return sample == 0; });
}

}  // namespace

Spread Summarize(std::vector<double> values) {
    Spread spread;
    spread.count = values.size();
    if (values.empty()) {
        return spread;
    }
    std::sort(values.begin(), values.end());
    const std::size_t middle = values.size() / 2;
    spread.median =
        values.size() % 2 == 1 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
    spread.minimum = values.front();
    spread.maximum = values.back();
    return spread;
}

std::string FormatSpread(const Spread& spread, double scale, int decimals) {
    char text[128];
    std::snprintf(text, sizeof text, "median %.*f (min %.*f, max %.*f, n %zu)", decimals,
                  spread.median * scale, decimals, spread.minimum * scale, decimals,
                  spread.maximum * scale, spread.count);
    return text;
}

std::optional<std::size_t> FirstSoundingFrame(std::span<const std::int16_t> samples) {
    const std::size_t frames = samples.size() / CHANNELS;
    for (std::size_t frame = 0; frame < frames; ++frame) {
        if (!IsSilent(samples.subspan(frame * CHANNELS, CHANNELS))) {
            return frame;
        }
    }
    return std::nullopt;
}

std::size_t TrailingSilentFrames(std::span<const std::int16_t> samples) {
    const std::size_t frames = samples.size() / CHANNELS;
    std::size_t silent = 0;
    while (silent < frames &&
           IsSilent(samples.subspan((frames - silent - 1) * CHANNELS, CHANNELS))) {
        ++silent;
    }
    return silent;
}

std::vector<ReadBurst> GroupIntoBursts(std::span<const TimedRead> reads, double longestGap) {
    std::vector<ReadBurst> bursts;
    for (const TimedRead& read : reads) {
        if (!bursts.empty() && read.start - bursts.back().end <= longestGap) {
            ReadBurst& burst = bursts.back();
            burst.end = std::max(burst.end, read.end);
            burst.sectors += read.sectors;
            ++burst.reads;
            continue;
        }
        const double pause = bursts.empty() ? 0 : read.start - bursts.back().end;
        bursts.push_back({read.start, read.end, pause, read.sector, read.sectors, 1});
    }
    return bursts;
}

double DutyCycle(std::span<const TimedRead> reads, double from, double to) {
    if (to <= from) {
        return 0;
    }
    double busy = 0;
    for (const TimedRead& read : reads) {
        busy += std::max(0.0, std::min(read.end, to) - std::max(read.start, from));
    }
    return busy / (to - from);
}

}  // namespace corvid::bench
