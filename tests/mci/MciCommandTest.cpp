#include "platform/mci/MciCommand.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace corvid::mci {
namespace {

constexpr CommandFlags NO_FLAGS{};
constexpr CommandFlags WAIT{WaitFlag::Wait, NotifyFlag::NoNotify};
constexpr CommandFlags NOTIFY{WaitFlag::NoWait, NotifyFlag::Notify};
constexpr CommandFlags WAIT_NOTIFY{WaitFlag::Wait, NotifyFlag::Notify};

PositionValue Fields(std::vector<std::uint32_t> fields) {
    PositionValue position;
    for (const std::uint32_t field : fields) {
        position.fields[position.count++] = field;
    }
    return position;
}

StatusCommand Status(StatusItem item, std::uint32_t track = 0, CommandFlags flags = NO_FLAGS) {
    return StatusCommand{flags, item, track};
}

struct AcceptedCase {
    std::string text;
    Command expected;
};

class AcceptedCommand : public ::testing::TestWithParam<AcceptedCase> {};

TEST_P(AcceptedCommand, ParsesToItsTypedCommand) {
    const std::optional<Command> parsed = ParseCommand(GetParam().text);
    ASSERT_TRUE(parsed.has_value()) << GetParam().text;
    EXPECT_TRUE(*parsed == GetParam().expected) << GetParam().text;
}

// Every string the device object sends, with the numbers it fills in.
INSTANTIATE_TEST_SUITE_P(
    StringsTheDeviceObjectSends, AcceptedCommand,
    ::testing::Values(
        AcceptedCase{"open cdaudio shareable wait", OpenCommand{WAIT, Sharing::Shareable}},
        AcceptedCase{"set cdaudio time format tmsf",
                     SetTimeFormatCommand{NO_FLAGS, TimeFormat::Tmsf}},
        AcceptedCase{"set cdaudio time format milliseconds",
                     SetTimeFormatCommand{NO_FLAGS, TimeFormat::Milliseconds}},
        AcceptedCase{"close cdaudio wait", CloseCommand{WAIT}},
        AcceptedCase{"play cdaudio from 1 notify", PlayCommand{NOTIFY, Fields({1})}},
        AcceptedCase{"play cdaudio from 03:01:05:20 notify",
                     PlayCommand{NOTIFY, Fields({3, 1, 5, 20})}},
        AcceptedCase{"stop cdaudio", StopCommand{NO_FLAGS}},
        AcceptedCase{"set cdaudio door open wait", SetDoorCommand{WAIT, DoorAction::Open}},
        AcceptedCase{"set cdaudio door closed wait", SetDoorCommand{WAIT, DoorAction::Closed}},
        AcceptedCase{"info cdaudio identity", InfoIdentityCommand{NO_FLAGS}},
        AcceptedCase{"status cdaudio position", Status(StatusItem::Position)},
        AcceptedCase{"status cdaudio length", Status(StatusItem::Length)},
        AcceptedCase{"status cdaudio number of tracks", Status(StatusItem::NumberOfTracks)},
        AcceptedCase{"status cdaudio current track", Status(StatusItem::CurrentTrack)},
        AcceptedCase{"status cdaudio mode", Status(StatusItem::Mode)},
        AcceptedCase{"status cdaudio type track 2", Status(StatusItem::TypeOfTrack, 2)},
        AcceptedCase{"status cdaudio media present", Status(StatusItem::MediaPresent)},
        AcceptedCase{"status cdaudio position track 12", Status(StatusItem::PositionOfTrack, 12)}));

INSTANTIATE_TEST_SUITE_P(
    AsWindowsReadsThem, AcceptedCommand,
    ::testing::Values(
        AcceptedCase{"OPEN CDAUDIO", OpenCommand{NO_FLAGS, Sharing::Exclusive}},
        AcceptedCase{"  Status \t CdAudio   Mode  ", Status(StatusItem::Mode)},
        AcceptedCase{"play cdaudio notify from 4 wait", PlayCommand{WAIT_NOTIFY, Fields({4})}},
        AcceptedCase{"play cdaudio", PlayCommand{NO_FLAGS, std::nullopt}},
        AcceptedCase{"play cdaudio from 2:30", PlayCommand{NO_FLAGS, Fields({2, 30})}},
        AcceptedCase{"play cdaudio from 263533", PlayCommand{NO_FLAGS, Fields({263533})}},
        AcceptedCase{"set cdaudio time format MSF wait",
                     SetTimeFormatCommand{WAIT, TimeFormat::Msf}},
        AcceptedCase{"set cdaudio time format ms",
                     SetTimeFormatCommand{NO_FLAGS, TimeFormat::Milliseconds}},
        AcceptedCase{"stop cdaudio notify wait", StopCommand{WAIT_NOTIFY}},
        AcceptedCase{"status cdaudio length track 7 wait",
                     Status(StatusItem::LengthOfTrack, 7, WAIT)},
        AcceptedCase{"status cdaudio type track 0", Status(StatusItem::TypeOfTrack, 0)},
        AcceptedCase{"status cdaudio number of tracks\r\n", Status(StatusItem::NumberOfTracks)}));

class RejectedCommand : public ::testing::TestWithParam<std::string> {};

TEST_P(RejectedCommand, GivesNoCommand) {
    EXPECT_FALSE(ParseCommand(GetParam()).has_value());
}

INSTANTIATE_TEST_SUITE_P(
    Junk, RejectedCommand,
    ::testing::Values("", "   ", "cdaudio", "status", "status cdaudio", "status waveaudio mode",
                      "status cdaudio2 mode", "statuscdaudio mode", "stat cdaudio mode",
                      "pause cdaudio", "seek cdaudio to 3", "cdaudio status mode",
                      "status cdaudio modes", "status cdaudio media", "status cdaudio mode mode",
                      "status cdaudio position track", "status cdaudio position track x",
                      "status cdaudio position track -1", "status cdaudio position track +1",
                      "status cdaudio type track 3 4", "status cdaudio type track 99999999999",
                      "status cdaudio number of tracks 3", "status cdaudio track 3 position",
                      "status cdaudio current", "play cdaudio from", "play cdaudio from notify",
                      "play cdaudio from 1:", "play cdaudio from :1", "play cdaudio from 1::2",
                      "play cdaudio from 1:2:3:4:5", "play cdaudio from a",
                      "play cdaudio from 3 to 4", "play cdaudio from 1 from 2", "play cdaudio 3",
                      "set cdaudio time format frames", "set cdaudio time format",
                      "set cdaudio door", "set cdaudio door ajar", "set cdaudio audio all off",
                      "open cdaudio exclusive", "open cdaudio shareable shareable",
                      "close cdaudio now", "info cdaudio product", "info cdaudio",
                      "stop cdaudio now", "wait status cdaudio mode"));

TEST(CommandFlags, AreFoundOnEveryKindOfCommand) {
    EXPECT_EQ(FlagsOf(*ParseCommand("status cdaudio mode wait")), WAIT);
    EXPECT_EQ(FlagsOf(*ParseCommand("set cdaudio door open notify")), NOTIFY);
    EXPECT_EQ(FlagsOf(*ParseCommand("info cdaudio identity")), NO_FLAGS);
}

}  // namespace
}  // namespace corvid::mci
