#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>

#include "platform/sound/PulseSink.h"
#include "platform/sound/SinkMixer.h"

namespace corvid::sound {
namespace {

using namespace std::chrono_literals;

class CountingSource final : public cdrom::PcmSource {
  public:
    PullResult Pull(std::span<std::int16_t>) override {
        ++pulls;
        return {};
    }
    void OnDrained() override {}
    void OnLost(std::int64_t) override {}

    int pulls = 0;
};

TEST(PulseSinkWithoutServer, OpensWithAVolumeControlAndKeepsWhatItIsTold) {
    CountingSource source;
    PulseSink sink({.serverAddress = "unix:/nonexistent/corvid-player-test/native"});
    EXPECT_TRUE(sink.HasVolumeControl());
    ASSERT_TRUE(sink.WaitUntil([&] { return sink.Link() == ServerLink::Absent; }, 10s));

    sink.SetSource(&source);
    sink.SetState(cdrom::SinkState::Playing);
    sink.Flush();
    sink.SetVolume({123, 456});
    EXPECT_EQ(sink.HeardFrames(), 0);
    EXPECT_EQ(sink.GetVolume().left, 123);
    EXPECT_EQ(sink.GetVolume().right, 456);

    SinkMixer mixer(sink);
    EXPECT_EQ(mixer.GetNumberOfDevices(), 1U);
    std::uint32_t value = 0;
    ASSERT_EQ(mixer.GetVolume(0, value), MIXER_NOERROR);
    EXPECT_EQ(value, 123U | (456U << 16));
    sink.SetSource(nullptr);
    EXPECT_EQ(source.pulls, 0);
}

}  // namespace
}  // namespace corvid::sound
