#include "app/CommandLine.h"

#include <gtest/gtest.h>

#include <optional>
#include <ostream>
#include <string>
#include <vector>

namespace corvid::app {
namespace {

const std::filesystem::path CURRENT_FOLDER = "/home/user/music";

struct CommandLineCase {
    std::string name;
    std::vector<const char*> arguments;
    CommandAction action;
    std::filesystem::path device;
    std::optional<std::filesystem::path> image;
    std::string failure;
};

void PrintTo(const CommandLineCase& given, std::ostream* out) {
    *out << given.name;
}

class ParsedCommandLine : public ::testing::TestWithParam<CommandLineCase> {};

TEST_P(ParsedCommandLine, GivesItsActionPathsAndFailure) {
    const CommandLineCase& given = GetParam();
    const CommandOptions options = ParseCommandLine(given.arguments, CURRENT_FOLDER);
    EXPECT_EQ(options.action, given.action);
    EXPECT_EQ(options.failure, given.failure);
    if (given.action != CommandAction::Run) {
        return;
    }
    EXPECT_EQ(options.device, given.device);
    EXPECT_EQ(options.image, given.image);
}

constexpr CommandAction RUN = CommandAction::Run;
constexpr CommandAction FAIL = CommandAction::Fail;
constexpr CommandAction HELP = CommandAction::ShowHelp;
constexpr CommandAction VERSION = CommandAction::ShowVersion;
const std::string NO_DEVICE_PATH = "corvid-player: option --device needs a path: --device=PATH";

INSTANTIATE_TEST_SUITE_P(
    Options, ParsedCommandLine,
    ::testing::Values(
        CommandLineCase{"Nothing", {}, RUN, "/dev/cdrom", std::nullopt, ""},
        CommandLineCase{"Device", {"--device=/dev/sr1"}, RUN, "/dev/sr1", std::nullopt, ""},
        CommandLineCase{"LastDeviceWins",
                        {"--device=/dev/sr0", "--device=/dev/sr1"},
                        RUN,
                        "/dev/sr1",
                        std::nullopt,
                        ""},
        CommandLineCase{
            "RelativeDevice", {"--device=drive"}, RUN, "/home/user/music/drive", std::nullopt, ""},
        CommandLineCase{"AbsoluteImage", {"/srv/a.cue"}, RUN, "/dev/cdrom", "/srv/a.cue", ""},
        CommandLineCase{"RelativeImage",
                        {"discs/a.cue"},
                        RUN,
                        "/dev/cdrom",
                        "/home/user/music/discs/a.cue",
                        ""},
        CommandLineCase{"ImageAfterDevice",
                        {"x.cue", "--device=/dev/sr0"},
                        RUN,
                        "/dev/sr0",
                        "/home/user/music/x.cue",
                        ""},
        CommandLineCase{"NonexistentImageIsNotAnOptionError",
                        {"/no/such/disc.cue"},
                        RUN,
                        "/dev/cdrom",
                        "/no/such/disc.cue",
                        ""},
        CommandLineCase{"DashesEndOptions",
                        {"--", "--odd.cue"},
                        RUN,
                        "/dev/cdrom",
                        "/home/user/music/--odd.cue",
                        ""},
        CommandLineCase{"LoneDashIsAnImage", {"-"}, RUN, "/dev/cdrom", "/home/user/music/-", ""},
        CommandLineCase{"Help", {"--help"}, HELP, "", std::nullopt, ""},
        CommandLineCase{"Version", {"x.cue", "--version"}, VERSION, "", std::nullopt, ""},
        CommandLineCase{"HelpBeforeABadOption", {"--help", "--bogus"}, HELP, "", std::nullopt, ""},
        CommandLineCase{"Unknown",
                        {"--bogus"},
                        FAIL,
                        "",
                        std::nullopt,
                        "corvid-player: unknown option '--bogus'"},
        CommandLineCase{
            "UnknownShort", {"-h"}, FAIL, "", std::nullopt, "corvid-player: unknown option '-h'"},
        CommandLineCase{"BadOptionBeforeHelp",
                        {"--bogus", "--help"},
                        FAIL,
                        "",
                        std::nullopt,
                        "corvid-player: unknown option '--bogus'"},
        CommandLineCase{"DeviceWithoutPath", {"--device"}, FAIL, "", std::nullopt, NO_DEVICE_PATH},
        CommandLineCase{"DeviceEmptyPath", {"--device="}, FAIL, "", std::nullopt, NO_DEVICE_PATH},
        CommandLineCase{"DevicePrefixOnly",
                        {"--devices=/dev/sr0"},
                        FAIL,
                        "",
                        std::nullopt,
                        "corvid-player: unknown option '--devices=/dev/sr0'"},
        CommandLineCase{
            "EmptyImage", {""}, FAIL, "", std::nullopt, "corvid-player: the image path is empty"},
        CommandLineCase{"TwoImages",
                        {"a.cue", "/b.cue"},
                        FAIL,
                        "",
                        std::nullopt,
                        "corvid-player: only one image can be played: "
                        "'/home/user/music/a.cue' and '/b.cue'"}),
    [](const ::testing::TestParamInfo<CommandLineCase>& info) { return info.param.name; });

TEST(CommandLineTexts, VersionIsTheProgramsNameAndNumber) {
    EXPECT_EQ(VersionText(), "Corvid Player 1.08\n");
}

TEST(CommandLineTexts, HelpStartsWithTheUsageAndNamesEveryOption) {
    const std::string help = HelpText();
    EXPECT_EQ(UsageText(), "Usage: corvid-player [--device=PATH] [IMAGE]\n");
    EXPECT_TRUE(help.starts_with(UsageText()));
    for (const char* option : {"--device=PATH", "--help", "--version", "/dev/cdrom"}) {
        EXPECT_NE(help.find(option), std::string::npos) << option;
    }
}

}  // namespace
}  // namespace corvid::app
