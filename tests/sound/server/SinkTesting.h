#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <regex>
#include <span>
#include <sstream>
#include <string>

#include "platform/sound/PulseSink.h"
#include "tests/support/PulseServer.h"

namespace corvid::testing {

inline constexpr std::chrono::milliseconds TIMEOUT = std::chrono::seconds(10);
inline constexpr std::int64_t SECOND = cdrom::SAMPLE_RATE;

// The index of the first sink input on `server`.
inline std::optional<std::uint32_t> FirstStreamIndex(const PulseServer& server) {
    const CommandResult result = server.Pactl({"list", "short", "sink-inputs"});
    std::istringstream lines(result.output);
    std::uint32_t index = 0;
    if (result.exitStatus != 0 || !(lines >> index)) {
        return std::nullopt;
    }
    return index;
}

// The raw left and right volume of the first sink input, as pactl shows it.
inline std::optional<std::pair<std::uint32_t, std::uint32_t>> FirstStreamVolume(
    const PulseServer& server) {
    const CommandResult result = server.Pactl({"list", "sink-inputs"});
    static const std::regex volume(R"(Volume: front-left: (\d+) .*front-right: (\d+) )");
    std::smatch match;
    if (!std::regex_search(result.output, match, volume)) {
        return std::nullopt;
    }
    return std::pair{static_cast<std::uint32_t>(std::stoul(match[1])),
                     static_cast<std::uint32_t>(std::stoul(match[2]))};
}

inline bool WaitUntilStreaming(const sound::PulseSink& sink) {
    return sink.WaitUntil([&] { return sink.Link() == sound::ServerLink::Streaming; }, TIMEOUT);
}

inline bool WaitUntilAbsent(const sound::PulseSink& sink) {
    return sink.WaitUntil([&] { return sink.Link() == sound::ServerLink::Absent; }, TIMEOUT);
}

// Waits until `expected` has arrived whole in `recording`, found by its first
// frames; returns where it starts.
inline std::optional<std::size_t> WaitForRecorded(MonitorRecording& recording,
                                                  std::span<const std::int16_t> expected) {
    std::optional<std::size_t> start;
    const auto head = expected.first(std::min<std::size_t>(expected.size(), 32));
    const bool arrived = recording.WaitFor(
        [&](std::span<const std::int16_t> recorded) {
            start = FindFrames(recorded, head);
            return start && recorded.size() >= *start + expected.size();
        },
        TIMEOUT);
    return arrived ? start : std::nullopt;
}

// How many samples differ from `expected` in `recorded` from `start` on.
inline std::size_t CountChanged(std::span<const std::int16_t> recorded, std::size_t start,
                                std::span<const std::int16_t> expected) {
    std::size_t changed = 0;
    for (std::size_t i = 0; i < expected.size(); ++i) {
        if (start + i >= recorded.size() || recorded[start + i] != expected[i]) {
            ++changed;
        }
    }
    return changed;
}

// How many whole frames of `expected` follow one another in `recorded` from
// `start` on, up to the first that differs.
inline std::int64_t MatchingFrames(std::span<const std::int16_t> recorded, std::size_t start,
                                   std::span<const std::int16_t> expected) {
    std::int64_t frames = 0;
    for (std::size_t i = 0; i + 1 < expected.size() && start + i + 1 < recorded.size(); i += 2) {
        if (recorded[start + i] != expected[i] || recorded[start + i + 1] != expected[i + 1]) {
            break;
        }
        ++frames;
    }
    return frames;
}

}  // namespace corvid::testing
