// Stories of the player window and its track list files: finding a disc's
// file, Load tracks, Save tracks and the questions before changes are lost.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>

#include "res/ControlIds.h"
#include "tests/ui/PlayerScenario.h"
#include "tracklist/TrackListFile.h"

namespace corvid::ui::testing {
namespace {

using window::MessageBoxAnswer;

class PlayerTrackListsTest : public PlayerScenario {
  protected:
    // A list for the disc with a subtrack in track 2.
    tracklist::TrackList NamedList(std::int32_t key) {
        tracklist::TrackList list;
        list.cdKey = key;
        list.album = "Songs: Part 2 (Live!)";
        list.artist = "The Band";
        list.rows = {{1, "Opening", "00:20", 0},
                     {2, "Middle", "00:15", 0},
                     {-2, "Solo", "00:05:10", 1},
                     {3, "Close", "00:10", 0}};
        return list;
    }
    void WriteList(const std::filesystem::path& path, const tracklist::TrackList& list) {
        std::ofstream(path, std::ios::binary) << tracklist::FormatTrackList(list);
    }
    std::string FileBytes(const std::filesystem::path& path) {
        std::ifstream file(path, std::ios::binary);
        return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
    }
    // Types into the album field, as the user edits the list.
    void EditAlbum() { Type(res::ALBUM_EDIT, " X"); }
};

TEST_F(PlayerTrackListsTest, TheDiscsFileIsFoundUnderAnyNameEndingInTrk) {
    WriteList(ListFolder() / "aaa.trk", NamedList(DiscKey() + 1));
    WriteList(ListFolder() / "Whatever Name.TRK", NamedList(DiscKey()));
    Start();
    EXPECT_EQ(Text(res::ALBUM_EDIT), "Songs: Part 2 (Live!)");
    EXPECT_EQ(Text(res::ARTIST_EDIT), "The Band");
    EXPECT_EQ(Window().Title(), "(00:44) Songs: Part 2 (Live!)");
    EXPECT_EQ(Rows()[2], "Solo|00:05:10");
    EXPECT_FALSE(m_player->IsModified());
    EXPECT_EQ(m_player->TrackListPath(), (ListFolder() / "Whatever Name.TRK").string());
    EXPECT_EQ(m_windows.MessageBoxes().size(), 0U);
}

TEST_F(PlayerTrackListsTest, TheCurrentSubtrackAndTrackLabelFollowPlay) {
    WriteList(ListFolder() / "disc.trk", NamedList(DiscKey()));
    Start();
    Click(res::NEXT_TRACK_BUTTON);
    PlaySeconds(6);
    EXPECT_EQ(Text(res::SUBTRACK_TEXT), "Solo");
    EXPECT_EQ(Text(res::STATUS_TEXT), ">[02] Middle");
    EXPECT_EQ(m_player->CurrentRow(), 2);
}

TEST_F(PlayerTrackListsTest, EjectingAModifiedListAsksAndNoDiscardsTheEdits) {
    Start();
    EditAlbum();
    UntilRefresh();
    EXPECT_TRUE(IsEnabled(res::SAVE_TRACKS_BUTTON));
    m_windows.AnswerNextMessageBox(MessageBoxAnswer::NO);
    Click(res::EJECT_BUTTON);
    ASSERT_EQ(m_windows.MessageBoxes().size(), 1U);
    EXPECT_EQ(m_windows.MessageBoxes()[0].text, "Do you want to save this tracklist?");
    EXPECT_TRUE(Rows().empty());
    EXPECT_TRUE(corvid::testing::NamesIn(ListFolder()).empty());
}

TEST_F(PlayerTrackListsTest, ATickDuringTheSaveQuestionDoesNotRefreshAgain) {
    Start();
    EditAlbum();
    m_windows.AnswerNextMessageBox(MessageBoxAnswer::NO, [this] {
        m_mci->Forget();
        Ticks(25);
        EXPECT_EQ(m_mci->Count("status cdaudio mode"), 0);
    });
    Click(res::EJECT_BUTTON);
    EXPECT_EQ(m_windows.MessageBoxes().size(), 1U);
}

TEST_F(PlayerTrackListsTest, LoadTracksOfAnotherDiscsFileLeavesTheListModified) {
    const auto other = ListFolder() / "other.trk";
    WriteList(other, NamedList(DiscKey() + 7));
    Start();
    m_windows.AnswerNextFileDialog(other.string());
    Click(res::LOAD_TRACKS_BUTTON);
    EXPECT_EQ(m_windows.FileDialogs().back().initialName, "New album");
    EXPECT_EQ(Text(res::ALBUM_EDIT), "Songs: Part 2 (Live!)");
    EXPECT_EQ(Rows().size(), 4U);
    EXPECT_EQ(m_player->TrackListPath(), other.string());
    EXPECT_EQ(m_player->EditRow(), 0);
    EXPECT_TRUE(m_player->IsModified());
    UntilRefresh();
    EXPECT_TRUE(IsEnabled(res::SAVE_TRACKS_BUTTON));
}

TEST_F(PlayerTrackListsTest, SavingANewListAsksThenSuggestsTheAlbumsLettersAndDigits) {
    Start();
    Window().ReplaceText(res::ALBUM_EDIT, "Songs: Part 2 (Live!)");
    EXPECT_EQ(Window().Title(), "(00:44) Songs: Part 2 (Live!)");
    UntilRefresh();
    const auto saved = ListFolder() / "Songs Part 2 Live.trk";
    m_windows.AnswerNextMessageBox(MessageBoxAnswer::YES);
    m_windows.AnswerNextFileDialog(saved.string());
    Click(res::SAVE_TRACKS_BUTTON);
    EXPECT_EQ(m_windows.MessageBoxes().back().text, "Do you want to save this tracklist?");
    EXPECT_EQ(m_windows.FileDialogs().back().initialName, "Songs Part 2 Live");
    EXPECT_FALSE(m_player->IsModified());
    EXPECT_EQ(m_player->TrackListPath(), saved.string());
    EXPECT_EQ(FileBytes(saved).substr(0, 9), "[CD key] ");
}

TEST_F(PlayerTrackListsTest, SavingAListThatHasAFileAsksWithItsPathAndNoWritesNothing) {
    const auto path = ListFolder() / "disc.trk";
    WriteList(path, NamedList(DiscKey()));
    const std::string before = FileBytes(path);
    Start();
    EditAlbum();
    UntilRefresh();
    m_windows.AnswerNextMessageBox(MessageBoxAnswer::NO);
    Click(res::SAVE_TRACKS_BUTTON);
    EXPECT_EQ(m_windows.MessageBoxes().back().text, "Save changes to " + path.string() + " ?");
    EXPECT_TRUE(m_windows.FileDialogs().empty());
    EXPECT_EQ(FileBytes(path), before);
    EXPECT_TRUE(m_player->IsModified());

    m_windows.AnswerNextMessageBox(MessageBoxAnswer::YES);
    Click(res::SAVE_TRACKS_BUTTON);
    EXPECT_NE(FileBytes(path), before);
    EXPECT_FALSE(m_player->IsModified());
}

TEST_F(PlayerTrackListsTest, LoadTracksOnAModifiedListAsksAndNoKeepsTheList) {
    Start();
    EditAlbum();
    m_windows.AnswerNextMessageBox(MessageBoxAnswer::NO);
    Click(res::LOAD_TRACKS_BUTTON);
    EXPECT_EQ(m_windows.MessageBoxes().back().text,
              "OK to lose unsaved changes in this tracklist?");
    EXPECT_TRUE(m_windows.FileDialogs().empty());
    // The placeholder name was selected, so typing replaced it.
    EXPECT_EQ(Text(res::ALBUM_EDIT), " X");
    EXPECT_EQ(Text(res::NAME_EDIT), "");
}

TEST_F(PlayerTrackListsTest, LoadTracksOfAFileThatCannotBeReadKeepsTheList) {
    Start();
    m_windows.AnswerNextFileDialog((ListFolder() / "missing.trk").string());
    Click(res::LOAD_TRACKS_BUTTON);
    EXPECT_EQ(m_windows.MessageBoxes().back().text,
              "Couldn't read " + (ListFolder() / "missing.trk").string());
    EXPECT_EQ(Rows().size(), 3U);
    EXPECT_EQ(m_player->TrackListPath(), "");
}

TEST_F(PlayerTrackListsTest, SavingOverAFileWithLinesThatNameNoTrackAsksBeforeTheyAreLost) {
    const auto path = ListFolder() / "disc.trk";
    std::string bytes = tracklist::FormatTrackList(NamedList(DiscKey()));
    // A hand-edited row for the audio before track 1, as line 4.
    bytes.insert(bytes.find("01:00:00:00"), "00:00:00:00*Hidden\r\n");
    std::ofstream(path, std::ios::binary) << bytes;
    Start();
    EXPECT_EQ(Rows().size(), 4U);
    EditAlbum();
    UntilRefresh();
    m_windows.AnswerNextMessageBox(MessageBoxAnswer::YES);  // save changes?
    m_windows.AnswerNextMessageBox(MessageBoxAnswer::NO);   // lose the lines?
    Click(res::SAVE_TRACKS_BUTTON);
    ASSERT_EQ(m_windows.MessageBoxes().size(), 2U);
    EXPECT_EQ(m_windows.MessageBoxes()[1].text,
              path.string() +
                  " holds lines that name no track (line 4). This list cannot show them, and "
                  "saving will replace the file without them. Save anyway?");
    EXPECT_EQ(FileBytes(path), bytes);
    EXPECT_TRUE(m_player->IsModified());

    m_windows.AnswerNextMessageBox(MessageBoxAnswer::YES);
    m_windows.AnswerNextMessageBox(MessageBoxAnswer::YES);
    Click(res::SAVE_TRACKS_BUTTON);
    EXPECT_EQ(FileBytes(path).find("Hidden"), std::string::npos);
    EXPECT_FALSE(m_player->IsModified());

    // The file holds no such line any more: the next save asks only its question.
    EditAlbum();
    UntilRefresh();
    m_windows.AnswerNextMessageBox(MessageBoxAnswer::YES);
    Click(res::SAVE_TRACKS_BUTTON);
    EXPECT_EQ(m_windows.MessageBoxes().size(), 5U);
    EXPECT_FALSE(m_player->IsModified());
}

// Root writes any file, so the story runs in a child that is the user nobody.
TEST_F(PlayerTrackListsTest, AWriteProtectedFileBringsTheMessageAndTheSaveDialogAgain) {
    const auto body = [this] {
        const auto path = ListFolder() / "disc.trk";
        WriteList(path, NamedList(DiscKey()));
        ASSERT_EQ(chmod(path.c_str(), 0444), 0);
        Start();
        EditAlbum();
        UntilRefresh();
        m_windows.AnswerNextMessageBox(MessageBoxAnswer::YES);  // save changes?
        m_windows.AnswerNextMessageBox(MessageBoxAnswer::OK);   // couldn't write
        m_windows.AnswerNextFileDialog(std::nullopt);
        Click(res::SAVE_TRACKS_BUTTON);
        ASSERT_EQ(m_windows.MessageBoxes().size(), 2U);
        EXPECT_EQ(m_windows.MessageBoxes()[1].text,
                  "Couldn't write to file. Maybe it is write protected?");
        EXPECT_EQ(m_windows.FileDialogs().size(), 1U);
        EXPECT_TRUE(m_player->IsModified());
        EXPECT_EQ(m_player->TrackListPath(), path.string());
    };
    RunAsNobodyWhenRoot(body);
}

}  // namespace
}  // namespace corvid::ui::testing
