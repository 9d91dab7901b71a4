#include "tests/support/PulseServer.h"

#include <gtest/gtest.h>

#include <chrono>

namespace corvid::testing {
namespace {

using namespace std::chrono_literals;

TEST(PulseServer, AnswersAtTheSameAddressAfterARestart) {
    PulseServer server;
    ASSERT_TRUE(server.Start()) << server.Log();
    const CommandResult sinks = server.Pactl({"list", "short", "sinks"});
    EXPECT_EQ(sinks.exitStatus, 0);
    EXPECT_NE(sinks.output.find(PulseServer::SINK_NAME), std::string::npos) << sinks.output;

    server.Stop();
    EXPECT_FALSE(server.IsRunning());
    EXPECT_NE(server.Pactl({"info"}).exitStatus, 0);

    ASSERT_TRUE(server.Start()) << server.Log();
    EXPECT_EQ(server.Pactl({"info"}).exitStatus, 0);
}

TEST(PulseServer, RecordingEndsWhenTheServerGoes) {
    PulseServer server;
    ASSERT_TRUE(server.Start()) << server.Log();
    MonitorRecording recording(server);
    ASSERT_TRUE(recording.WaitUntilRecording(5s));
    server.Stop();
    // WaitFor gives up once parec has ended, well before its timeout.
    EXPECT_FALSE(recording.WaitFor([](auto) { return false; }, 20s));
}

}  // namespace
}  // namespace corvid::testing
