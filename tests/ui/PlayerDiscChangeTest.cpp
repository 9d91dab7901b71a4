// Stories of discs that change under the player window: a disc swapped
// between two looks at the drive, a drive empty at start, a disc that leaves
// while a question or a file dialog is open, and the current row of the disc
// before.
#include <gtest/gtest.h>

#include <fstream>

#include "res/ControlIds.h"
#include "tests/support/FakeDrive.h"
#include "tests/ui/PlayerScenario.h"
#include "tracklist/TrackListFile.h"
#include "ui/PlayerRemote.h"

namespace corvid::ui::testing {
namespace {

using window::MessageBoxAnswer;

class PlayerDiscChangeTest : public PlayerScenario {
  protected:
    void SetUp() override {
        PlayerScenario::SetUp();
        imagegen::DiscDescription other;
        other.tracks.resize(2);
        other.tracks[0].length = 12 * FRAMES_PER_SECOND;
        other.tracks[1].length = 9 * FRAMES_PER_SECOND;
        const imagegen::WriteResult written = imagegen::WriteImage(other, m_folder.Path(), "other");
        ASSERT_FALSE(written.error) << *written.error;
        m_otherSheet = written.cueSheet;
    }

    void Send(std::string_view command) {
        char answer[64] = {};
        m_device->SendString(command, answer, nullptr);
    }
    // The drive's own button: the tray goes out, the other disc goes in and
    // the tray closes, all between two of the window's looks at the drive.
    void SwapDiscByTheDrivesButton() {
        Send("set cdaudio door open wait");
        std::filesystem::copy_file(m_otherSheet, m_cueSheet,
                                   std::filesystem::copy_options::overwrite_existing);
        Send("set cdaudio door closed wait");
    }
    void TakeDiscOutByTheDrivesButton() { Send("set cdaudio door open wait"); }

    void WriteList(const std::filesystem::path& path, std::int32_t key, std::string album) {
        tracklist::TrackList list;
        list.cdKey = key;
        list.album = std::move(album);
        list.rows = {{1, "One", "00:20", 0}, {2, "Two", "00:15", 0}, {3, "Three", "00:09", 0}};
        std::ofstream(path, std::ios::binary) << tracklist::FormatTrackList(list);
    }
    std::string FileBytes(const std::filesystem::path& path) {
        std::ifstream file(path, std::ios::binary);
        return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
    }

