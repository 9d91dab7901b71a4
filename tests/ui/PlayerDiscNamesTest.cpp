// Stories of a disc that names itself (a cue sheet's TITLE and PERFORMER, its
// index marks): the list the window shows when no file of the user's exists.
#include <gtest/gtest.h>

#include <fstream>

#include "res/ControlIds.h"
#include "tests/ui/PlayerScenario.h"
#include "tracklist/TrackListFile.h"

namespace corvid::ui::testing {
namespace {

class PlayerDiscNamesTest : public PlayerScenario {
  protected:
    void SetUp() override {
        m_disc.title = "Night Music";
        m_disc.performer = "The Band";
        m_disc.tracks[0].title = "Closer";
        m_disc.tracks[1].title = "Guest Spot";
        m_disc.tracks[1].performer = "A Friend";
        m_disc.tracks[1].indexMarks = {5 * FRAMES_PER_SECOND, 10 * FRAMES_PER_SECOND + 3};
        PlayerScenario::SetUp();
    }
};

TEST_F(PlayerDiscNamesTest, TheDefaultListTakesTheNamesAndIndexMarksOfTheSheet) {
    Start();
    EXPECT_EQ(Text(res::ALBUM_EDIT), "Night Music");
    EXPECT_EQ(Text(res::ARTIST_EDIT), "The Band");
    EXPECT_EQ(Window().Title(), "(00:44) Night Music");
    const std::vector<std::string> expected = {
        "01. Closer|00:20",  "02. A Friend - Guest Spot|00:15", "Index 02|00:05:00",
        "Index 03|00:10:03", "03. <Unnamed track>|00:09",
    };
    EXPECT_EQ(Rows(), expected);
    // A list the disc gave is no edit of the user's: nothing to save.
    EXPECT_FALSE(m_player->IsModified());
    Click(res::EJECT_BUTTON);
    EXPECT_TRUE(m_windows.MessageBoxes().empty());
}

TEST_F(PlayerDiscNamesTest, TheIndexMarksArePlayedThroughAsSubtracks) {
    Start();
    Click(res::NEXT_TRACK_BUTTON);
    PlaySeconds(6);
    EXPECT_EQ(Text(res::SUBTRACK_TEXT), "Index 02");
}

TEST_F(PlayerDiscNamesTest, TheUsersOwnFileWinsOverTheDiscsNames) {
    tracklist::TrackList list;
    list.cdKey = DiscKey();
    list.album = "My Title";
    list.rows = {{1, "Mine", "00:20", 0}, {2, "Two", "00:15", 0}, {3, "Three", "00:10", 0}};
    std::ofstream(ListFolder() / "mine.trk", std::ios::binary) << tracklist::FormatTrackList(list);
    Start();
    EXPECT_EQ(Text(res::ALBUM_EDIT), "My Title");
    EXPECT_EQ(Text(res::ARTIST_EDIT), "");
    EXPECT_EQ(Rows().size(), 3U);
    EXPECT_EQ(Rows()[0], "Mine|00:20");
}

TEST_F(PlayerDiscNamesTest, ANamelessDiscAfterANamedOneGetsTheDefaultNames) {
    Start();
    char answer[64] = {};
    m_device->SendString("set cdaudio door open wait", answer, nullptr);
    UntilRefresh();
    imagegen::DiscDescription other = ThreeTrackDisc();
    other.tracks[2].length += FRAMES_PER_SECOND;
    ASSERT_EQ(imagegen::WriteImage(other, m_cueSheet.parent_path(), "disc").error, std::nullopt);
    m_device->SendString("set cdaudio door closed wait", answer, nullptr);
    // The first look sees the tray's trip; the next, the disc.
    UntilRefresh();
    UntilRefresh();
    EXPECT_EQ(Text(res::ALBUM_EDIT), "<New album>");
    EXPECT_EQ(Text(res::ARTIST_EDIT), "");
    ASSERT_FALSE(Rows().empty());
    EXPECT_EQ(Rows().front(), "01. <Unnamed track>|00:20");
}

}  // namespace
}  // namespace corvid::ui::testing
