// Stories of the player window following the drive: start-up, play, the
// position display, seeking, Repeat and the tray.
#include <gtest/gtest.h>

#include "res/ControlIds.h"
#include "tests/support/FakeDrive.h"
#include "tests/ui/PlayerScenario.h"

namespace corvid::ui::testing {
namespace {

TEST_F(PlayerScenario, ADiscFoundAtStartPlaysFromTrackOneWithItsDefaultList) {
    Start();
    EXPECT_EQ(Mode(), "playing");
    EXPECT_EQ(Position(), "01:00:00:00");
    EXPECT_EQ(Window().Title(), "(00:44) <New album>");
    EXPECT_EQ(Text(res::ALBUM_EDIT), "<New album>");
    // The drive gives the last track's length a frame short, as it does the disc's.
    EXPECT_EQ(Rows(),
              (std::vector<std::string>{"01. <Unnamed track>|00:20", "02. <Unnamed track>|00:15",
                                        "03. <Unnamed track>|00:09"}));
    EXPECT_EQ(Text(res::PLAY_STOP_BUTTON), "Stop");
    EXPECT_EQ(Text(res::STATUS_TEXT), ">[01] 01. <Unnamed track>");
    EXPECT_FALSE(IsEnabled(res::INJECT_BUTTON));
    EXPECT_FALSE(m_player->IsModified());
    EXPECT_EQ(m_player->EditRow(), 0);
}

TEST_F(PlayerScenario, AnEmptyDriveShowsNoDiscAndBuildsNoList) {
    cdrom::Toc toc = corvid::testing::MakeToc({{1500}});
    StartWith([toc] {
        auto drive = std::make_unique<corvid::testing::FakeDrive>(toc);
        drive->SetState(cdrom::DriveState::NoDisc);
        return cdrom::DriveOpenResult{std::move(drive), std::nullopt};
    });
    EXPECT_EQ(Text(res::STATUS_TEXT), "No CD?");
    EXPECT_EQ(m_player->CdKey(), -1);
    EXPECT_TRUE(Rows().empty());
    EXPECT_FALSE(IsEnabled(res::PLAY_STOP_BUTTON));
    EXPECT_FALSE(IsEnabled(res::INJECT_BUTTON));
    EXPECT_EQ(Window().Title(), "Corvid Player");
}

TEST_F(PlayerScenario, ThePositionFollowsPlayFiveTimesASecondAndIsCorrectedFromTheDrive) {
    Start();
    // The estimate runs on 15 frames a tick while the drive is asked only
    // every tenth tick.
    Hear(75 * 3);
    Ticks(5);
    EXPECT_EQ(Text(res::POSITION_TEXT), "00:01 (00:20)");
    UntilRefresh();
    Ticks(1);
    EXPECT_EQ(Text(res::POSITION_TEXT), "00:03 (00:20)");
}

// Drawing costs a toolkit far more than the tick's own work: a tick whose
// shown second has not moved asks the window to draw nothing at all.
TEST_F(PlayerScenario, ATickThatShowsNothingNewAsksTheWindowToDrawNothing) {
    Start();
    PlaySeconds(2);
    int quietTicks = 0;
    for (int tick = 0; tick < 50; ++tick) {
        const std::string shownBefore = Text(res::POSITION_TEXT);
        const int requestsBefore = Window().DrawRequestCount();
        Hear(15);
        Ticks(1);
        const int requests = Window().DrawRequestCount() - requestsBefore;
        if (Text(res::POSITION_TEXT) == shownBefore) {
            EXPECT_EQ(requests, 0) << "tick " << tick << " at " << shownBefore;
            ++quietTicks;
        } else {
            // The time text and the position bar's thumb.
            EXPECT_LE(requests, 2) << "tick " << tick << " at " << shownBefore;
        }
    }
    EXPECT_GE(quietTicks, 35);
    EXPECT_EQ(Text(res::POSITION_TEXT), "00:11 (00:20)");

    Click(res::PLAY_STOP_BUTTON);
    const int stoppedRequests = Window().DrawRequestCount();
    Ticks(50);
    EXPECT_EQ(Window().DrawRequestCount(), stoppedRequests);

    Click(res::PLAY_STOP_BUTTON);
    Window().SystemCommand(window::SC_MINIMIZE);
    PlaySeconds(1);
    const int minimizedRequests = Window().DrawRequestCount();
    Hear(15);
    Ticks(1);
    EXPECT_LE(Window().DrawRequestCount() - minimizedRequests, 1);
    Hear(15);
    Ticks(1);
    Hear(15);
    Ticks(1);
    EXPECT_LE(Window().DrawRequestCount() - minimizedRequests, 1);
}

TEST_F(PlayerScenario, PlayStopPlayResumesWhereStopLeftOff) {
    Start();
    PlaySeconds(5);
    Click(res::PLAY_STOP_BUTTON);
    EXPECT_EQ(Mode(), "stopped");
    EXPECT_EQ(Text(res::PLAY_STOP_BUTTON), "Play");
    const std::string stoppedAt = Position();
    EXPECT_EQ(stoppedAt.substr(0, 8), "01:00:05");

    Click(res::PLAY_STOP_BUTTON);
    EXPECT_EQ(Mode(), "playing");
    EXPECT_EQ(Position(), stoppedAt);
    EXPECT_EQ(Text(res::PLAY_STOP_BUTTON), "Stop");
}

TEST_F(PlayerScenario, NextAndPreviousTrackPlayFromTheStartOfTheTrack) {
    Start();
    Click(res::NEXT_TRACK_BUTTON);
    EXPECT_EQ(Position(), "02:00:00:00");
    PlaySeconds(3);
    Click(res::PREVIOUS_TRACK_BUTTON);
    EXPECT_EQ(Position(), "01:00:00:00");
}

TEST_F(PlayerScenario, DraggingThePositionBarSendsOnePlayOnTheSecondTickAfterTheLastMove) {
    Start();
    PlaySeconds(1);
    m_mci->Forget();
    for (const int seconds : {3, 6, 9}) {
        Window().MoveThumb(res::POSITION_SCROLL_BAR, seconds);
    }
    Window().ReleaseThumb(res::POSITION_SCROLL_BAR);
    EXPECT_EQ(m_mci->Count("play"), 0);
    Ticks(1);
    EXPECT_EQ(Text(res::STATUS_TEXT), "Scrolling...");
    EXPECT_EQ(Text(res::POSITION_TEXT), "00:09 (00:20)");
    EXPECT_EQ(m_mci->Count("play"), 0);
    Ticks(1);
    EXPECT_EQ(m_mci->Count("play"), 1);
    EXPECT_EQ(Position(), "01:00:09:00");
}

TEST_F(PlayerScenario, ALineStepLeftAtTheStartSeeksToTheStartOfTheSameTrack) {
    Start();
    Click(res::NEXT_TRACK_BUTTON);
    Window().ScrollStep(res::POSITION_SCROLL_BAR, window::SB_LINELEFT);
    Ticks(2);
    EXPECT_EQ(Position(), "02:00:00:00");
}

TEST_F(PlayerScenario, RepeatPlaysTheCurrentRowAgainWhenPlayReachesTheNextRow) {
    Start();
    Click(res::REPEAT_TOGGLE);
    EXPECT_FALSE(IsEnabled(res::NEXT_TRACK_BUTTON));
    EXPECT_FALSE(IsEnabled(res::NAME_EDIT));
    EXPECT_EQ(Text(res::NAME_EDIT), "");
    PlaySeconds(19);
    m_mci->Forget();
    // Into track 2, which is the next row.
    PlaySeconds(2);
    EXPECT_EQ(m_mci->Count("play cdaudio from 01:00:00:00"), 1);
    EXPECT_EQ(Position().substr(0, 2), "01");
}

// A disc with a data track between two audio tracks.
class PlayerDataTrackTest : public PlayerScenario {
  protected:
    PlayerDataTrackTest() { m_disc.tracks[1].type = imagegen::TrackType::Data; }
};

TEST_F(PlayerDataTrackTest, RepeatOnADataTracksRowLetsPlayGoOnInTheNextTrack) {
    Start();
    Click(res::REPEAT_TOGGLE);
    // The drive skips the data track and plays track 3 from its start.
    Window().ClickListRow(res::TRACK_LIST, 1);
    ASSERT_EQ(Position(), "03:00:00:00");
    m_mci->Forget();
    PlaySeconds(3);
    EXPECT_EQ(m_mci->Count("play cdaudio"), 0);
    EXPECT_EQ(Position(), "03:00:03:00");
    EXPECT_EQ(m_player->CurrentRow(), 2);
}

TEST_F(PlayerScenario, WhileMinimizedTheTitleShowsThePosition) {
    Start();
    Window().SystemCommand(window::SC_MINIMIZE);
    PlaySeconds(2);
    Ticks(1);
    EXPECT_EQ(Window().Title(), "[01] 00:02 (00:20)");
    Window().SystemCommand(window::SC_RESTORE);
    EXPECT_EQ(Window().Title(), "(00:44) <New album>");
}

TEST_F(PlayerScenario, EjectClearsTheDiscAndInjectBuildsTheListAndPlaysAgain) {
    Start();
    PlaySeconds(3);
    Click(res::EJECT_BUTTON);
    EXPECT_EQ(Text(res::STATUS_TEXT), "No CD");
    EXPECT_TRUE(Rows().empty());
    EXPECT_TRUE(IsEnabled(res::INJECT_BUTTON));
    EXPECT_FALSE(IsEnabled(res::PLAY_STOP_BUTTON));
    EXPECT_EQ(Window().Title(), "Corvid Player");

    Click(res::INJECT_BUTTON);
    UntilRefresh();
    EXPECT_EQ(Rows().size(), 3U);
    EXPECT_EQ(Mode(), "playing");
    EXPECT_EQ(Position(), "01:00:00:00");
}

TEST_F(PlayerScenario, AtTheEndOfTheDiscThePlayerShowsItStopped) {
    Start();
    PlaySeconds(46);
    UntilRefresh();
    EXPECT_EQ(Mode(), "stopped");
    EXPECT_EQ(Text(res::PLAY_STOP_BUTTON), "Play");
}

TEST_F(PlayerScenario, ClosingTheWindowEndsTheDialogAndClosesTheDevice) {
    Start();
    Close();
    EXPECT_EQ(Window().EndCode(), window::IDOK);
    EXPECT_EQ(m_mci->Count("close cdaudio"), 0);
    m_player.reset();
    EXPECT_EQ(m_mci->Count("close cdaudio"), 1);
}

}  // namespace
}  // namespace corvid::ui::testing
