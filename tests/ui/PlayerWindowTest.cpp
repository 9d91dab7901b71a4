// Stories of the player window as a whole: opening the device, the keys that
// must not close it, closing it with unsaved changes, and other discs.
#include <gtest/gtest.h>

#include <fstream>

#include "res/ControlIds.h"
#include "tests/support/FakeDrive.h"
#include "tests/ui/PlayerScenario.h"
#include "tracklist/TrackListFile.h"

namespace corvid::ui::testing {
namespace {

using window::MessageBoxAnswer;

TEST_F(PlayerScenario, ADeviceThatCannotBeOpenedIsToldBeforeAnyWindowAndEndsTheWindow) {
    StartWith([] {
        return cdrom::DriveOpenResult{
            nullptr,
            cdrom::DriveError{MCIERR_INVALID_DEVICE_NAME, "No CD drive was found at /dev/cdrom."}};
    });
    ASSERT_FALSE(m_windows.MessageBoxes().empty());
    EXPECT_EQ(m_windows.MessageBoxes()[0].ownerTemplateId, 0);
    EXPECT_NE(m_windows.MessageBoxes()[0].text.find("/dev/cdrom"), std::string::npos);
    EXPECT_FALSE(Window().IsOpen());
    EXPECT_EQ(Window().EndCode(), window::IDCANCEL);
}

TEST_F(PlayerScenario, AnImageThatIsNotThereIsNamedInTheOpenFailure) {
    const std::filesystem::path missing = m_folder.Path() / "no such disc.cue";
    StartWith([missing] { return cdrom::OpenDrive({cdrom::DriveLocation::Kind::Image, missing}); });
    ASSERT_EQ(m_windows.MessageBoxes().size(), 1U);
    EXPECT_NE(m_windows.MessageBoxes()[0].text.find(missing.string()), std::string::npos)
        << m_windows.MessageBoxes()[0].text;
    EXPECT_EQ(Window().EndCode(), window::IDCANCEL);
}

TEST_F(PlayerScenario, EnterPressesUpdateAndNeitherEnterNorEscapeClosesTheWindow) {
    Start();
    Window().Focus(res::ALBUM_EDIT);
    Window().PressEnter();
    Window().PressEscape();
    EXPECT_TRUE(Window().IsOpen());
    // Update! is disabled without a row in the editor: Enter is then IDOK.
    Click(res::REPEAT_TOGGLE);
    Window().PressEnter();
    EXPECT_TRUE(Window().IsOpen());
}

TEST_F(PlayerScenario, ClosingWithAModifiedListAsksOnceAndClosingWithoutChangesAsksNothing) {
    Start();
    Type(res::ARTIST_EDIT, "x");
    Type(res::ALBUM_EDIT, "Album");
    m_windows.AnswerNextMessageBox(MessageBoxAnswer::NO);
    Close();
    EXPECT_EQ(m_windows.MessageBoxes().size(), 1U);
    EXPECT_FALSE(Window().IsOpen());
}

TEST_F(PlayerScenario, ClosingAnUnchangedListAsksNothing) {
    Start();
    Close();
    EXPECT_TRUE(m_windows.MessageBoxes().empty());
    EXPECT_EQ(Window().EndCode(), window::IDOK);
    EXPECT_TRUE(Window().RunningTimers().empty());
}

TEST_F(PlayerScenario, TheWindowIsSetUpWithItsIconsColumnsLimitsAndTimer) {
    Start();
    EXPECT_EQ(Window().Icon(window::IconSize::BIG), res::PROGRAM_ICON_ID);
    EXPECT_EQ(Window().Icon(window::IconSize::SMALL), res::PROGRAM_ICON_ID);
    EXPECT_EQ(Window().RunningTimers(), (std::map<int, int>{{1, 200}}));
    ASSERT_EQ(Window().MenuCommands().size(), 4U);
    EXPECT_EQ(Window().MenuCommands()[1].commandId, res::IDM_ABOUTBOX);
    EXPECT_EQ(Window().MenuCommands()[1].text, "&About CorvidPlayer...");
    EXPECT_EQ(Window().MenuCommands()[2].commandId, window::SC_MAXIMIZE);
    EXPECT_EQ(Window().MenuCommands()[3].commandId, res::IDM_FINDNAMES);
    EXPECT_TRUE(Window().ToolTipsEnabled());
    EXPECT_EQ(std::filesystem::current_path(), ListFolder());
    Window().ReplaceText(res::ALBUM_EDIT, std::string(300, 'n'));
    EXPECT_EQ(Text(res::ALBUM_EDIT).size(), 254U);
}

// A disc with only a data track: the drive can play nothing of it.
TEST_F(PlayerScenario, ADataDiscShowsDataCdAndItsPlayButtonStops) {
    m_disc.tracks.resize(1);
    m_disc.tracks[0].type = imagegen::TrackType::Data;
    SetUp();
    Start();
    EXPECT_EQ(Text(res::STATUS_TEXT), "Data CD");
    EXPECT_EQ(Text(res::PLAY_STOP_BUTTON), "Play");
    EXPECT_TRUE(IsEnabled(res::PLAY_STOP_BUTTON));
    EXPECT_EQ(Rows(), (std::vector<std::string>{"01. DATA TRACK|00:19"}));
    m_mci->Forget();
    Click(res::PLAY_STOP_BUTTON);
    EXPECT_EQ(m_mci->Count("stop cdaudio"), 1);
    EXPECT_EQ(m_mci->Count("play"), 0);
}

// A current row kept from a longer list must not keep the list of the next
// disc from following play.
TEST_F(PlayerScenario, AfterALongerListTheCurrentRowFollowsPlayOnTheNextDisc) {
    tracklist::TrackList list;
    list.cdKey = DiscKey();
    list.rows = {{1, "One", "00:20", 0},
                 {-1, "a", "00:05:00", 1},
                 {-1, "b", "00:10:00", 1},
                 {2, "Two", "00:15", 0},
                 {3, "Three", "00:09", 0}};
    std::ofstream(ListFolder() / "disc.trk", std::ios::binary) << tracklist::FormatTrackList(list);
    Start();
    Click(res::NEXT_TRACK_BUTTON);
    Click(res::NEXT_TRACK_BUTTON);
    PlaySeconds(1);
    ASSERT_EQ(m_player->CurrentRow(), 4);

    Click(res::EJECT_BUTTON);
    std::filesystem::remove(ListFolder() / "disc.trk");
    // Another program closes the tray and starts play before the window looks.
    char answer[16] = {};
    m_device->SendString("set cdaudio door closed wait", answer, nullptr);
    m_device->SendString("play cdaudio from 01:00:00:00", answer, nullptr);
    UntilRefresh();
    ASSERT_EQ(Rows().size(), 3U);
    PlaySeconds(1);
    EXPECT_EQ(m_player->CurrentRow(), 0);
    EXPECT_EQ(Text(res::SUBTRACK_TEXT), "01. <Unnamed track>");
}

}  // namespace
}  // namespace corvid::ui::testing
