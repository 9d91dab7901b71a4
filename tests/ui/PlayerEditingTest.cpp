// Stories of editing a disc's track list in the player window: the editor's
// fields and spinners, Update!, inserting and deleting subtracks, and the
// window's own commands.
#include <gtest/gtest.h>

#include <fstream>

#include "res/ControlIds.h"
#include "tests/support/FakeDrive.h"
#include "tests/ui/PlayerScenario.h"
#include "tracklist/TrackListFile.h"

namespace corvid::ui::testing {
namespace {

using headless::SpinArrow;
using window::MessageBoxAnswer;

constexpr int Frames(int minutes, int seconds, int frames) {
    return (minutes * 60 + seconds) * 75 + frames;
}

// Tracks long enough for the carries at their ends: 1 is 03:59:10 long, 2 is
// 02:30:74, 5 is 03:00:00; a short last track keeps the others' lengths exact.
class PlayerEditingTest : public PlayerScenario {
  protected:
    void StartEditing() {
        // The drive gives lengths from millisecond starts, a frame short here.
        const cdrom::Toc toc = corvid::testing::MakeToc({{Frames(3, 59, 11)},
                                                         {Frames(2, 30, 74)},
                                                         {Frames(0, 30, 0)},
                                                         {Frames(0, 40, 0)},
                                                         {Frames(3, 0, 0)},
                                                         {Frames(0, 10, 0)}});
        StartWith([toc] {
            return cdrom::DriveOpenResult{std::make_unique<corvid::testing::FakeDrive>(toc),
                                          std::nullopt};
        });
    }
    // Plays from a position as another program could, and marks a subtrack there.
    void InsertAt(std::string_view position) {
        char answer[16] = {};
        m_device->SendString("play cdaudio from " + std::string(position), answer, nullptr);
        Click(res::INSERT_SUBTRACK_BUTTON);
    }
    std::string Fields() {
        return Text(res::MINUTE_EDIT) + ":" + Text(res::SECOND_EDIT) + ":" + Text(res::FRAME_EDIT);
    }
    void Arrow(int spinner, SpinArrow arrow) { Window().ClickArrow(spinner, arrow); }
};

TEST_F(PlayerEditingTest, TheSpinnersCarryByOneUnitAndStopAtTheTracksLength) {
    StartEditing();
    InsertAt("01:00:00:00");
    ASSERT_EQ(Fields(), "00:00:00");
    // Below the start of the track comes its end.
    Arrow(res::FRAME_SPIN, SpinArrow::DOWN);
    EXPECT_EQ(Fields(), "03:59:10");
    // The seconds carry into a minute that the length then holds back.
    Arrow(res::SECOND_SPIN, SpinArrow::UP);
    EXPECT_EQ(Fields(), "03:00:10");
    Arrow(res::MINUTE_SPIN, SpinArrow::UP);
    EXPECT_EQ(Fields(), "03:00:10");
    Arrow(res::MINUTE_SPIN, SpinArrow::DOWN);
    Arrow(res::FRAME_SPIN, SpinArrow::DOWN);
    EXPECT_EQ(Fields(), "02:00:09");

    InsertAt("02:00:00:00");
    Arrow(res::FRAME_SPIN, SpinArrow::DOWN);
    EXPECT_EQ(Fields(), "02:30:74");
    Arrow(res::FRAME_SPIN, SpinArrow::UP);
    EXPECT_EQ(Fields(), "02:30:00");
}

TEST_F(PlayerEditingTest, FramesUpAtTheEndOfASecondCarriesIntoTheNextMinute) {
    StartEditing();
    InsertAt("01:01:59:74");
    EXPECT_EQ(Fields(), "01:59:74");
    Arrow(res::FRAME_SPIN, SpinArrow::UP);
    EXPECT_EQ(Fields(), "02:00:00");
}

TEST_F(PlayerEditingTest, TypingSecondsAndUpdateMovesTheSubtrackAndPlaysFromIt) {
    StartEditing();
    InsertAt("01:00:00:00");
    Window().ReplaceText(res::SECOND_EDIT, "9");
    Window().ReplaceText(res::NAME_EDIT, "Theme");
    m_mci->Forget();
    Click(res::UPDATE_BUTTON);
    EXPECT_EQ(Text(res::SECOND_EDIT), "09");
    EXPECT_EQ(Rows()[1], "Theme|00:09:00");
    EXPECT_EQ(m_mci->Count("play cdaudio from 01:00:09:00"), 1);
    EXPECT_EQ(m_player->EditRow(), 1);
    EXPECT_TRUE(m_player->IsModified());
}

TEST_F(PlayerEditingTest, ASubtrackMovedPastTheOthersOfItsTrackLandsBeforeTheNextTrack) {
    StartEditing();
    InsertAt("01:00:10:00");
    InsertAt("01:00:20:00");
    InsertAt("01:00:05:00");
    ASSERT_EQ(m_player->EditRow(), 1);
    Window().ReplaceText(res::MINUTE_EDIT, "2");
    Click(res::UPDATE_BUTTON);
    EXPECT_EQ(Rows()[3], "<New subtrack>|02:05:00");
    EXPECT_EQ(Rows()[4], "02. <Unnamed track>|02:30");
    EXPECT_EQ(m_player->EditRow(), 3);
    EXPECT_EQ(Position(), "01:02:05:00");
}

TEST_F(PlayerEditingTest, UpdateOnATrackRowOnlyRenamesItAndMovesTheEditorOn) {
    StartEditing();
    ASSERT_EQ(m_player->EditRow(), 0);
    EXPECT_FALSE(IsEnabled(res::MINUTE_EDIT));
    EXPECT_FALSE(IsEnabled(res::DELETE_SUBTRACK_BUTTON));
    Window().ReplaceText(res::NAME_EDIT, "Overture");
    Click(res::UPDATE_BUTTON);
    EXPECT_EQ(Rows()[0], "Overture|03:59");
    EXPECT_EQ(m_player->EditRow(), 1);
    EXPECT_EQ(Text(res::NAME_EDIT), "02. <Unnamed track>");
    EXPECT_TRUE(m_player->IsModified());
}

TEST_F(PlayerEditingTest, UpdateOnTheLastRowWithoutChangesMovesTheEditorToTheFirst) {
    StartEditing();
    Window().ClickListRow(res::TRACK_LIST, 5);
    ASSERT_EQ(m_player->EditRow(), 5);
    Click(res::UPDATE_BUTTON);
    EXPECT_EQ(m_player->EditRow(), 0);
    EXPECT_FALSE(m_player->IsModified());
}

TEST_F(PlayerEditingTest, InsertWhileTrackFivePlaysAddsANewSubtrackAfterTheRowsBeforeIt) {
    StartEditing();
    InsertAt("05:01:00:00");
    InsertAt("05:02:10:33");
    EXPECT_EQ(Rows()[6], "<New subtrack>|02:10:33");
    EXPECT_EQ(Rows()[5], "<New subtrack>|01:00:00");
    EXPECT_EQ(Window().ListControl(res::TRACK_LIST).ItemData(6), -5);
    EXPECT_EQ(m_player->EditRow(), 6);
    EXPECT_TRUE(m_player->IsModified());
    const auto selection = Window().EditControl(res::NAME_EDIT).Selection();
    EXPECT_EQ(selection.end - selection.start, 14);
    EXPECT_EQ(Window().FocusedControlId(), res::NAME_EDIT);
}

TEST_F(PlayerEditingTest, ASubtrackInsertedInTheLastFramesOfTheDiscStartsNoLaterThanItsTrack) {
    StartEditing();
    // The last track's length falls short of its end, where play still goes.
    const LengthParts length = m_player->TrackLengthOf(6);
    const std::string end = FormatPositionText(6, length.minutes, length.seconds, length.frames);
    ASSERT_LT(end, "06:00:09:74");
    InsertAt("06:00:09:74");
    ASSERT_EQ(Position(), "06:00:09:74");
    EXPECT_EQ(Rows().back(), "<New subtrack>|" + end.substr(3));
    EXPECT_EQ(Fields(), end.substr(3));
}

// Space on the list takes the row the arrow keys selected, not the one the
// mouse pointer happens to rest over.
TEST_F(PlayerEditingTest, TheKeyboardTakesTheSelectedRowWhereverThePointerRests) {
    StartEditing();
    Window().MoveCursor(res::TRACK_LIST, Window().RowPoint(res::TRACK_LIST, 4));
    Window().ListControl(res::TRACK_LIST).TakeRowByKeyboard(2);
    EXPECT_EQ(m_player->EditRow(), 2);
    EXPECT_EQ(Position().substr(0, 3), "03:");
}

TEST_F(PlayerEditingTest, MovingASubtrackAboveTheCurrentRowLeavesNoRowMarkedCurrent) {
    StartEditing();
    InsertAt("01:00:05:00");
    InsertAt("01:00:06:00");
    Window().ClickListRow(res::TRACK_LIST, 1);
    PlaySeconds(2);
    ASSERT_EQ(m_player->CurrentRow(), 2);
    ASSERT_EQ(m_player->EditRow(), 1);

    Window().ReplaceText(res::SECOND_EDIT, "10");
    Click(res::UPDATE_BUTTON);
    const window::ListView& list = Window().ListControl(res::TRACK_LIST);
    ASSERT_EQ(list.ItemText(2, 1), "00:10:00");
    EXPECT_EQ(m_player->CurrentRow(), -1);
    for (int row = 0; row < list.ItemCount(); ++row) {
        EXPECT_LT(list.ItemImage(row), tracklist::ROW_ICON_CURRENT_SUBTRACK) << "row " << row;
        EXPECT_EQ(list.ItemState(row, window::LVIS_SELECTED), 0U) << "row " << row;
    }
}

TEST_F(PlayerEditingTest, ASubtrackInsertedAboveACurrentRowThatDoesNotPlayLeavesOneRowMarked) {
    StartEditing();
    // Track 5 is exactly 03:00:00 long: a subtrack at its end cannot be played.
    InsertAt("05:00:10:00");
    Arrow(res::MINUTE_SPIN, SpinArrow::DOWN);
    ASSERT_EQ(Fields(), "03:00:00");
    Click(res::UPDATE_BUTTON);
    Window().ClickListRow(res::TRACK_LIST, 5);
    ASSERT_EQ(m_player->CurrentRow(), 5);
    ASSERT_EQ(Position().substr(0, 5), "05:00");

    Click(res::INSERT_SUBTRACK_BUTTON);
    const window::ListView& list = Window().ListControl(res::TRACK_LIST);
    ASSERT_EQ(list.ItemText(5, 0), "<New subtrack>");
    EXPECT_EQ(m_player->CurrentRow(), 6);
    EXPECT_EQ(list.ItemImage(6), tracklist::ROW_ICON_CURRENT_SUBTRACK);
    // Moving play takes the mark off that row and leaves none behind.
    Click(res::NEXT_TRACK_BUTTON);
    for (int row = 0; row < list.ItemCount(); ++row) {
        EXPECT_LT(list.ItemImage(row), tracklist::ROW_ICON_CURRENT_SUBTRACK) << "row " << row;
    }
}

TEST_F(PlayerEditingTest, DeleteOnTheLastRowPutsTheRowAboveIntoTheEditor) {
    StartEditing();
    InsertAt("06:00:05:00");
    ASSERT_EQ(m_player->EditRow(), 6);
    Click(res::DELETE_SUBTRACK_BUTTON);
    EXPECT_EQ(Rows().size(), 6U);
    EXPECT_EQ(m_player->EditRow(), 5);
    EXPECT_EQ(Text(res::NAME_EDIT), "06. <Unnamed track>");
}

TEST_F(PlayerEditingTest, AClickAnywhereAlongARowPlaysFromItsStart) {
    StartEditing();
    InsertAt("02:01:00:00");
    Window().ClickListRow(res::TRACK_LIST, 2, 300);
    EXPECT_EQ(m_player->EditRow(), 2);
    EXPECT_EQ(Position(), "02:01:00:00");
    EXPECT_EQ(m_player->CurrentRow(), 2);
}

TEST_F(PlayerEditingTest, TypingInTheArtistFieldMarksTheListModifiedAndLeavesTheTitle) {
    StartEditing();
    const std::string title = Window().Title();
    Type(res::ARTIST_EDIT, "Band");
    EXPECT_TRUE(m_player->IsModified());
    EXPECT_EQ(Window().Title(), title);
}

TEST_F(PlayerEditingTest, EditsSavedBeforeEjectComeBackFromTheFileAfterInject) {
    StartEditing();
    Window().ReplaceText(res::ALBUM_EDIT, "Suite");
    Window().ReplaceText(res::NAME_EDIT, "Prelude");
    Click(res::UPDATE_BUTTON);
    InsertAt("01:01:02:03");
    Window().ReplaceText(res::NAME_EDIT, "Solo");
    Click(res::UPDATE_BUTTON);
    const std::vector<std::string> edited = Rows();

    const auto file = ListFolder() / "Suite.trk";
    m_windows.AnswerNextMessageBox(MessageBoxAnswer::YES);
    m_windows.AnswerNextFileDialog(file.string());
    Click(res::EJECT_BUTTON);
    ASSERT_TRUE(std::filesystem::exists(file));
    EXPECT_TRUE(Rows().empty());

    Click(res::INJECT_BUTTON);
    UntilRefresh();
    EXPECT_EQ(Rows(), edited);
    EXPECT_EQ(Text(res::ALBUM_EDIT), "Suite");
    EXPECT_EQ(m_player->TrackListPath(), file.string());
    EXPECT_FALSE(m_player->IsModified());
}

TEST_F(PlayerEditingTest, TheVolumeSpinnerMovesTheDevicesVolumeByOneStep) {
    StartEditing();
    m_sink.SetVolume({40000, 40000});
    Arrow(res::VOLUME_SPIN, SpinArrow::UP);
    EXPECT_EQ(m_sink.GetVolume().left, 40000U + VOLUME_STEP);
    Arrow(res::VOLUME_SPIN, SpinArrow::DOWN);
    Arrow(res::VOLUME_SPIN, SpinArrow::DOWN);
    EXPECT_EQ(m_sink.GetVolume().left, 40000U - VOLUME_STEP);
    // The spinner never holds a value of its own.
    EXPECT_EQ(Window().UpDownControl(res::VOLUME_SPIN).Position(), 0);
}

TEST_F(PlayerEditingTest, MaximizeTogglesTheCompactTopmostWindow) {
    StartEditing();
    const window::Size normal = Window().OuterSize();
    Window().UserMaximize();
    EXPECT_TRUE(m_player->IsCompact());
    EXPECT_EQ(Window().OuterSize().height, normal.height - 331);
    EXPECT_TRUE(Window().IsTopmost());
    EXPECT_TRUE(Window().IsToolWindow());
    EXPECT_FALSE(Window().IsMaximized());
    // The window's menu gives the same command.
    Window().ChooseMenuCommand(window::SC_MAXIMIZE);
    EXPECT_EQ(Window().OuterSize(), normal);
    EXPECT_FALSE(Window().IsTopmost());
}

TEST_F(PlayerEditingTest, TooltipsNameTheControlsFromTheStringTable) {
    StartEditing();
    EXPECT_EQ(Window().ToolTipText(res::PLAY_STOP_BUTTON), "Starts/stops playing current CD.");
    EXPECT_EQ(Window().ToolTipText(res::VOLUME_SPIN), "Changes sound volume.");
    EXPECT_EQ(Window().ToolTipText(res::MINUTE_SPIN), "");
}

TEST_F(PlayerEditingTest, TheAboutBoxOpensAfreshFromTheButtonAndTheWindowMenu) {
    StartEditing();
    Click(res::ABOUT_BUTTON);
    Window().ChooseMenuCommand(res::IDM_ABOUTBOX);
    EXPECT_EQ(m_windows.DialogCount(res::ABOUT_DIALOG_ID), 2);
    EXPECT_TRUE(Window().IsOpen());
}

TEST_F(PlayerEditingTest, TheBackgroundPictureIsCopiedOnEveryErase) {
    StartEditing();
    const auto calls = Window().Paint();
    ASSERT_FALSE(calls.empty());
    EXPECT_EQ(calls[0].resourceId, res::BACKGROUND_BITMAP_ID);
}

}  // namespace
}  // namespace corvid::ui::testing
