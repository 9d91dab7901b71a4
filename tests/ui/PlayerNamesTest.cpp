// Stories of finding the disc's names online: the window menu's command, the
// chooser of a release, the question before a user's list changes, and the
// answers that come too late or not at all.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>

#include "names/NameText.h"
#include "res/ControlIds.h"
#include "tests/ui/PlayerScenario.h"
#include "tracklist/TrackListFile.h"

namespace corvid::ui::testing {
namespace {

using names::FailureKind;
using names::LookupOutcome;
using names::ReleaseNames;
using window::MessageBoxAnswer;

ReleaseNames NightMusic() {
    ReleaseNames release;
    release.title = "Night Music";
    release.artist = "The Band";
    release.year = 1999;
    release.country = "GB";
    release.format = "CD";
    release.tracks = {{1, "Closer", "The Band"}, {2, "Guest Spot", "A Friend"}, {3, "Out", ""}};
    return release;
}

ReleaseNames Remaster() {
    ReleaseNames release = NightMusic();
    release.title = "Night Music (Remastered)";
    release.year = 2011;
    release.tracks[0].title = "Closer (2011)";
    return release;
}

class PlayerNamesTest : public PlayerScenario {
  protected:
    void FindNames() { Window().SystemCommand(res::IDM_FINDNAMES); }
    void Answer(std::vector<ReleaseNames> releases) {
        m_nameLookup.Answer(LookupOutcome::Found(std::move(releases)));
    }
    // The chooser's script: picks `row`, or cancels when none.
    void ChooseRow(std::optional<int> row) {
        m_windows.ScriptDialog(
            res::NAMES_CHOOSER_DIALOG_ID, [this, row](headless::HeadlessDialog& chooser) {
                m_chooserRows.clear();
                const window::ListView& list = *chooser.GetListView(res::RELEASE_LIST);
                for (int index = 0; index < list.ItemCount(); ++index) {
                    m_chooserRows.push_back(list.ItemText(index, 0));
                }
                if (!row) {
                    chooser.Click(res::IDCANCEL);
                    return;
                }
                chooser.ClickListRow(res::RELEASE_LIST, *row);
                chooser.Click(res::IDOK);
            });
    }

