#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>

#include "platform/sound/PulseSink.h"
#include "tests/sound/server/PatternSource.h"
#include "tests/support/PulseServer.h"

namespace corvid::sound {
namespace {

using namespace std::chrono_literals;
using testing::FindFrames;
using testing::MonitorRecording;
using testing::PatternSource;
using testing::PulseServer;

constexpr auto TIMEOUT = 10s;
constexpr std::int64_t SECOND = cdrom::SAMPLE_RATE;

TEST(PulseSinkPlay, MonitorHearsEverySampleUnchanged) {
    PulseServer server;
    ASSERT_TRUE(server.Start()) << server.Log();
    MonitorRecording recording(server);
    ASSERT_TRUE(recording.WaitUntilRecording(TIMEOUT));

    PatternSource source(2 * SECOND);
    PulseSink sink({.serverAddress = server.Address()});
    sink.SetSource(&source);
    ASSERT_TRUE(sink.WaitUntil([&] { return sink.Link() == ServerLink::Streaming; }, TIMEOUT));
    sink.SetState(cdrom::SinkState::Playing);
    ASSERT_TRUE(source.WaitUntilDrained(TIMEOUT));
    EXPECT_EQ(sink.HeardFrames(), 2 * SECOND);

    const auto expected = source.Samples();
    std::size_t start = 0;
    ASSERT_TRUE(recording.WaitFor(
        [&](std::span<const std::int16_t> recorded) {
            const auto found = FindFrames(recorded, source.Head(16));
            start = found.value_or(0);
            return found && recorded.size() >= *found + expected.size();
        },
        TIMEOUT));
    const MonitorRecording::Samples recorded = recording.Recorded();
    std::size_t changed = 0;
    for (std::size_t i = 0; i < expected.size(); ++i) {
        if (recorded[start + i] != expected[i]) {
            ++changed;
        }
    }
    EXPECT_EQ(changed, 0U);
    sink.SetSource(nullptr);
}

}  // namespace
}  // namespace corvid::sound
