#include <gtest/gtest.h>

#include <memory>

#include "platform/sound/PulseVolume.h"
#include "tests/sound/server/PatternSource.h"
#include "tests/sound/server/SinkTesting.h"

namespace corvid::sound {
namespace {

using cdrom::SinkState;
using cdrom::VolumeLevels;
using testing::CountChanged;
using testing::FirstStreamIndex;
using testing::FirstStreamVolume;
using testing::MonitorRecording;
using testing::PatternSource;
using testing::PulseServer;
using testing::SECOND;
using testing::TIMEOUT;
using testing::WaitForRecorded;
using testing::WaitUntilAbsent;
using testing::WaitUntilStreaming;

bool SameLevels(VolumeLevels a, VolumeLevels b) {
    return a.left == b.left && a.right == b.right;
}

// Asks pactl until the stream's volume is `expected`; pactl sees the server
// from a connection of its own, so our change may reach it a moment later.
bool WaitForMixerVolume(const PulseServer& server,
                        std::pair<std::uint32_t, std::uint32_t> expected) {
    const auto deadline = std::chrono::steady_clock::now() + TIMEOUT;
    while (std::chrono::steady_clock::now() < deadline) {
        if (FirstStreamVolume(server) == expected) {
            return true;
        }
    }
    return false;
}

TEST(PulseSinkServer, KeepsOneStreamNamedForThePlayer) {
    PulseServer server;
    ASSERT_TRUE(server.Start()) << server.Log();
    PulseSink sink({.serverAddress = server.Address()});
    ASSERT_TRUE(WaitUntilStreaming(sink));
    const auto index = FirstStreamIndex(server);
    ASSERT_TRUE(index.has_value());

    sink.SetState(SinkState::Playing);
    sink.SetState(SinkState::Paused);
    sink.Flush();
    const std::string inputs = server.Pactl({"list", "sink-inputs"}).output;
    EXPECT_NE(inputs.find("media.name = \"Corvid Player\""), std::string::npos) << inputs;
    EXPECT_NE(inputs.find("application.name = \"Corvid Player\""), std::string::npos) << inputs;
    EXPECT_EQ(FirstStreamIndex(server), index);
    const std::string shortList = server.Pactl({"list", "short", "sink-inputs"}).output;
    EXPECT_EQ(std::count(shortList.begin(), shortList.end(), '\n'), 1) << shortList;
}

TEST(PulseSinkServer, ReadsBackWhatAMixerSets) {
    PulseServer server;
    ASSERT_TRUE(server.Start()) << server.Log();
    PulseSink sink({.serverAddress = server.Address()});
    ASSERT_TRUE(WaitUntilStreaming(sink));
    EXPECT_TRUE(SameLevels(sink.GetVolume(), {0xFFFF, 0xFFFF}));
    const std::string index = std::to_string(FirstStreamIndex(server).value_or(0));

    struct Case {
        const char* left;
        const char* right;
        VolumeLevels expected;
    };
    const Case cases[] = {
        {"20000", "40000", {LevelFromVolume(20000), LevelFromVolume(40000)}},
        {"100000", "70000", {0xFFFF, 0xFFFF}},  // above 100 %: clamped
        {"0", "65536", {0, 0xFFFF}},
    };
    for (const Case& c : cases) {
        ASSERT_EQ(server.Pactl({"set-sink-input-volume", index, c.left, c.right}).exitStatus, 0);
        EXPECT_TRUE(
            sink.WaitUntil([&] { return SameLevels(sink.GetVolume(), c.expected); }, TIMEOUT))
            << c.left << " " << c.right << " read as " << sink.GetVolume().left << " "
            << sink.GetVolume().right;
    }
}

TEST(PulseSinkServer, SetVolumeShowsInTheMixerAndReadsBackTheSame) {
    PulseServer server;
    ASSERT_TRUE(server.Start()) << server.Log();
    PulseSink sink({.serverAddress = server.Address()});
    ASSERT_TRUE(WaitUntilStreaming(sink));

    sink.SetVolume({1000, 0xFFFF});
    EXPECT_TRUE(WaitForMixerVolume(server, {VolumeFromLevel(1000), PA_VOLUME_NORM}));
    EXPECT_TRUE(SameLevels(sink.GetVolume(), {1000, 0xFFFF}));
}

TEST(PulseSinkServer, VolumeSetWithoutAServerIsGivenToTheNewStream) {
    PulseServer server;
    PulseSink sink({.serverAddress = server.Address()});
    ASSERT_TRUE(WaitUntilAbsent(sink));
    EXPECT_TRUE(sink.HasVolumeControl());
    sink.SetVolume({30000, 20000});
    EXPECT_TRUE(SameLevels(sink.GetVolume(), {30000, 20000}));

    ASSERT_TRUE(server.Start()) << server.Log();
    ASSERT_TRUE(WaitUntilStreaming(sink));
    EXPECT_TRUE(WaitForMixerVolume(server, {VolumeFromLevel(30000), VolumeFromLevel(20000)}));
    EXPECT_TRUE(SameLevels(sink.GetVolume(), {30000, 20000}));
}

TEST(PulseSinkServer, SoundComesOnceTheServerStarts) {
    PulseServer server;
    PatternSource source(SECOND);
    // Held back until the recording runs, so that none of it is missed.
    source.LetOut(0);
    PulseSink sink({.serverAddress = server.Address()});
    sink.SetSource(&source);
    sink.SetState(SinkState::Playing);
    ASSERT_TRUE(WaitUntilAbsent(sink));
    EXPECT_EQ(sink.HeardFrames(), 0);

    ASSERT_TRUE(server.Start()) << server.Log();
    MonitorRecording recording(server);
    ASSERT_TRUE(recording.WaitUntilRecording(TIMEOUT));
    ASSERT_TRUE(WaitUntilStreaming(sink));
    source.LetOut(SECOND);
    ASSERT_TRUE(source.WaitUntilDrained(TIMEOUT));
    EXPECT_EQ(sink.HeardFrames(), SECOND);
    const auto start = WaitForRecorded(recording, source.Samples());
    ASSERT_TRUE(start.has_value());
    EXPECT_EQ(CountChanged(recording.Recorded(), *start, source.Samples()), 0U);
    sink.SetSource(nullptr);
}

TEST(PulseSinkServer, SoundGoesOnFromTheHeldPositionWhenTheServerComesBack) {
    PulseServer server;
    ASSERT_TRUE(server.Start()) << server.Log();
    PatternSource source(2 * SECOND);
    PulseSink sink({.serverAddress = server.Address()});
    sink.SetSource(&source);
    ASSERT_TRUE(WaitUntilStreaming(sink));
    sink.SetState(SinkState::Playing);
    ASSERT_TRUE(sink.WaitUntil([&] { return sink.HeardFrames() >= SECOND / 2; }, TIMEOUT));

    server.Stop();
    ASSERT_TRUE(WaitUntilAbsent(sink));
    const std::int64_t held = sink.HeardFrames();
    // What was buffered and never heard went back to the source.
    EXPECT_GT(source.LostFrames(), 0);
    EXPECT_EQ(source.Position(), held);
    source.LetOut(held);

    ASSERT_TRUE(server.Start()) << server.Log();
    MonitorRecording recording(server);
    ASSERT_TRUE(recording.WaitUntilRecording(TIMEOUT));
    ASSERT_TRUE(WaitUntilStreaming(sink));
    EXPECT_EQ(sink.HeardFrames(), held);
    source.LetOut(2 * SECOND);
    ASSERT_TRUE(source.WaitUntilDrained(TIMEOUT));
    EXPECT_EQ(sink.HeardFrames(), 2 * SECOND);

    const auto rest = source.Samples().subspan(static_cast<std::size_t>(held) * cdrom::CHANNELS);
    const auto start = WaitForRecorded(recording, rest);
    ASSERT_TRUE(start.has_value());
    EXPECT_EQ(CountChanged(recording.Recorded(), *start, rest), 0U);
    sink.SetSource(nullptr);
}

}  // namespace
}  // namespace corvid::sound
