#include "platform/mci/MciDevice.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/mci/MciDeviceFixture.h"

namespace corvid::mci {
namespace {

using cdrom::DriveState;
using cdrom::TrackKind;

TEST_F(MciDeviceTest, BeforeOpenEveryCommandButOpenFails) {
    for (const char* command :
         {"status cdaudio mode", "status cdaudio media present", "info cdaudio identity",
          "play cdaudio from 1 notify", "stop cdaudio", "set cdaudio door open wait",
          "close cdaudio wait", "set cdaudio time format tmsf"}) {
        const Reply reply = Send(command);
        EXPECT_EQ(reply.error, MCIERR_INVALID_DEVICE_NAME) << command;
        EXPECT_EQ(reply.answer, "") << command;
    }
    EXPECT_EQ(Send("status cdaudio moods").error, MCIERR_UNRECOGNIZED_COMMAND);
    EXPECT_EQ(m_opens, 0);
}

TEST_F(MciDeviceTest, OpenFailureKeepsTheDrivesErrorText) {
    m_nextOpen.error = cdrom::DriveError{MCIERR_HARDWARE, "No CD drive was found at /dev/cdrom."};
    EXPECT_EQ(Send("open cdaudio shareable wait").error, MCIERR_HARDWARE);
    EXPECT_EQ(m_device.GetErrorString(MCIERR_HARDWARE), "No CD drive was found at /dev/cdrom.");
    EXPECT_EQ(Send("status cdaudio mode").error, MCIERR_INVALID_DEVICE_NAME);

    m_nextOpen.error = cdrom::DriveError{MCIERR_MUST_USE_SHAREABLE, "/dev/cdrom is in use."};
    EXPECT_EQ(Send("open cdaudio shareable wait").error, MCIERR_MUST_USE_SHAREABLE);
    EXPECT_EQ(m_device.GetErrorString(MCIERR_MUST_USE_SHAREABLE), "/dev/cdrom is in use.");
}

TEST_F(MciDeviceTest, OpenThatGivesNeitherDriveNorErrorStillFails) {
    m_nextOpen.error = cdrom::DriveError{MCIERR_NONE, "odd"};
    EXPECT_NE(Send("open cdaudio").error, MCIERR_NONE);
    m_nextOpen = {};
    EXPECT_NE(Send("open cdaudio").error, MCIERR_NONE);
    EXPECT_EQ(Send("status cdaudio mode").error, MCIERR_INVALID_DEVICE_NAME);
}

TEST_F(MciDeviceTest, OpensTheDriveOnceUntilClosed) {
    OpenWith(ThreeTracks());
    EXPECT_EQ(Send("open cdaudio shareable wait").error, MCIERR_NONE);
    EXPECT_EQ(m_opens, 1);
    EXPECT_EQ(Ask("status cdaudio mode"), "stopped");

    EXPECT_EQ(Send("close cdaudio wait").error, MCIERR_NONE);
    EXPECT_EQ(Send("status cdaudio mode").error, MCIERR_INVALID_DEVICE_NAME);
    OpenWith(MakeToc({{20000}, {50000}}));
    EXPECT_EQ(m_opens, 2);
    EXPECT_EQ(Ask("info cdaudio identity"), "339874");
}

TEST_F(MciDeviceTest, TimeFormatIsMsfAfterEveryOpen) {
    OpenWith(ThreeTracks());
    EXPECT_EQ(Ask("status cdaudio position"), "00:02:00");
    Ask("set cdaudio time format tmsf");
    EXPECT_EQ(Ask("status cdaudio position"), "01:00:00:00");
    Ask("close cdaudio wait");
    OpenWith(ThreeTracks());
    EXPECT_EQ(Ask("status cdaudio position"), "00:02:00");
}

TEST_F(MciDeviceTest, IdentityMatchesTheWindowsFigure) {
    OpenWith(ThreeTracks());
    EXPECT_EQ(Ask("info cdaudio identity"), "925746");
}

struct AnswerCase {
    const char* format;
    const char* query;
    const char* expected;
};

TEST_F(MciDeviceTest, AnswersInEveryTimeFormat) {
    OpenWith(MakeToc({{20000}, {25000, TrackKind::Data}, {25000}}));
    const AnswerCase cases[] = {
        {"tmsf", "position", "01:00:00:00"},
        {"tmsf", "position track 3", "03:00:00:00"},
        {"tmsf", "length track 1", "04:26:50"},
        {"tmsf", "number of tracks", "3"},
        {"tmsf", "current track", "1"},
        {"msf", "position", "00:02:00"},
        {"msf", "position track 2", "04:28:50"},
        {"milliseconds", "position", "2001"},
        {"milliseconds", "length", "933320"},
        {"milliseconds", "length track 1", "266666"},
        {"milliseconds", "type track 1", "audio"},
        {"milliseconds", "type track 2", "other"},
    };
    for (const AnswerCase& test : cases) {
        Ask(std::string("set cdaudio time format ") + test.format);
        EXPECT_EQ(Ask(std::string("status cdaudio ") + test.query), test.expected)
            << test.format << ": " << test.query;
    }
}

TEST_F(MciDeviceTest, TracksThatDoNotExistAreOutOfRange) {
    OpenWith(ThreeTracks());
    for (const char* query :
         {"status cdaudio type track 0", "status cdaudio type track 4",
          "status cdaudio position track 4294967295", "status cdaudio length track 4"}) {
        const Reply reply = Send(query);
        EXPECT_EQ(reply.error, MCIERR_OUTOFRANGE) << query;
        EXPECT_EQ(reply.answer, "") << query;
    }
}

struct StateCase {
    DriveState state;
    const char* mode;
    const char* mediaPresent;
};

TEST_F(MciDeviceTest, ModeAndMediaFollowTheDrive) {
    OpenWith(ThreeTracks());
    const StateCase cases[] = {
        {DriveState::TrayOpen, "open", "false"},
        {DriveState::NoDisc, "not ready", "false"},
        {DriveState::NotReady, "not ready", "false"},
        {DriveState::Ready, "stopped", "true"},
    };
    for (const StateCase& test : cases) {
        m_drive->SetState(test.state);
        EXPECT_EQ(Ask("status cdaudio mode"), test.mode);
        EXPECT_EQ(Ask("status cdaudio media present"), test.mediaPresent);
    }
}

TEST_F(MciDeviceTest, DiscQueriesWithoutADiscAreNotReady) {
    OpenWith(ThreeTracks());
    m_drive->SetState(DriveState::NotReady);
    for (const char* query :
         {"info cdaudio identity", "status cdaudio number of tracks", "status cdaudio position",
          "status cdaudio length", "status cdaudio current track", "status cdaudio type track 1",
          "play cdaudio from 1 notify"}) {
        EXPECT_EQ(Send(query).error, MCIERR_DEVICE_NOT_READY) << query;
    }
    EXPECT_NE(m_device.GetErrorString(MCIERR_DEVICE_NOT_READY).find("/dev/fake-cdrom"),
              std::string::npos);
}

TEST_F(MciDeviceTest, DiscWithoutTracksIsNoDisc) {
    OpenWith(cdrom::Toc{});
    EXPECT_EQ(Ask("status cdaudio media present"), "false");
    EXPECT_EQ(Ask("status cdaudio mode"), "not ready");
    EXPECT_EQ(Send("info cdaudio identity").error, MCIERR_DEVICE_NOT_READY);
}

TEST_F(MciDeviceTest, DoorMovesTheTray) {
    OpenWith(ThreeTracks());
    Ask("set cdaudio door open wait");
    EXPECT_EQ(m_drive->State(), DriveState::TrayOpen);
    EXPECT_EQ(Ask("status cdaudio mode"), "open");
    EXPECT_EQ(Ask("status cdaudio media present"), "false");
    Ask("set cdaudio door closed wait");
    EXPECT_EQ(m_drive->State(), DriveState::Ready);
    EXPECT_EQ(Ask("status cdaudio mode"), "stopped");
}

TEST_F(MciDeviceTest, ChangedDiscReadsAsOpenOnce) {
    OpenWith(ThreeTracks());
    Ask("set cdaudio time format tmsf");
    m_drive->ChangeDisc(MakeToc({{20000}, {50000}}));
    // Other queries first: the change must still reach the next mode query.
    EXPECT_EQ(Ask("status cdaudio number of tracks"), "2");
    EXPECT_EQ(Ask("status cdaudio mode"), "open");
    EXPECT_EQ(Ask("status cdaudio mode"), "stopped");
    EXPECT_EQ(Ask("info cdaudio identity"), "339874");
}

TEST_F(MciDeviceTest, AnswerThatDoesNotFitIsAnOverflow) {
    OpenWith(ThreeTracks());
    const Reply tooSmall = Send("info cdaudio identity", 6);
    EXPECT_EQ(tooSmall.error, MCIERR_PARAM_OVERFLOW);
    EXPECT_EQ(tooSmall.answer, "");
    EXPECT_EQ(Send("status cdaudio mode", 7).error, MCIERR_PARAM_OVERFLOW);  // "stopped"
    EXPECT_EQ(Send("status cdaudio mode", 1).error, MCIERR_PARAM_OVERFLOW);
    EXPECT_EQ(Send("info cdaudio identity", 7).answer, "925746");
    EXPECT_EQ(Send("status cdaudio mode", 0).error, MCIERR_NONE);  // no answer taken
}

TEST_F(MciDeviceTest, CommandsWithNotifyOtherThanPlayTellWhenDone) {
    OpenWith(ThreeTracks());
    RecordingWindow window;
    EXPECT_EQ(Send("set cdaudio time format tmsf notify", 64, &window).error, MCIERR_NONE);
    EXPECT_EQ(Send("status cdaudio mode", 64, &window).error, MCIERR_NONE);
    EXPECT_EQ(Send("status cdaudio type track 9 notify", 64, &window).error, MCIERR_OUTOFRANGE);
    EXPECT_EQ(window.Notices(), std::vector<MciNotifyCode>{MciNotifyCode::Successful});
}

class JunkCommand : public MciDeviceTest, public ::testing::WithParamInterface<const char*> {};

TEST_P(JunkCommand, ChangesNothing) {
    OpenWith(ThreeTracks());
    Ask("set cdaudio time format tmsf");
    RecordingWindow window;
    const Reply reply = Send(GetParam(), 64, &window);
    EXPECT_EQ(reply.error, MCIERR_UNRECOGNIZED_COMMAND);
    EXPECT_EQ(reply.answer, "");
    EXPECT_EQ(Ask("status cdaudio position"), "01:00:00:00");  // still open, still TMSF
    EXPECT_EQ(Ask("status cdaudio mode"), "stopped");
    EXPECT_EQ(m_drive->State(), DriveState::Ready);
    EXPECT_EQ(m_drive->ReadCalls(), 0);
    EXPECT_TRUE(window.Notices().empty());
}

INSTANTIATE_TEST_SUITE_P(
    Strings, JunkCommand,
    ::testing::Values("set cdaudio time format frames", "set cdaudio door ajar wait",
                      "set cdaudio door open closed", "close cdaudio now", "close waveaudio wait",
                      "play cdaudio from x notify", "play cdaudio from 2 to 3 notify",
                      "play cdaudio from 1::2 notify", "play cdrom from 2 notify",
                      "stop cdaudio at once", "eject cdaudio", "status cdaudio mode please",
                      "open cdaudio exclusive", "\x01\x02\xff", "play cdaudio from 2notify"));

class OutOfRangePlay : public MciDeviceTest, public ::testing::WithParamInterface<const char*> {};

TEST_P(OutOfRangePlay, ChangesNothing) {
    OpenWith(ThreeTracks());
    Ask("set cdaudio time format tmsf");
    RecordingWindow window;
    EXPECT_EQ(Send(GetParam(), 64, &window).error, MCIERR_OUTOFRANGE);
    EXPECT_EQ(Ask("status cdaudio mode"), "stopped");
    EXPECT_EQ(Ask("status cdaudio position"), "01:00:00:00");
    EXPECT_EQ(m_sink.State(), cdrom::SinkState::Paused);
    EXPECT_TRUE(window.Notices().empty());
}

INSTANTIATE_TEST_SUITE_P(Positions, OutOfRangePlay,
                         ::testing::Values("play cdaudio from 0 notify",
                                           "play cdaudio from 4 notify",
                                           "play cdaudio from 100 notify",
                                           "play cdaudio from 01:04:26:50 notify",
                                           "play cdaudio from 03:05:33:25 notify",
                                           "play cdaudio from 02:00:60:00 notify",
                                           "play cdaudio from 02:00:00:75 notify"));

}  // namespace
}  // namespace corvid::mci
