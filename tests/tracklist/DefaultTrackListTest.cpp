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