    std::filesystem::path m_otherSheet;
};

TEST_F(PlayerDiscChangeTest, ADiscSwappedBeforePlayStopIsClickedGetsItsOwnListAndPlays) {
    const auto firstList = ListFolder() / "first.trk";
    WriteList(firstList, DiscKey(), "First Album");
    Start();
    Type(res::ARTIST_EDIT, "Someone");
    UntilRefresh();
    const std::int32_t firstKey = m_player->CdKey();

    SwapDiscByTheDrivesButton();
    m_windows.AnswerNextMessageBox(MessageBoxAnswer::YES);
    Click(res::PLAY_STOP_BUTTON);

    // The first disc's list was offered for saving into its own file.
    ASSERT_EQ(m_windows.MessageBoxes().size(), 1U);
    EXPECT_EQ(m_windows.MessageBoxes()[0].text, "Save changes to " + firstList.string() + " ?");
    EXPECT_NE(FileBytes(firstList).find("Someone"), std::string::npos);
    EXPECT_NE(m_player->CdKey(), firstKey);
    EXPECT_EQ(m_player->CdKey(), DiscKey());
    EXPECT_EQ(Text(res::ALBUM_EDIT), "<New album>");
    EXPECT_EQ(Rows().size(), 2U);
    EXPECT_EQ(Mode(), "playing");
    EXPECT_EQ(Position(), "01:00:00:00");
}

TEST_F(PlayerDiscChangeTest, ADiscSwappedBeforeAMediaKeyIsPressedGetsItsOwnList) {
    Start();
    SwapDiscByTheDrivesButton();
    PlayerRemote remote(*m_player);
    remote.Pause();
    UntilRefresh();
    EXPECT_EQ(m_player->CdKey(), DiscKey());
    EXPECT_EQ(Rows().size(), 2U);
    EXPECT_EQ(Mode(), "playing");
}

TEST_F(PlayerDiscChangeTest, TheDesktopControlsSeeTheLengthOfTheNewDiscsFirstTrack) {
    Start();
    PlayerRemote remote(*m_player);
    EXPECT_EQ(remote.Track().lengthMicroseconds, 20 * MICROSECONDS_PER_SECOND);
    SwapDiscByTheDrivesButton();
    remote.Pause();
    UntilRefresh();
    ASSERT_EQ(Rows().size(), 2U);
    // Track 1 again, of another length: what was known of the first disc is not kept.
    EXPECT_EQ(remote.Track().trackId, "/org/corvidplayer/row/track_1");
    EXPECT_EQ(remote.Track().lengthMicroseconds, 12 * MICROSECONDS_PER_SECOND);
}

TEST_F(PlayerDiscChangeTest, TheSameDiscPutBackBetweenTwoLooksKeepsItsEditedList) {
    Start();
    Type(res::ARTIST_EDIT, "Someone");
    Send("set cdaudio door open wait");
    Send("set cdaudio door closed wait");
    Click(res::PLAY_STOP_BUTTON);
    UntilRefresh();
    EXPECT_TRUE(m_windows.MessageBoxes().empty());
    EXPECT_EQ(Text(res::ARTIST_EDIT), "Someone");
    EXPECT_TRUE(m_player->IsModified());
}

TEST_F(PlayerDiscChangeTest, ADiscTakenOutBetweenTwoLooksLeavesNoListForTheEmptyDrive) {
    Start();
    Type(res::ARTIST_EDIT, "Someone");
    Send("set cdaudio door open wait");
    std::filesystem::remove(m_cueSheet);
    Send("set cdaudio door closed wait");
    UntilRefresh();
    ASSERT_EQ(m_windows.MessageBoxes().size(), 1U);
    EXPECT_EQ(m_windows.MessageBoxes()[0].text, "Do you want to save this tracklist?");
    EXPECT_EQ(m_player->CdKey(), -1);
    EXPECT_TRUE(Rows().empty());
    UntilRefresh();
    EXPECT_EQ(Text(res::STATUS_TEXT), "No CD?");
    EXPECT_FALSE(IsEnabled(res::ALBUM_EDIT));
}

TEST_F(PlayerDiscChangeTest, InsertWithTheDiscGoneUnseenLeavesTheEditRowMarked) {
    Start();
    ASSERT_EQ(m_player->EditRow(), 0);
    TakeDiscOutByTheDrivesButton();
    Click(res::INSERT_SUBTRACK_BUTTON);
    EXPECT_EQ(Rows().size(), 3U);
    EXPECT_EQ(m_player->EditRow(), 0);
    EXPECT_NE(Window().ListControl(res::TRACK_LIST).ItemState(0, window::LVIS_CUT), 0U);
}

class PlayerWithoutDiscTest : public PlayerScenario,
                              public ::testing::WithParamInterface<cdrom::DriveState> {
  protected:
    void StartWithoutDisc() {
        const cdrom::DriveState state = GetParam();
        StartWith([state] {
            auto drive =
                std::make_unique<corvid::testing::FakeDrive>(corvid::testing::MakeToc({{1500}}));
            drive->SetState(state);
            return cdrom::DriveOpenResult{std::move(drive), std::nullopt};
        });
    }
};

TEST_P(PlayerWithoutDiscTest, StartsWithEveryControlOfTheListDisabled) {
    StartWithoutDisc();
    for (const int control :
         {res::ALBUM_EDIT, res::ARTIST_EDIT, res::TRACK_LIST, res::INSERT_SUBTRACK_BUTTON,
          res::DELETE_SUBTRACK_BUTTON, res::LOAD_TRACKS_BUTTON, res::SAVE_TRACKS_BUTTON,
          res::REPEAT_TOGGLE, res::POSITION_SCROLL_BAR, res::NAME_EDIT, res::UPDATE_BUTTON}) {
        EXPECT_FALSE(IsEnabled(control)) << "control " << control;
    }
    EXPECT_EQ(Text(res::POSITION_TEXT), "");
    EXPECT_EQ(Window().Title(), "Corvid Player");
    EXPECT_TRUE(m_windows.MessageBoxes().empty());
}

TEST_P(PlayerWithoutDiscTest, LoadTracksWithoutADiscReadsNothing) {
    const auto list = ListFolder() / "some.trk";
    std::ofstream(list, std::ios::binary) << "[CD key] 1234\r\n01:00:00:00*One\r\n";
    StartWithoutDisc();
    m_windows.AnswerNextFileDialog(list.string());
    // As a command that reaches the handler however the button is drawn.
    m_player->OnLoadTracks();
    EXPECT_TRUE(Rows().empty());
    EXPECT_FALSE(m_player->IsModified());
    EXPECT_TRUE(m_windows.FileDialogs().empty());
}

INSTANTIATE_TEST_SUITE_P(EmptyOrOpen, PlayerWithoutDiscTest,
                         ::testing::Values(cdrom::DriveState::NoDisc, cdrom::DriveState::TrayOpen));

TEST_F(PlayerDiscChangeTest, TheDiscLeavingWhileTheLoadDialogIsOpenLoadsNothing) {
    const auto list = ListFolder() / "some.trk";
    WriteList(list, DiscKey() + 5, "Another Album");
    Start();
    m_windows.AnswerNextFileDialog(list.string(), [this] {
        TakeDiscOutByTheDrivesButton();
        UntilRefresh();
    });
    Click(res::LOAD_TRACKS_BUTTON);
    EXPECT_TRUE(Rows().empty());
    EXPECT_EQ(m_player->CdKey(), -1);
    EXPECT_FALSE(m_player->IsModified());
    EXPECT_EQ(Text(res::ALBUM_EDIT), "");

    Click(res::INJECT_BUTTON);
    UntilRefresh();
    EXPECT_EQ(Rows().size(), 3U);
    EXPECT_EQ(Text(res::ALBUM_EDIT), "<New album>");
}

TEST_F(PlayerDiscChangeTest, TheDiscLeavingWhileLoadAsksToLoseChangesLoadsNothing) {
    const auto list = ListFolder() / "some.trk";
    WriteList(list, DiscKey() + 5, "Another Album");
    Start();
    Type(res::ARTIST_EDIT, "Someone");
    m_windows.AnswerNextMessageBox(MessageBoxAnswer::YES, [this] {
        SwapDiscByTheDrivesButton();
        UntilRefresh();
    });
    m_windows.AnswerNextFileDialog(list.string());
    Click(res::LOAD_TRACKS_BUTTON);
    EXPECT_TRUE(Rows().empty());
    UntilRefresh();
    EXPECT_EQ(m_player->CdKey(), DiscKey());
    EXPECT_EQ(Rows().size(), 2U);
    EXPECT_EQ(Text(res::ALBUM_EDIT), "<New album>");
}

TEST_F(PlayerDiscChangeTest, TheDiscLeavingWhileTheSaveDialogIsOpenWritesNothing) {
    const auto otherDiscsList = ListFolder() / "other disc.trk";
    WriteList(otherDiscsList, DiscKey() + 5, "Another Album");
    const std::string before = FileBytes(otherDiscsList);
    Start();
    Type(res::ARTIST_EDIT, "Someone");
    UntilRefresh();
    m_windows.AnswerNextMessageBox(MessageBoxAnswer::YES);
    m_windows.AnswerNextFileDialog(otherDiscsList.string(), [this] {
        TakeDiscOutByTheDrivesButton();
        UntilRefresh();
    });
    Click(res::SAVE_TRACKS_BUTTON);
    EXPECT_EQ(FileBytes(otherDiscsList), before);
    EXPECT_EQ(corvid::testing::NamesIn(ListFolder()), (std::vector<std::string>{"other disc.trk"}));
    EXPECT_EQ(m_player->CdKey(), -1);
    EXPECT_TRUE(Rows().empty());
}

TEST_F(PlayerDiscChangeTest, TheDiscSwappedWhileSaveAsksWritesNothingOverItsFile) {
    const auto list = ListFolder() / "first.trk";
    WriteList(list, DiscKey(), "First Album");
    Start();
    Type(res::ARTIST_EDIT, "Someone");
    UntilRefresh();
    const std::string before = FileBytes(list);
    // The refresh inside the box offers the first disc's list once more; No.
    m_windows.AnswerNextMessageBox(MessageBoxAnswer::YES, [this] {
        SwapDiscByTheDrivesButton();
        UntilRefresh();
    });
    Click(res::SAVE_TRACKS_BUTTON);
    EXPECT_EQ(FileBytes(list), before);
    EXPECT_EQ(m_windows.FileDialogs().size(), 0U);
    UntilRefresh();
    EXPECT_EQ(m_player->CdKey(), DiscKey());
    EXPECT_EQ(Rows().size(), 2U);
    EXPECT_FALSE(m_player->IsModified());
}

TEST_F(PlayerDiscChangeTest, ADataDiscAfterAnEjectDuringPlayShowsDataCd) {
    imagegen::DiscDescription data;
    data.tracks.resize(1);
    data.tracks[0].type = imagegen::TrackType::Data;
    data.tracks[0].length = 20 * FRAMES_PER_SECOND;
    const imagegen::WriteResult written = imagegen::WriteImage(data, m_folder.Path(), "data");
    ASSERT_FALSE(written.error) << *written.error;
    Start();
    Click(res::NEXT_TRACK_BUTTON);
    Click(res::NEXT_TRACK_BUTTON);
    PlaySeconds(1);
    ASSERT_EQ(m_player->CurrentRow(), 2);

    Click(res::EJECT_BUTTON);
    std::filesystem::copy_file(written.cueSheet, m_cueSheet,
                               std::filesystem::copy_options::overwrite_existing);
    Click(res::INJECT_BUTTON);
    UntilRefresh();
    EXPECT_EQ(Text(res::STATUS_TEXT), "Data CD");
    EXPECT_EQ(m_player->CurrentRow(), -1);
}

TEST_F(PlayerDiscChangeTest, ADiscFoundPlayingShowsNoTrackOfTheDiscBefore) {
    Start();
    Click(res::NEXT_TRACK_BUTTON);
    PlaySeconds(1);
    ASSERT_EQ(m_player->CurrentRow(), 1);

    Click(res::EJECT_BUTTON);
    std::filesystem::copy_file(m_otherSheet, m_cueSheet,
                               std::filesystem::copy_options::overwrite_existing);
    // Another program closes the tray and starts play before the window looks.
    Send("set cdaudio door closed wait");
    Send("play cdaudio from 01:00:00:00");
    // The first look sees the change of disc as the tray open; the second finds the disc.
    UntilRefresh();
    UntilRefresh();
    ASSERT_EQ(Rows().size(), 2U);
    EXPECT_NE(Text(res::STATUS_TEXT), ">[02] 02. <Unnamed track>");
    PlaySeconds(1);
    EXPECT_EQ(Text(res::STATUS_TEXT), ">[01] 01. <Unnamed track>");
    EXPECT_EQ(m_player->CurrentRow(), 0);
}

}  // namespace
}  // namespace corvid::ui::testing
