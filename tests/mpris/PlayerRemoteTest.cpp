// The player as a desktop's media controls drive it: each command acts as
// the window's own control would, and the states read what the window shows.
#include "ui/PlayerRemote.h"

#include <gtest/gtest.h>

#include <optional>

#include "res/ControlIds.h"
#include "tests/support/FakeDrive.h"
#include "tests/ui/PlayerScenario.h"

namespace corvid::ui::testing {
namespace {

constexpr std::int64_t SECOND = MICROSECONDS_PER_SECOND;

class PlayerRemoteTest : public PlayerScenario {
  protected:
    void StartRemote() {
        Start();
        m_remote.emplace(*m_player);
    }
    // Plays from a position as another program could, and marks a subtrack there.
    void InsertSubtrackAt(std::string_view position) {
        char answer[16] = {};
        m_device->SendString("play cdaudio from " + std::string(position), answer, nullptr);
        Click(res::INSERT_SUBTRACK_BUTTON);
    }
    PlayerRemote& Remote() { return *m_remote; }

    std::optional<PlayerRemote> m_remote;
};

TEST_F(PlayerRemoteTest, AtStartThePlayingFirstTrackIsReportedWithItsLengthAndTheAlbum) {
    StartRemote();
    const RemoteState state = Remote().State();
    EXPECT_EQ(state.status, PlaybackStatus::PLAYING);
    EXPECT_EQ(state.track.trackId, "/org/corvidplayer/row/track_1");
    EXPECT_EQ(state.track.title, "01. <Unnamed track>");
    EXPECT_EQ(state.track.album, "<New album>");
    EXPECT_EQ(state.track.artist, Text(res::ARTIST_EDIT));
    EXPECT_EQ(state.track.lengthMicroseconds, 20 * SECOND);
    EXPECT_TRUE(state.canPlay);
    EXPECT_TRUE(state.canPause);
    EXPECT_TRUE(state.canGoNext);
    EXPECT_FALSE(state.canGoPrevious);
    EXPECT_TRUE(state.canSeek);
    EXPECT_FALSE(state.seeking);
}

TEST_F(PlayerRemoteTest, PauseKeepsThePlaceThatPlayResumesFrom) {
    StartRemote();
    PlaySeconds(5);
    Remote().Pause();
    EXPECT_EQ(Mode(), "stopped");
    EXPECT_EQ(Text(res::PLAY_STOP_BUTTON), "Play");
    EXPECT_EQ(Remote().Status(), PlaybackStatus::PAUSED);
    const std::string pausedAt = Position();
    EXPECT_EQ(Remote().PositionMicroseconds() / SECOND, 5);

    Remote().Play();
    EXPECT_EQ(Mode(), "playing");
    EXPECT_EQ(Position(), pausedAt);
    EXPECT_EQ(Remote().Status(), PlaybackStatus::PLAYING);
}

// Each command that does not fit the drive's mode sends nothing at all.
TEST_F(PlayerRemoteTest, CommandsThatDoNotFitTheModeDoNothing) {
    StartRemote();
    const struct {
        const char* name;
        bool playing;
        void (PlayerRemote::*command)();
    } cases[] = {
        {"Play while playing", true, &PlayerRemote::Play},
        {"Pause while stopped", false, &PlayerRemote::Pause},
        {"Stop while stopped", false, &PlayerRemote::Stop},
        {"Previous on the first track", true, &PlayerRemote::Previous},
    };
    for (const auto& example : cases) {
        SCOPED_TRACE(example.name);
        if ((Mode() == "playing") != example.playing) {
            Click(res::PLAY_STOP_BUTTON);
        }
        const std::string before = Mode();
        m_mci->Forget();
        (Remote().*example.command)();
        EXPECT_EQ(m_mci->Count("play"), 0);
        EXPECT_EQ(m_mci->Count("stop"), 0);
        EXPECT_EQ(m_mci->Count("seek"), 0);
        EXPECT_EQ(Mode(), before);
    }
}

TEST_F(PlayerRemoteTest, PlayPauseIsThePlayStopButton) {
    StartRemote();
    Remote().PlayPause();
    EXPECT_EQ(Mode(), "stopped");
    EXPECT_EQ(Remote().Status(), PlaybackStatus::PAUSED);
    Remote().PlayPause();
    EXPECT_EQ(Mode(), "playing");
    EXPECT_EQ(Text(res::PLAY_STOP_BUTTON), "Stop");
}

TEST_F(PlayerRemoteTest, NextAndPreviousMoveByTrackAndTheMetadataFollows) {
    StartRemote();
    Remote().Next();
    EXPECT_EQ(Position(), "02:00:00:00");
    EXPECT_EQ(Remote().Track().trackId, "/org/corvidplayer/row/track_2");
    EXPECT_EQ(Remote().Track().lengthMicroseconds, 15 * SECOND);
    Ticks(1);
    EXPECT_EQ(Remote().Track().title, "02. <Unnamed track>");
    EXPECT_TRUE(Remote().CanGoPrevious());

    Remote().Previous();
    EXPECT_EQ(Position(), "01:00:00:00");
    EXPECT_EQ(Remote().Track().title, "01. <Unnamed track>");
}

TEST_F(PlayerRemoteTest, RepeatTakesAwayNextPreviousAndSeekingAsItDoesTheirControls) {
    StartRemote();
    Remote().Next();
    Click(res::REPEAT_TOGGLE);
    const RemoteState state = Remote().State();
    EXPECT_FALSE(state.canGoNext);
    EXPECT_FALSE(state.canGoPrevious);
    EXPECT_FALSE(state.canSeek);
    m_mci->Forget();
    Remote().Next();
    Remote().Previous();
    Remote().Seek(3 * SECOND);
    Ticks(2);
    EXPECT_EQ(m_mci->Count("play"), 0);
}

TEST_F(PlayerRemoteTest, SeekGoesThroughThePositionBarAndSendsOnePlayOnTheSecondTick) {
    StartRemote();
    PlaySeconds(2);
    m_mci->Forget();
    Remote().Seek(5 * SECOND);
    EXPECT_TRUE(Remote().State().seeking);
    Ticks(1);
    EXPECT_EQ(Text(res::STATUS_TEXT), "Scrolling...");
    EXPECT_EQ(m_mci->Count("play"), 0);
    Ticks(1);
    EXPECT_EQ(m_mci->Count("play"), 1);
    EXPECT_EQ(Position(), "01:00:07:00");
    EXPECT_FALSE(Remote().State().seeking);
    EXPECT_EQ(Remote().PositionMicroseconds(), 7 * SECOND);
}

TEST_F(PlayerRemoteTest, SeekBeforeTheStartGoesToTheStartAndPastTheEndToTheNextTrack) {
    StartRemote();
    PlaySeconds(3);
    Remote().Seek(-10 * SECOND);
    Ticks(2);
    EXPECT_EQ(Position(), "01:00:00:00");

    Remote().Seek(25 * SECOND);
    EXPECT_EQ(Position(), "02:00:00:00");
}

TEST_F(PlayerRemoteTest, SetPositionActsOnlyForThePlayingRowAndWithinItsTrack) {
    StartRemote();
    const std::string playing = Remote().Track().trackId;
    const struct {
        const char* name;
        std::string trackId;
        std::int64_t position;
        const char* expected;
    } cases[] = {
        {"another row", "/org/corvidplayer/row/track_2", 4 * SECOND, "01:00:00"},
        {"past the track", playing, 21 * SECOND, "01:00:00"},
        {"before the track", playing, -SECOND, "01:00:00"},
        {"within the track", playing, 12 * SECOND + SECOND / 2, "01:00:12"},
    };
    for (const auto& example : cases) {
        SCOPED_TRACE(example.name);
        Remote().SetPosition(example.trackId, example.position);
        Ticks(2);
        EXPECT_EQ(Position().substr(0, 8), example.expected);
    }
}

TEST_F(PlayerRemoteTest, ASubtrackHasARowIdOfItsOwnAndItsNameInTheTitle) {
    StartRemote();
    InsertSubtrackAt("01:00:05:00");
    InsertSubtrackAt("01:00:08:00");
    Remote().SetPosition(Remote().Track().trackId, 6 * SECOND);
    Ticks(3);
    const RemoteTrack first = Remote().Track();
    EXPECT_EQ(first.title, "01. <Unnamed track> — <New subtrack>");
    EXPECT_EQ(first.lengthMicroseconds, 20 * SECOND);

    PlaySeconds(3);
    const RemoteTrack second = Remote().Track();
    EXPECT_EQ(second.title, first.title);
    EXPECT_NE(second.trackId, first.trackId);
    EXPECT_NE(second.trackId, "/org/corvidplayer/row/track_1");
}

TEST_F(PlayerRemoteTest, VolumeMapsTheCdVolumeOntoZeroToOneInSpinnerSteps) {
    StartRemote();
    m_sink.SetVolume({VOLUME_MAX, VOLUME_MAX});
    EXPECT_DOUBLE_EQ(Remote().Volume(), 1.0);
    const struct {
        double asked;
        unsigned expected;
    } cases[] = {
        {0.0, 0U}, {0.5, 8U * VOLUME_STEP}, {0.52, 8U * VOLUME_STEP}, {2.0, VOLUME_MAX}, {-1.0, 0U},
    };
    for (const auto& example : cases) {
        SCOPED_TRACE(example.asked);
        Remote().SetVolume(example.asked);
        EXPECT_EQ(m_sink.GetVolume().left, example.expected);
        EXPECT_DOUBLE_EQ(Remote().Volume(), static_cast<double>(example.expected) / VOLUME_MAX);
    }
}

TEST_F(PlayerRemoteTest, AStateReadAgainFollowsTypingRenamingAndTheDesktopsVolume) {
    StartRemote();
    Click(res::PLAY_STOP_BUTTON);
    const RemoteState stopped = Remote().State();
    Ticks(3);
    EXPECT_EQ(Remote().State(), stopped);

    Type(res::ALBUM_EDIT, "Night Songs");
    EXPECT_EQ(Remote().State().track.album, "Night Songs");

    Type(res::NAME_EDIT, "Overture");
    Click(res::UPDATE_BUTTON);
    EXPECT_EQ(Remote().State().track.title, "Overture");

    // The desktop's own volume slider changes no control of the window.
    m_sink.SetVolume({VOLUME_MAX / 2, VOLUME_MAX / 2});
    EXPECT_DOUBLE_EQ(Remote().State().volume, static_cast<double>(VOLUME_MAX / 2) / VOLUME_MAX);

    Click(res::PLAY_STOP_BUTTON);
    EXPECT_EQ(Remote().State().status, PlaybackStatus::PLAYING);
}

TEST_F(PlayerRemoteTest, AnEmptyDriveHasNoTrackAndNothingToPlay) {
    const cdrom::Toc toc = corvid::testing::MakeToc({{1500}});
    StartWith([toc] {
        auto drive = std::make_unique<corvid::testing::FakeDrive>(toc);
        drive->SetState(cdrom::DriveState::NoDisc);
        return cdrom::DriveOpenResult{std::move(drive), std::nullopt};
    });
    PlayerRemote remote(*m_player);
    const RemoteState state = remote.State();
    EXPECT_EQ(state.status, PlaybackStatus::STOPPED);
    EXPECT_EQ(state.track.trackId, NO_TRACK_ID);
    EXPECT_FALSE(state.canPlay);
    EXPECT_FALSE(state.canGoNext);
    EXPECT_FALSE(state.canSeek);
    m_mci->Forget();
    remote.Play();
    remote.PlayPause();
    EXPECT_EQ(m_mci->Count("play"), 0);
}

}  // namespace
}  // namespace corvid::ui::testing
