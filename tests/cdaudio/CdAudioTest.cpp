#include "cdaudio/CdAudio.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <array>
#include <climits>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "tests/cdaudio/FakePorts.h"

namespace corvid {
namespace {

using ::testing::ElementsAre;
using testing::FakeMci;
using testing::FakeMixer;
using ::testing::IsEmpty;
using testing::RecordingMessages;

constexpr const char* OPEN = "open cdaudio shareable wait";
constexpr const char* TMSF = "set cdaudio time format tmsf";
constexpr const char* MILLISECONDS = "set cdaudio time format milliseconds";
constexpr const char* CLOSE = "close cdaudio wait";
constexpr const char* STOP = "stop cdaudio";
constexpr const char* POSITION = "status cdaudio position";
constexpr const char* LENGTH = "status cdaudio length";
constexpr const char* TRACKS = "status cdaudio number of tracks";
constexpr const char* CURRENT = "status cdaudio current track";
constexpr const char* MODE = "status cdaudio mode";
constexpr const char* MEDIA = "status cdaudio media present";
constexpr const char* IDENTITY = "info cdaudio identity";

std::string PlayFrom(const std::string& start) {
    return "play cdaudio from " + start + " notify";
}
std::string TypeTrack(int track) {
    return "status cdaudio type track " + std::to_string(track);
}
std::string PositionTrack(int track) {
    return "status cdaudio position track " + std::to_string(track);
}

class CdAudioTest : public ::testing::Test {
  protected:
    // Builds the device and forgets the commands of the construction.
    CCdAudio& Make() {
        cd = std::make_unique<CCdAudio>(mci, mixer, messages);
        mci.ClearLog();
        return *cd;
    }