    std::vector<std::string> m_chooserRows;
};

TEST_F(PlayerNamesTest, TheMenuOffersTheCommandAndNothingIsAskedBeforeItIsChosen) {
    Start();
    PlaySeconds(3);
    const auto& menu = Window().MenuCommands();
    EXPECT_TRUE(std::any_of(menu.begin(), menu.end(), [](const auto& command) {
        return command.commandId == res::IDM_FINDNAMES && command.text == "Find &names online...";
    }));
    EXPECT_EQ(m_nameLookup.Finds(), 0);
}

TEST_F(PlayerNamesTest, TheDiscsTableOfContentsIsWhatTheSearchIsGiven) {
    Start();
    FindNames();
    ASSERT_TRUE(m_nameLookup.LastToc());
    // 20, 15 and 10 seconds of audio from the start of the program area.
    const names::DiscToc expected{{{1, 0, names::TrackKind::Audio},
                                   {2, 1500, names::TrackKind::Audio},
                                   {3, 2625, names::TrackKind::Audio}},
                                  3375};
    EXPECT_EQ(*m_nameLookup.LastToc(), expected);
    EXPECT_EQ(Text(res::STATUS_TEXT), LOOKING_UP_NAMES_TEXT);
    // The ticks go on, and the status field keeps saying so.
    PlaySeconds(3);
    EXPECT_EQ(Text(res::STATUS_TEXT), LOOKING_UP_NAMES_TEXT);
}

TEST_F(PlayerNamesTest, OneReleaseFoundNamesTheListAtOnceAsAnEdit) {
    Start();
    FindNames();
    Answer({NightMusic()});
    EXPECT_EQ(Text(res::ALBUM_EDIT), "Night Music");
    EXPECT_EQ(Text(res::ARTIST_EDIT), "The Band");
    const std::vector<std::string> expected = {"01. Closer|00:20",
                                               "02. A Friend - Guest Spot|00:15", "03. Out|00:09"};
    EXPECT_EQ(Rows(), expected);
    EXPECT_EQ(Window().Title(), "(00:44) Night Music");
    EXPECT_TRUE(m_player->IsModified());
    EXPECT_TRUE(IsEnabled(res::SAVE_TRACKS_BUTTON));
    EXPECT_EQ(Text(res::SUBTRACK_TEXT), "01. Closer");
    EXPECT_EQ(Text(res::NAME_EDIT), "01. Closer");
    EXPECT_TRUE(m_windows.MessageBoxes().empty());
    EXPECT_NE(Text(res::STATUS_TEXT), LOOKING_UP_NAMES_TEXT);
    // The names are the list's now: leaving the disc offers to save them.
    m_windows.AnswerNextMessageBox(MessageBoxAnswer::NO);
    Click(res::EJECT_BUTTON);
    ASSERT_EQ(m_windows.MessageBoxes().size(), 1U);
    EXPECT_EQ(m_windows.MessageBoxes()[0].text, "Do you want to save this tracklist?");
}

// A release that names the tracks but not the album or its artist leaves
// those the list had, rather than blanking them.
TEST_F(PlayerNamesTest, AReleaseWithoutAlbumOrArtistKeepsTheListsOwn) {
    Start();
    Window().ReplaceText(res::ALBUM_EDIT, "From The Disc");
    Window().ReplaceText(res::ARTIST_EDIT, "Disc Artist");
    m_windows.AnswerNextMessageBox(MessageBoxAnswer::YES);
    FindNames();
    ReleaseNames release = NightMusic();
    release.title.clear();
    release.artist.clear();
    Answer({release});
    EXPECT_EQ(Text(res::ALBUM_EDIT), "From The Disc");
    EXPECT_EQ(Text(res::ARTIST_EDIT), "Disc Artist");
    EXPECT_EQ(Rows()[0], "01. The Band - Closer|00:20");
}

TEST_F(PlayerNamesTest, SeveralReleasesAreOfferedAndTheChosenOneNamesTheList) {
    Start();
    ChooseRow(1);
    FindNames();
    Answer({NightMusic(), Remaster()});
    const std::vector<std::string> offered = {names::ChooserRowText(NightMusic()),
                                              names::ChooserRowText(Remaster())};
    EXPECT_EQ(m_chooserRows, offered);
    EXPECT_EQ(Text(res::ALBUM_EDIT), "Night Music (Remastered)");
    EXPECT_EQ(Rows()[0], "01. Closer (2011)|00:20");
}

// An inexact match is another disc's names: even alone it is offered, not
// taken, and the chooser says its tracks differ.
TEST_F(PlayerNamesTest, ALoneInexactMatchIsOfferedNotTaken) {
    Start();
    ChooseRow(std::nullopt);
    FindNames();
    ReleaseNames other = NightMusic();
    other.match = names::DiscMatch::Inexact;
    Answer({other});
    ASSERT_EQ(m_chooserRows.size(), 1U);
    EXPECT_NE(m_chooserRows[0].find("tracks differ from this disc"), std::string::npos);
    EXPECT_NE(Text(res::ALBUM_EDIT), "Night Music");
    EXPECT_FALSE(m_player->IsModified());
}

TEST_F(PlayerNamesTest, EnterInTheChooserTakesTheSelectedRow) {
    Start();
    m_windows.ScriptDialog(res::NAMES_CHOOSER_DIALOG_ID, [](headless::HeadlessDialog& chooser) {
        chooser.ListControl(res::RELEASE_LIST).TakeRowByKeyboard(1);
    });
    FindNames();
    Answer({NightMusic(), Remaster()});
    EXPECT_EQ(Text(res::ALBUM_EDIT), "Night Music (Remastered)");
}

TEST_F(PlayerNamesTest, CancellingTheChooserChangesNothing) {
    Start();
    ChooseRow(std::nullopt);
    FindNames();
    Answer({NightMusic(), Remaster()});
    EXPECT_EQ(m_chooserRows.size(), 2U);
    EXPECT_EQ(Text(res::ALBUM_EDIT), "<New album>");
    EXPECT_EQ(Rows()[0], "01. <Unnamed track>|00:20");
    EXPECT_FALSE(m_player->IsModified());
}

TEST_F(PlayerNamesTest, AListWithTheUsersEditsIsReplacedOnlyAfterAYes) {
    Start();
    Type(res::ARTIST_EDIT, "Me");
    for (const MessageBoxAnswer answer : {MessageBoxAnswer::NO, MessageBoxAnswer::YES}) {
        m_windows.AnswerNextMessageBox(answer);
        FindNames();
        Answer({NightMusic()});
        ASSERT_FALSE(m_windows.MessageBoxes().empty());
        EXPECT_EQ(m_windows.MessageBoxes().back().text,
                  "Replace the names of this list with those of The Band - Night Music?");
        EXPECT_EQ(Text(res::ALBUM_EDIT),
                  answer == MessageBoxAnswer::YES ? "Night Music" : "<New album>");
    }
}

TEST_F(PlayerNamesTest, SubtracksAndTheirNamesStayWhenTheTracksAreNamed) {
    tracklist::TrackList list;
    list.cdKey = DiscKey();
    list.album = "Mine";
    list.rows = {{1, "One", "00:20", 0},
                 {-1, "Solo", "00:05:10", 1},
                 {2, "Two", "00:15", 0},
                 {3, "Three", "00:09", 0}};
    std::ofstream(ListFolder() / "mine.trk", std::ios::binary) << tracklist::FormatTrackList(list);
    Start();
    m_windows.AnswerNextMessageBox(MessageBoxAnswer::YES);
    FindNames();
    // A release that names only two tracks, and a fourth the disc lacks.
    ReleaseNames release = NightMusic();
    release.tracks = {{1, "Closer", ""}, {3, "Out", ""}, {4, "Nowhere", ""}};
    Answer({release});
    const std::vector<std::string> expected = {"01. Closer|00:20", "Solo|00:05:10", "Two|00:15",
                                               "03. Out|00:09"};
    EXPECT_EQ(Rows(), expected);
}

TEST_F(PlayerNamesTest, AnAnswerForADiscThatLeftIsDropped) {
    Start();
    FindNames();
    Click(res::EJECT_BUTTON);
    // Taking the disc out ends the search.
    EXPECT_FALSE(m_nameLookup.Running());
    Answer({NightMusic()});
    EXPECT_TRUE(m_windows.MessageBoxes().empty());
    EXPECT_EQ(Text(res::ALBUM_EDIT), "");
}

TEST_F(PlayerNamesTest, FailuresAreToldAndACancelIsNot) {
    Start();
    FindNames();
    const names::LookupFailure unreachable{FailureKind::Unreachable, "musicbrainz.org",
                                           "Connection refused", 0, 0};
    m_nameLookup.Answer(LookupOutcome::Failed(unreachable));
    ASSERT_EQ(m_windows.MessageBoxes().size(), 1U);
    EXPECT_EQ(m_windows.MessageBoxes()[0].text, names::FailureMessage(unreachable));

    // Choosing the command again while it runs ends the search quietly.
    FindNames();
    EXPECT_TRUE(m_nameLookup.Running());
    FindNames();
    EXPECT_FALSE(m_nameLookup.Running());
    EXPECT_EQ(m_windows.MessageBoxes().size(), 1U);
    EXPECT_NE(Text(res::STATUS_TEXT), LOOKING_UP_NAMES_TEXT);
    EXPECT_EQ(Text(res::ALBUM_EDIT), "<New album>");
}

TEST_F(PlayerNamesTest, ClosingTheWindowEndsTheSearch) {
    Start();
    FindNames();
    Close();
    EXPECT_FALSE(m_nameLookup.Running());
}

}  // namespace
}  // namespace corvid::ui::testing
