#include "tracklist/DefaultTrackList.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "cdaudio/CdAudio.h"
#include "tests/cdaudio/FakePorts.h"
#include "tests/tracklist/FakeDiscFacts.h"
#include "tracklist/CdAudioDiscFacts.h"
#include "tracklist/TextEncoding.h"
#include "tracklist/TrackListFile.h"
#include "tracklist/TrackListRows.h"

namespace corvid::tracklist {
namespace {

using testing::FakeDiscFacts;

const std::vector<TrackListRow> THREE_TRACKS_THIRD_DATA = {
    {1, "01. <Unnamed track>", "03:03", ROW_ICON_TRACK},
    {2, "02. <Unnamed track>", "03:35", ROW_ICON_TRACK},
    {3, "03. DATA TRACK", "03:22", ROW_ICON_TRACK},
};

TEST(DefaultTrackListTest, ThreeTracksWithADataTrackLast) {
    FakeDiscFacts disc({{"03:03:00"}, {"03:35:12"}, {"03:22:74", false}}, "10:00:00");
    const TrackList list = MakeDefaultTrackList(disc, static_cast<std::int32_t>(2882400018U));
    EXPECT_EQ(list.rows, THREE_TRACKS_THIRD_DATA);
    EXPECT_EQ(list.album, "<New album>");
    EXPECT_EQ(list.artist, "");
    EXPECT_EQ(list.cdKey, static_cast<std::int32_t>(2882400018U));
    EXPECT_EQ(FindListViolation(list.rows, disc), std::nullopt);
}

// A disc of three audio tracks and a data track, named as a cue sheet or
// CD-TEXT names it.
FakeDiscFacts NamedDisc() {
    return FakeDiscFacts({{"03:03:00"}, {"04:00:00"}, {"02:00:00"}, {"01:00:00", false}},
                         "10:03:00");
}

DiscNames CompilationNames() {
    DiscNames names;
    names.title = "Night Music";
    names.performer = "The Band";
    names.tracks = {{1, "Closer", "The Band", {}},
                    {2, "Guest Spot", "A Friend", {{2, 75 * 60}, {3, 75 * 90 + 12}}},
                    {4, "Bonus Video", "", {}}};
    return names;
}

TEST(DefaultTrackListTest, TheDiscsNamesBecomeTheAlbumArtistAndTrackNames) {
    FakeDiscFacts disc = NamedDisc();
    const TrackList list = MakeDefaultTrackList(disc, 7, CompilationNames());
    EXPECT_EQ(list.album, "Night Music");
    EXPECT_EQ(list.artist, "The Band");
    const std::vector<TrackListRow> expected = {
        {1, "01. Closer", "03:03", ROW_ICON_TRACK},
        {2, "02. A Friend - Guest Spot", "04:00", ROW_ICON_TRACK},
        {-2, "Index 02", "01:00:00", ROW_ICON_SUBTRACK},
        {-2, "Index 03", "01:30:12", ROW_ICON_SUBTRACK},
        {3, "03. <Unnamed track>", "02:00", ROW_ICON_TRACK},
        {4, "04. DATA TRACK", "01:00", ROW_ICON_TRACK},
    };
    EXPECT_EQ(list.rows, expected);
    EXPECT_EQ(FindListViolation(list.rows, disc), std::nullopt);
}

TEST(DefaultTrackListTest, IndexMarksTheListCannotHoldAreLeftOut) {
    FakeDiscFacts disc = NamedDisc();
    DiscNames names;
    // Past the track's end, before its start, out of order, and one that fits.
    names.tracks = {
        {3, "", "", {{2, 75 * 121}, {3, -1}, {4, 75 * 30}, {5, 75 * 10}, {6, 75 * 31}}}};
    const TrackList list = MakeDefaultTrackList(disc, 7, names);
    EXPECT_EQ(list.album, "<New album>");
    const std::vector<TrackListRow> expected = {
        {3, "03. <Unnamed track>", "02:00", ROW_ICON_TRACK},
        {-3, "Index 04", "00:30:00", ROW_ICON_SUBTRACK},
        {-3, "Index 06", "00:31:00", ROW_ICON_SUBTRACK},
    };
    EXPECT_EQ(std::vector<TrackListRow>(list.rows.begin() + 2, list.rows.end() - 1), expected);
    EXPECT_EQ(FindListViolation(list.rows, disc), std::nullopt);
}

struct RowNameCase {
    const char* what;
    std::string title;
    std::string performer;
    std::string albumPerformer;
    std::string expected;
};

TEST(DefaultTrackListTest, TrackRowNamesFromWhatTheDiscSays) {
    const std::string longTitle(300, 'x');
    const RowNameCase cases[] = {
        {"title only", "Closer", "", "", "07. Closer"},
        {"the album's own performer", "Closer", "Band", "Band", "07. Closer"},
        {"a compilation", "Closer", "Guest", "Band", "07. Guest - Closer"},
        {"no album performer", "Closer", "Guest", "", "07. Guest - Closer"},
        {"controls become blanks", "Line\tone\ntwo", "", "", "07. Line one two"},
        {"blanks at the ends dropped", "  Closer \r", " ", "", "07. Closer"},
        {"Windows-1252 bytes", "Caf\xE9", "", "", "07. Caf\xC3\xA9"},
        {"cut to what a list holds", longTitle, "", "", "07. " + std::string(250, 'x')},
    };
    for (const RowNameCase& c : cases) {
        EXPECT_EQ(NamedTrackRowName(7, c.title, c.performer, c.albumPerformer), c.expected)
            << c.what;
    }
}

TEST(DefaultTrackListTest, LongNamesAreCutBetweenCharacters) {
    std::string title;
    for (int i = 0; i < 300; ++i) {
        title += "\xC3\xA9";  // e with an acute accent, two bytes
    }
    const std::string name = NamedTrackRowName(1, title, "", "");
    EXPECT_EQ(CodePointCount(name), MAX_VALUE_CODE_POINTS);
    EXPECT_TRUE(IsValidUtf8(name));
    DiscNames names;
    names.title = title;
    FakeDiscFacts disc = NamedDisc();
    EXPECT_EQ(CodePointCount(MakeDefaultTrackList(disc, 1, names).album), MAX_VALUE_CODE_POINTS);
}

TEST(DefaultTrackListTest, TitleShowsTheDiscLengthToTheSecond) {
    EXPECT_EQ(TrackListTitle("42:17:30", "<New album>"), "(42:17) <New album>");
    EXPECT_EQ(TrackListTitle("", "Night Music"), "() Night Music");
}

// "status cdaudio length" answers in the time format last set, as the device
// does: milliseconds while GetTrackLength measures, MM:SS:FF otherwise.
class TimeFormatMci : public corvid::testing::FakeMci {
  public:
    MciError SendString(std::string_view command, std::span<char> answer,
                        NotifyWindow* notify) override {
        if (command == "set cdaudio time format milliseconds") {
            Answer(LENGTH, "600000");
        } else if (command == "set cdaudio time format tmsf") {
            Answer(LENGTH, "10:00:00");
        }
        return FakeMci::SendString(command, answer, notify);
    }

    static constexpr const char* LENGTH = "status cdaudio length";
};

TEST(DefaultTrackListTest, BuiltFromTheCdAudioDevice) {
    TimeFormatMci mci;
    mci.Answer("status cdaudio number of tracks", "3");
    mci.Answer("status cdaudio type track 1", "audio");
    mci.Answer("status cdaudio type track 2", "audio");
    mci.Answer("status cdaudio type track 3", "other");
    mci.Answer("status cdaudio position track 1", "2000");
    mci.Answer("status cdaudio position track 2", "185000");
    mci.Answer("status cdaudio position track 3", "400000");
    corvid::testing::FakeMixer mixer;
    corvid::testing::RecordingMessages messages;
    CCdAudio cd(mci, mixer, messages);
    CdAudioDiscFacts disc(cd);

    const TrackList list = MakeDefaultTrackList(disc, 1234);

    EXPECT_EQ(list.rows, THREE_TRACKS_THIRD_DATA);
    EXPECT_EQ(TrackListTitle(disc.DiscLengthText(), list.album), "(10:00) <New album>");
}

}  // namespace
}  // namespace corvid::tracklist
