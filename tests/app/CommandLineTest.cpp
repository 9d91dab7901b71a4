#include "app/CommandLine.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

namespace corvid::app {
namespace {

struct CommandLineCase {
    std::string name;
    std::vector<const char*> arguments;
    CommandOptions expected;
};

void PrintTo(const CommandLineCase& given, std::ostream* out) {
    *out << given.name;
}

CommandLineCase Runs(std::string name, std::vector<const char*> arguments, const char* device,
                     std::optional<std::filesystem::path> image = {}) {
    return {std::move(name),
            std::move(arguments),
            {CommandAction::Run, device, std::move(image), {}, {}, {}}};
}

CommandLineCase Ends(std::string name, std::vector<const char*> arguments, CommandAction action,
                     std::string failure = {}) {
    return {std::move(name),
            std::move(arguments),
            {action, DEFAULT_DEVICE, {}, "corvid-player: " + failure, {}, {}}};
}

class ParsedCommandLine : public ::testing::TestWithParam<CommandLineCase> {};

TEST_P(ParsedCommandLine, GivesItsActionPathsAndFailure) {
    const CommandOptions& expected = GetParam().expected;
    const CommandOptions options = ParseCommandLine(GetParam().arguments, "/home/u/music");
    EXPECT_EQ(options.action, expected.action);
    if (expected.action == CommandAction::Fail) {
        EXPECT_EQ(options.failure, expected.failure);
        return;
    }
    EXPECT_EQ(options.device, expected.device);
    EXPECT_EQ(options.image, expected.image);
}

constexpr CommandAction FAIL = CommandAction::Fail;
const std::string NO_DEVICE = "option --device needs a path: --device=PATH";

INSTANTIATE_TEST_SUITE_P(
    Options, ParsedCommandLine,
    ::testing::Values(
        Runs("Nothing", {}, "/dev/cdrom"), Runs("Device", {"--device=/dev/sr1"}, "/dev/sr1"),
        Runs("RelativeDevice", {"--device=sr"}, "/home/u/music/sr"),
        Runs("RelativeImage", {"d/a.cue", "--device=/dev/sr0"}, "/dev/sr0",
             "/home/u/music/d/a.cue"),
        Runs("MissingImageIsLeftToTheDevice", {"/no/a.cue"}, "/dev/cdrom", "/no/a.cue"),
        Runs("DashesEndOptions", {"--", "--a.cue"}, "/dev/cdrom", "/home/u/music/--a.cue"),
        Ends("Help", {"a.cue", "--help", "--bogus"}, CommandAction::ShowHelp),
        Ends("Version", {"--version"}, CommandAction::ShowVersion),
        Ends("Unknown", {"--bogus", "--help"}, FAIL, "unknown option '--bogus'"),
        Ends("DeviceWithoutPath", {"--device"}, FAIL, NO_DEVICE),
        Ends("DeviceEmptyPath", {"--device="}, FAIL, NO_DEVICE),
        Ends("EmptyImage", {""}, FAIL, "the image path is empty"),
        Ends("TwoImages", {"a.cue", "/b.cue"}, FAIL,
             "only one image can be played: '/home/u/music/a.cue' and '/b.cue'")),
    [](const ::testing::TestParamInfo<CommandLineCase>& info) { return info.param.name; });

TEST(CommandLineTexts, AreTheVersionAndTheUsageThatHelpBeginsWith) {
    EXPECT_EQ(VersionText(), "Corvid Player 1.08\n");
    EXPECT_EQ(UsageText(),
              "Usage: corvid-player [--device=PATH] [--musicbrainz-server=URL] "
              "[--gnudb-server=URL] [IMAGE]\n");
    EXPECT_TRUE(HelpText().starts_with(UsageText()));
}

TEST(CommandLineServers, AreTakenWhenTheyAreWebAddresses) {
    const std::vector<const char*> arguments = {"--musicbrainz-server=http://127.0.0.1:8080",
                                                "--gnudb-server=https://mirror.example/~cddb"};
    const CommandOptions options = ParseCommandLine(arguments, "/");
    EXPECT_EQ(options.action, CommandAction::Run);
    EXPECT_EQ(options.musicBrainzServer, "http://127.0.0.1:8080");
    EXPECT_EQ(options.gnudbServer, "https://mirror.example/~cddb");
    EXPECT_TRUE(ParseCommandLine({}, "/").musicBrainzServer.empty());

    for (const char* bad : {"--musicbrainz-server=", "--musicbrainz-server=ftp://x",
                            "--gnudb-server=localhost:80", "--gnudb-server=http://"}) {
        const std::vector<const char*> one = {bad};
        const CommandOptions refused = ParseCommandLine(one, "/");
        EXPECT_EQ(refused.action, CommandAction::Fail) << bad;
        EXPECT_NE(refused.failure.find("needs an http:// or https:// address"), std::string::npos)
            << refused.failure;
    }
}

}  // namespace
}  // namespace corvid::app