    FakeMci mci;
    FakeMixer mixer;
    RecordingMessages messages;
    std::unique_ptr<CCdAudio> cd;
};

// Construction and destruction ------------------------------------------------

TEST_F(CdAudioTest, ConstructionOpensSharedAndSetsTmsf) {
    CCdAudio device(mci, mixer, messages);
    ASSERT_THAT(mci.Commands(), ElementsAre(OPEN, TMSF));
    for (const auto& sent : mci.sent) {
        EXPECT_EQ(sent.answerSize, 0U) << sent.command;
        EXPECT_EQ(sent.notify, nullptr) << sent.command;
    }
    EXPECT_EQ(device.m_nOpenError, MCIERR_NONE);
    EXPECT_EQ(device.m_hNotifyWnd, nullptr);
    EXPECT_FALSE(device.m_bResume);
    EXPECT_STREQ(device.m_szStartPos, "");
    EXPECT_THAT(messages.shown, IsEmpty());
    EXPECT_THAT(mci.errorTextsAsked, IsEmpty());
}

TEST_F(CdAudioTest, DestructionClosesWithoutStopping) {
    Make();
    cd.reset();
    ASSERT_THAT(mci.Commands(), ElementsAre(CLOSE));
    EXPECT_EQ(mci.sent[0].answerSize, 0U);
}

TEST_F(CdAudioTest, ExclusiveOwnershipShowsItsOwnTextNotThePlatformText) {
    mci.Fail(OPEN, MCIERR_MUST_USE_SHAREABLE);
    CCdAudio device(mci, mixer, messages);
    EXPECT_EQ(device.m_nOpenError, MCIERR_MUST_USE_SHAREABLE);
    EXPECT_THAT(messages.shown,
                ElementsAre("Another program has exclusive ownership of the CD audio device. "
                            "Close any other CD player and try to start Corvid Player again."));
    EXPECT_THAT(mci.errorTextsAsked, IsEmpty());
    // Construction goes on: the time format is still set.
    ASSERT_THAT(mci.Commands(), ElementsAre(OPEN, TMSF));
}

TEST_F(CdAudioTest, OtherOpenErrorsShowThePlatformText) {
    mci.Fail(OPEN, MCIERR_DEVICE_NOT_READY);
    mci.errorText = "No CD drive was found at /dev/cdrom.";
    CCdAudio device(mci, mixer, messages);
    EXPECT_EQ(device.m_nOpenError, MCIERR_DEVICE_NOT_READY);
    EXPECT_THAT(mci.errorTextsAsked, ElementsAre(MCIERR_DEVICE_NOT_READY));
    EXPECT_THAT(messages.shown, ElementsAre("No CD drive was found at /dev/cdrom."));
    ASSERT_THAT(mci.Commands(), ElementsAre(OPEN, TMSF));
}

TEST_F(CdAudioTest, EveryCommandPassesTheNotifyWindow) {
    testing::DummyWindow window;
    Make().SetNotifyWindow(&window);
    EXPECT_EQ(cd->m_hNotifyWnd, &window);
    mci.Answer(MODE, "stopped");
    mci.Answer(TRACKS, "2");
    cd->Play();
    cd->Stop();
    cd->GetMode();
    std::array<char, 12> length{};
    cd->GetTrackLength(1, length);
    cd->GetIdentity();
    cd->OpenDoor();
    cd->CloseDoor();
    cd->NextTrack();
    cd.reset();
    ASSERT_GT(mci.sent.size(), 10U);
    for (const auto& sent : mci.sent) {
        EXPECT_EQ(sent.notify, &window) << sent.command;
    }
}

// Play, Stop and resume ---------------------------------------------------------

TEST_F(CdAudioTest, FirstPlayWithoutStartPlaysFromTrackOne) {
    Make().Play();
    ASSERT_THAT(mci.Commands(), ElementsAre(PlayFrom("1")));
    EXPECT_EQ(mci.sent[0].answerSize, 0U);
    EXPECT_STREQ(cd->m_szStartPos, "1");
    EXPECT_FALSE(cd->m_bResume);
}

TEST_F(CdAudioTest, StopThenPlayResumesAtTheStoppedPosition) {
    Make();
    mci.Answer(POSITION, "03:01:05:20");
    cd->Stop();
    ASSERT_THAT(mci.Commands(), ElementsAre(POSITION, STOP));
    EXPECT_EQ(mci.sent[0].answerSize, 12U);
    EXPECT_STREQ(cd->m_szStartPos, "03:01:05:20");
    EXPECT_TRUE(cd->m_bResume);

    mci.ClearLog();
    cd->Play();
    ASSERT_THAT(mci.Commands(), ElementsAre(PlayFrom("03:01:05:20")));
    EXPECT_FALSE(cd->m_bResume);

    // The resume is used once: the next play without a start is track 1.
    mci.ClearLog();
    cd->Play();
    ASSERT_THAT(mci.Commands(), ElementsAre(PlayFrom("1")));
}

TEST_F(CdAudioTest, TraySeenOpenAfterStopForgetsTheResume) {
    Make();
    mci.Answer(POSITION, "03:01:05:20");
    cd->Stop();
    mci.Answer(MODE, "open");
    EXPECT_EQ(cd->GetMode(), CDMODE_OPEN);
    EXPECT_FALSE(cd->m_bResume);
    mci.ClearLog();
    cd->Play();
    ASSERT_THAT(mci.Commands(), ElementsAre(PlayFrom("1")));
}

TEST_F(CdAudioTest, OtherModesKeepTheResume) {
    Make();
    mci.Answer(POSITION, "03:01:05:20");
    cd->Stop();
    mci.Answer(MODE, "stopped");
    mci.Answer(TRACKS, "1");
    mci.Answer(TypeTrack(1), "audio");
    EXPECT_EQ(cd->GetMode(), CDMODE_READY);
    EXPECT_TRUE(cd->m_bResume);
    mci.ClearLog();
    cd->Play();
    ASSERT_THAT(mci.Commands(), ElementsAre(PlayFrom("03:01:05:20")));
}

TEST_F(CdAudioTest, PlayWithAStartTextUsesItAndEndsTheResume) {
    Make();
    cd->Stop();
    ASSERT_TRUE(cd->m_bResume);
    mci.ClearLog();
    cd->Play("02:00:10:00");
    ASSERT_THAT(mci.Commands(), ElementsAre(PlayFrom("02:00:10:00")));
    EXPECT_STREQ(cd->m_szStartPos, "02:00:10:00");
    EXPECT_FALSE(cd->m_bResume);
}

TEST_F(CdAudioTest, PlayClearsTheResumeEvenWhenTheDeviceRefuses) {
    Make();
    cd->Stop();
    mci.Fail(PlayFrom("99"), MCIERR_OUTOFRANGE);
    cd->Play("99");
    EXPECT_FALSE(cd->m_bResume);
}

TEST_F(CdAudioTest, PlayRefusesAStartTextOverTwelveCharacters) {
    Make();
    mci.Answer(POSITION, "03:01:05:20");
    cd->Stop();
    mci.ClearLog();
    cd->Play("0123456789abc");  // 13 characters
    EXPECT_THAT(mci.Commands(), IsEmpty());
    EXPECT_STREQ(cd->m_szStartPos, "03:01:05:20");
    EXPECT_TRUE(cd->m_bResume);

    cd->Play("0123456789ab");  // 12 characters: the most it takes
    ASSERT_THAT(mci.Commands(), ElementsAre(PlayFrom("0123456789ab")));
    EXPECT_STREQ(cd->m_szStartPos, "0123456789ab");
}

TEST_F(CdAudioTest, StopWithAFailedPositionSavesTheEmptyText) {
    Make();
    mci.Fail(POSITION, MCIERR_DEVICE_NOT_READY);
    std::strcpy(cd->m_szStartPos, "5");
    cd->Stop();
    EXPECT_STREQ(cd->m_szStartPos, "");
    EXPECT_TRUE(cd->m_bResume);
}

TEST_F(CdAudioTest, PlayTrackPlaysFromTheBareTrackNumber) {
    Make().PlayTrack(7);
    ASSERT_THAT(mci.Commands(), ElementsAre(PlayFrom("7")));
    EXPECT_STREQ(cd->m_szStartPos, "7");
    mci.ClearLog();
    cd->PlayTrack(12);
    ASSERT_THAT(mci.Commands(), ElementsAre(PlayFrom("12")));
}

TEST_F(CdAudioTest, PlayAtInsideItsBounds) {
    Make().PlayAt(5, 59, 59, 74);
    ASSERT_THAT(mci.Commands(), ElementsAre(PlayFrom("05:59:59:74")));
    EXPECT_STREQ(cd->m_szStartPos, "05:59:59:74");
    mci.ClearLog();
    cd->PlayAt(1, 0, 0, 0);
    ASSERT_THAT(mci.Commands(), ElementsAre(PlayFrom("01:00:00:00")));
    mci.ClearLog();
    cd->PlayAt(99, 0, 0, 0);
    ASSERT_THAT(mci.Commands(), ElementsAre(PlayFrom("99:00:00:00")));
}

TEST_F(CdAudioTest, PlayAtOutOfBoundsSendsNothingAndKeepsTheStartPosition) {
    Make();
    mci.Answer(POSITION, "03:01:05:20");
    cd->Stop();
    mci.ClearLog();
    const std::array<std::array<int, 4>, 4> outOfRange = {
        {{100, 0, 0, 0}, {5, 60, 0, 0}, {5, 0, 60, 0}, {5, 0, 0, 75}}};
    for (const auto& v : outOfRange) {
        cd->PlayAt(v[0], v[1], v[2], v[3]);
        EXPECT_THAT(mci.Commands(), IsEmpty()) << v[0] << ' ' << v[1] << ' ' << v[2] << ' ' << v[3];
        EXPECT_STREQ(cd->m_szStartPos, "03:01:05:20");
        EXPECT_TRUE(cd->m_bResume);
    }
}

TEST_F(CdAudioTest, PlayAtNegativeValuesNeverOverrunTheStartPosition) {
    Make();
    // No lower bound: a short negative text still plays.
    cd->PlayAt(5, -1, 0, 0);
    ASSERT_THAT(mci.Commands(), ElementsAre(PlayFrom("05:-1:00:00")));

    // A text over 12 characters: the start position keeps it cut to its 13
    // bytes, and Play refuses it, so nothing is sent and the resume stays.
    cd->Stop();
    ASSERT_TRUE(cd->m_bResume);
    mci.ClearLog();
    cd->PlayAt(-10, -10, -10, -10);  // "-10:-10:-10:-10"
    EXPECT_THAT(mci.Commands(), IsEmpty());
    EXPECT_EQ(std::strlen(cd->m_szStartPos), 12U);
    EXPECT_STREQ(cd->m_szStartPos, "-10:-10:-10:");

    cd->PlayAt(INT_MIN, INT_MIN, INT_MIN, INT_MIN);
    EXPECT_THAT(mci.Commands(), IsEmpty());
    EXPECT_LE(std::strlen(cd->m_szStartPos), 12U);
    EXPECT_TRUE(cd->m_bResume);
}

TEST_F(CdAudioTest, PreviousAndNextNameTheNeighbouringTracks) {
    Make();
    mci.Answer(CURRENT, "5");
    cd->PreviousTrack();
    ASSERT_THAT(mci.Commands(), ElementsAre(CURRENT, PlayFrom("4")));
    EXPECT_EQ(mci.sent[0].answerSize, 19U);
    mci.ClearLog();
    cd->NextTrack();
    ASSERT_THAT(mci.Commands(), ElementsAre(CURRENT, PlayFrom("6")));

    // No bound check: at track 1 the command names track 0.
    mci.Answer(CURRENT, "1");
    mci.ClearLog();
    cd->PreviousTrack();
    ASSERT_THAT(mci.Commands(), ElementsAre(CURRENT, PlayFrom("0")));
}

TEST_F(CdAudioTest, PreviousAndNextClearTheResume) {
    Make();
    mci.Answer(CURRENT, "3");
    cd->Stop();
    cd->NextTrack();
    EXPECT_FALSE(cd->m_bResume);
    EXPECT_STREQ(cd->m_szStartPos, "4");
}

TEST_F(CdAudioTest, TrayCommands) {
    Make().OpenDoor();
    cd->CloseDoor();
    ASSERT_THAT(mci.Commands(),
                ElementsAre("set cdaudio door open wait", "set cdaudio door closed wait"));
    EXPECT_EQ(mci.sent[0].answerSize, 0U);
    EXPECT_EQ(mci.sent[1].answerSize, 0U);
}

// Mode --------------------------------------------------------------------------

struct ModeCase {
    const char* name;
    const char* mode;                // nullptr: the mode query fails
    const char* tracks;              // nullptr: unscripted
    std::vector<const char*> types;  // answers for type track 1, 2, ...
    const char* media;               // nullptr: the query fails
    CdMode expected;
    std::vector<std::string> commands;
};

class GetModeTest : public CdAudioTest, public ::testing::WithParamInterface<ModeCase> {};

TEST_P(GetModeTest, MapsTheAnswers) {
    const ModeCase& c = GetParam();
    Make();
    if (c.mode != nullptr) {
        mci.Answer(MODE, c.mode);
    } else {
        mci.Fail(MODE, MCIERR_DEVICE_NOT_READY);
    }
    if (c.tracks != nullptr) {
        mci.Answer(TRACKS, c.tracks);
    }
    for (std::size_t i = 0; i < c.types.size(); ++i) {
        mci.Answer(TypeTrack(static_cast<int>(i) + 1), c.types[i]);
    }
    if (c.media != nullptr) {
        mci.Answer(MEDIA, c.media);
    } else {
        mci.Fail(MEDIA, MCIERR_DEVICE_NOT_READY);
    }
    EXPECT_EQ(cd->GetMode(), c.expected);
    EXPECT_EQ(mci.Commands(), c.commands);
    for (const auto& sent : mci.sent) {
        EXPECT_EQ(sent.answerSize, 19U) << sent.command;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Answers, GetModeTest,
    ::testing::Values(
        ModeCase{"Open", "open", nullptr, {}, "true", CDMODE_OPEN, {MODE}},
        ModeCase{"Playing", "playing", nullptr, {}, "true", CDMODE_PLAYING, {MODE}},
        ModeCase{"Paused", "paused", nullptr, {}, "true", CDMODE_READY, {MODE}},
        ModeCase{"StoppedFirstTrackAudio",
                 "stopped",
                 "3",
                 {"audio", "audio", "audio"},
                 "true",
                 CDMODE_READY,
                 {MODE, TRACKS, TypeTrack(1)}},
        ModeCase{"StoppedAudioAfterData",
                 "stopped",
                 "3",
                 {"other", "audio", "audio"},
                 "true",
                 CDMODE_READY,
                 {MODE, TRACKS, TypeTrack(1), TypeTrack(2)}},
        ModeCase{"StoppedAllData",
                 "stopped",
                 "2",
                 {"other", "other"},
                 "true",
                 CDMODE_NOAUDIO,
                 {MODE, TRACKS, TypeTrack(1), TypeTrack(2), MEDIA}},
        ModeCase{
            "StoppedNoTracks", "stopped", "0", {}, "true", CDMODE_NOAUDIO, {MODE, TRACKS, MEDIA}},
        ModeCase{"StoppedTrackCountEmpty",
                 "stopped",
                 nullptr,
                 {},
                 "false",
                 CDMODE_NODISC,
                 {MODE, TRACKS, MEDIA}},
        ModeCase{
            "NotReadyWithMedia", "not ready", nullptr, {}, "true", CDMODE_NOAUDIO, {MODE, MEDIA}},
        ModeCase{"NotReadyWithoutMedia",
                 "not ready",
                 nullptr,
                 {},
                 "false",
                 CDMODE_NODISC,
                 {MODE, MEDIA}},
        ModeCase{"Seeking", "seeking", nullptr, {}, "true", CDMODE_NOAUDIO, {MODE, MEDIA}},
        ModeCase{"ModeQueryFails", nullptr, nullptr, {}, nullptr, CDMODE_NODISC, {MODE, MEDIA}},
        // Comparisons are exact: case matters, nothing is trimmed.
        ModeCase{
            "CaseMattersForMode", "Playing", nullptr, {}, "true", CDMODE_NOAUDIO, {MODE, MEDIA}},
        ModeCase{
            "CaseMattersForMedia", "not ready", nullptr, {}, "TRUE", CDMODE_NODISC, {MODE, MEDIA}},
        ModeCase{"TypeWithSpace",
                 "stopped",
                 "1",
                 {"audio "},
                 "true",
                 CDMODE_NOAUDIO,
                 {MODE, TRACKS, TypeTrack(1), MEDIA}}),
    [](const ::testing::TestParamInfo<ModeCase>& info) { return std::string(info.param.name); });

TEST_F(CdAudioTest, HasAudioTrackAsksEachTrackInOrderUntilTheFirstAudio) {
    Make();
    mci.Answer(TRACKS, "4");
    mci.Answer(TypeTrack(1), "other");
    mci.Answer(TypeTrack(2), "other");
    mci.Answer(TypeTrack(3), "audio");
    EXPECT_TRUE(cd->HasAudioTrack());
    ASSERT_THAT(mci.Commands(), ElementsAre(TRACKS, TypeTrack(1), TypeTrack(2), TypeTrack(3)));

    mci.ClearLog();
    mci.Answer(TRACKS, "0");
    EXPECT_FALSE(cd->HasAudioTrack());
    ASSERT_THAT(mci.Commands(), ElementsAre(TRACKS));
}

TEST_F(CdAudioTest, IsAudioTrackAndMediaPresentCompareExactly) {
    Make();
    mci.Answer(TypeTrack(2), "audio");
    mci.Answer(TypeTrack(3), "other");
    mci.Fail(TypeTrack(4), MCIERR_OUTOFRANGE);
    EXPECT_TRUE(cd->IsAudioTrack(2));
    EXPECT_FALSE(cd->IsAudioTrack(3));
    EXPECT_FALSE(cd->IsAudioTrack(4));
    mci.Answer(MEDIA, "true");
    EXPECT_TRUE(cd->IsMediaPresent());
    mci.Answer(MEDIA, "false");
    EXPECT_FALSE(cd->IsMediaPresent());
    EXPECT_TRUE(cd->StatusIs("mode", ""));  // unscripted: the empty answer
}

// Queries -----------------------------------------------------------------------

TEST_F(CdAudioTest, NumbersReadFromTheAnswers) {
    Make();
    mci.Answer(IDENTITY, "925746");
    mci.Answer(TRACKS, "12");
    mci.Answer(CURRENT, "7");
    EXPECT_EQ(cd->GetIdentity(), 925746);
    EXPECT_EQ(cd->GetNumberOfTracks(), 12);
    EXPECT_EQ(cd->GetCurrentTrack(), 7);
    ASSERT_THAT(mci.Commands(), ElementsAre(IDENTITY, TRACKS, CURRENT));
    for (const auto& sent : mci.sent) {
        EXPECT_EQ(sent.answerSize, 19U) << sent.command;
    }

    // The identity wraps modulo 2^32; failed queries read 0.
    mci.Answer(IDENTITY, "4294967295");
    EXPECT_EQ(cd->GetIdentity(), -1);
    mci.Answer(IDENTITY, "3000000000");
    EXPECT_EQ(cd->GetIdentity(), -1294967296);
    mci.Fail(IDENTITY, MCIERR_DEVICE_NOT_READY);
    mci.Fail(TRACKS, MCIERR_DEVICE_NOT_READY);
    mci.Fail(CURRENT, MCIERR_DEVICE_NOT_READY);
    EXPECT_EQ(cd->GetIdentity(), 0);
    EXPECT_EQ(cd->GetNumberOfTracks(), 0);
    EXPECT_EQ(cd->GetCurrentTrack(), 0);

    // 19 characters and the terminator do not fit: the device refuses the answer.
    mci.Answer(IDENTITY, "1234567890123456789");
    EXPECT_EQ(cd->GetIdentity(), 0);
    mci.Answer(IDENTITY, "123456789012345678");
    EXPECT_EQ(cd->GetIdentity(), static_cast<std::int32_t>(123456789012345678LL & 0xFFFFFFFF));
}

TEST_F(CdAudioTest, PositionAndLengthPassTheCallersSize) {
    Make();
    mci.Answer(POSITION, "03:12:45:20");
    mci.Answer(LENGTH, "61:07:33");
    std::array<char, 12> position{};
    cd->GetPosition(position);
    EXPECT_STREQ(position.data(), "03:12:45:20");
    EXPECT_EQ(mci.AnswerSizeOf(POSITION), 12U);
    std::array<char, 12> length{};
    cd->GetLength(length);
    EXPECT_STREQ(length.data(), "61:07:33");
    EXPECT_EQ(mci.AnswerSizeOf(LENGTH), 12U);

    std::array<char, 40> status{};
    cd->GetStatus("position", status);
    EXPECT_EQ(mci.AnswerSizeOf(POSITION), 40U);
}

TEST_F(CdAudioTest, PositionParts) {
    Make();
    mci.Answer(POSITION, "03:12:45:20");
    int t = -1;
    int m = -1;
    int s = -1;
    int f = -1;
    cd->GetPositionParts(t, m, s, f);
    EXPECT_EQ(t, 3);
    EXPECT_EQ(m, 12);
    EXPECT_EQ(s, 45);
    EXPECT_EQ(f, 20);
    EXPECT_EQ(mci.AnswerSizeOf(POSITION), 12U);

    mci.Fail(POSITION, MCIERR_DEVICE_NOT_READY);
    cd->GetPositionParts(t, m, s, f);
    EXPECT_EQ(t, 0);
    EXPECT_EQ(m, 0);
    EXPECT_EQ(s, 0);
    EXPECT_EQ(f, 0);
}

TEST_F(CdAudioTest, FormatPositionUsesNoDevice) {
    Make();
    char out[12];
    CCdAudio::FormatPosition(out, 7, 0, 0, 0);
    EXPECT_STREQ(out, "07:00:00:00");
    cd->FormatPosition(out, 12, 3, 4, 5);
    EXPECT_STREQ(out, "12:03:04:05");
    EXPECT_THAT(mci.Commands(), IsEmpty());
}

// Track lengths -----------------------------------------------------------------

// A device that answers positions in the time format last set, as the real
// one does: it shows that GetTrackLength leaves the device in TMSF.
class TimeFormatMci : public FakeMci {
  public:
    MciError SendString(std::string_view command, std::span<char> answer,
                        NotifyWindow* notify) override {
        if (command == TMSF) {
            milliseconds = false;
        } else if (command == MILLISECONDS) {
            milliseconds = true;
        }
        Answer(POSITION, milliseconds ? "1234567" : "03:01:05:20");
        return FakeMci::SendString(command, answer, notify);
    }
    bool milliseconds = false;
};

class TrackLengthTest : public ::testing::Test {
  protected:
    TrackLengthTest() {
        // Three tracks: starts at 2001, 264001 and 527534 ms; the disc length
        // (its lead-out less 2000 ms for the lead-in) 2700000 ms.
        mci.Answer(TRACKS, "3");
        mci.Answer(PositionTrack(1), "2001");
        mci.Answer(PositionTrack(2), "264001");
        mci.Answer(PositionTrack(3), "527534");
        mci.Answer(LENGTH, "2700000");
        cd = std::make_unique<CCdAudio>(mci, mixer, messages);
        mci.ClearLog();
    }

    TimeFormatMci mci;
    FakeMixer mixer;
    RecordingMessages messages;
    std::unique_ptr<CCdAudio> cd;
};

TEST_F(TrackLengthTest, MiddleTrackIsTheNextStartMinusItsOwn) {
    std::array<char, 12> out{};
    cd->GetTrackLength(2, out);
    EXPECT_STREQ(out.data(), "04:23:39");  // 263533 ms
    ASSERT_THAT(mci.Commands(),
                ElementsAre(MILLISECONDS, PositionTrack(2), TRACKS, PositionTrack(3), TMSF));
    EXPECT_EQ(mci.sent[1].answerSize, 12U);
    EXPECT_EQ(mci.sent[2].answerSize, 19U);
    EXPECT_EQ(mci.sent[3].answerSize, 12U);
    EXPECT_EQ(mci.sent[0].answerSize, 0U);
    EXPECT_EQ(mci.sent[4].answerSize, 0U);
}

TEST_F(TrackLengthTest, LastTrackIsTheDiscLengthPlus2000MinusItsStart) {
    std::array<char, 12> out{};
    cd->GetTrackLength(3, out);
    // 2700000 + 2000 - 527534 = 2174466 ms
    EXPECT_STREQ(out.data(), "36:14:34");
    ASSERT_THAT(mci.Commands(), ElementsAre(MILLISECONDS, PositionTrack(3), TRACKS, LENGTH, TMSF));
    EXPECT_EQ(mci.AnswerSizeOf(LENGTH), 12U);
}

TEST_F(TrackLengthTest, ATrackPastTheEndIsMeasuredAsTheLast) {
    mci.Forget(PositionTrack(4));
    std::array<char, 12> out{};
    cd->GetTrackLength(4, out);
    // The position query fails and reads 0: 2700000 + 2000 ms.
    EXPECT_STREQ(out.data(), "45:02:00");
    ASSERT_THAT(mci.Commands(), ElementsAre(MILLISECONDS, PositionTrack(4), TRACKS, LENGTH, TMSF));
}

TEST_F(TrackLengthTest, FirstTrack) {
    int m = -1;
    int s = -1;
    int f = -1;
    cd->GetTrackLengthParts(1, m, s, f);  // 262000 ms
    EXPECT_EQ(m, 4);
    EXPECT_EQ(s, 22);
    EXPECT_EQ(f, 0);
}

TEST_F(TrackLengthTest, TheDeviceIsBackInTmsfAfterwards) {
    std::array<char, 12> out{};
    cd->GetTrackLength(2, out);
    EXPECT_FALSE(mci.milliseconds);
    int t = 0;
    int m = 0;
    int s = 0;
    int f = 0;
    cd->GetPositionParts(t, m, s, f);
    EXPECT_EQ(t, 3);
    EXPECT_EQ(m, 1);
    EXPECT_EQ(s, 5);
    EXPECT_EQ(f, 20);

    // Also after the last track, and through GetTrackLengthParts.
    cd->GetTrackLengthParts(3, m, s, f);
    EXPECT_EQ(mci.sent.back().command, TMSF);
    EXPECT_FALSE(mci.milliseconds);
}

TEST_F(TrackLengthTest, AnswerSizeNeverExceedsItsThirteenCharacterBuffers) {
    // A caller with a larger buffer: the track start queries get 13 at most.
    // (The fake writes every byte of the span it is given, so a larger span
    // would overrun the buffers under AddressSanitizer.)
    std::array<char, 64> out{};
    cd->GetTrackLength(2, out);
    EXPECT_STREQ(out.data(), "04:23:39");
    ASSERT_EQ(mci.sent.size(), 5U);
    EXPECT_EQ(mci.sent[1].answerSize, 13U);
    EXPECT_EQ(mci.sent[3].answerSize, 13U);
}

TEST_F(TrackLengthTest, ASmallerCallerBufferLimitsTheAnswersAndTheText) {
    // Size 6: "264001" does not fit with its terminator and reads 0.
    std::array<char, 8> memory;
    memory.fill('#');
    cd->GetTrackLength(1, std::span<char>(memory.data(), 6));
    ASSERT_EQ(mci.sent.size(), 5U);
    EXPECT_EQ(mci.sent[1].answerSize, 6U);
    EXPECT_EQ(mci.sent[3].answerSize, 6U);
    // start "2001" fits, the end does not: L = 0 - 2001 ms, cut to 5 characters.
    EXPECT_EQ(std::string(memory.data()), "00:-2");
    EXPECT_EQ(memory[6], '#');
}

TEST_F(TrackLengthTest, LengthPartsSplitTheText) {
    int m = -1;
    int s = -1;
    int f = -1;
    cd->GetTrackLengthParts(2, m, s, f);
    EXPECT_EQ(m, 4);
    EXPECT_EQ(s, 23);
    EXPECT_EQ(f, 39);
    cd->GetTrackLengthParts(3, m, s, f);
    EXPECT_EQ(m, 36);
    EXPECT_EQ(s, 14);
    EXPECT_EQ(f, 34);
}

TEST(TrackLengthWithoutDisc, EveryQueryFailing) {
    FakeMci mci;
    FakeMixer mixer;
    RecordingMessages messages;
    CCdAudio cd(mci, mixer, messages);
    mci.Fail(TRACKS, MCIERR_DEVICE_NOT_READY);
    mci.Fail(LENGTH, MCIERR_DEVICE_NOT_READY);
    mci.Fail(PositionTrack(1), MCIERR_DEVICE_NOT_READY);
    int m = -1;
    int s = -1;
    int f = -1;
    cd.GetTrackLengthParts(1, m, s, f);  // 0 tracks: the last-track rule, 2000 ms
    EXPECT_EQ(m, 0);
    EXPECT_EQ(s, 2);
    EXPECT_EQ(f, 0);
}

// The answer sizes of every command, in one table.
TEST_F(CdAudioTest, AnswerSizesOfEveryQuery) {
    Make();
    mci.Answer(TRACKS, "2");
    mci.Answer(MODE, "stopped");
    char position[12];
    char length[12];
    cd->GetPosition(position);
    cd->GetLength(length);
    cd->GetIdentity();
    cd->GetNumberOfTracks();
    cd->GetCurrentTrack();
    cd->GetMode();  // with HasAudioTrack and the media present
    cd->IsAudioTrack(1);
    cd->IsMediaPresent();
    cd->GetTrackLength(1, length);
    cd->GetTrackLength(2, length);
    for (const auto& sent : mci.sent) {
        const std::string& c = sent.command;
        std::size_t expected = 19;
        if (c == POSITION || c == LENGTH || c.rfind("status cdaudio position track", 0) == 0) {
            expected = 12;
        } else if (c.rfind("set ", 0) == 0) {
            expected = 0;
        }
        EXPECT_EQ(sent.answerSize, expected) << c;
    }
}

}  // namespace
}  // namespace corvid
