#include "tracklist/TrackListRows.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <optional>
#include <string>
#include <vector>

#include "tests/tracklist/FakeDiscFacts.h"

namespace corvid::tracklist {
namespace {

using testing::FakeDiscFacts;

TrackListRow Track(int track) {
    return MakeTrackRow(track, "track " + std::to_string(track), "04:00:00");
}
TrackListRow Sub(int track, std::string start) {
    return MakeSubtrackRow(track, "at " + start, start);
}

TEST(TrackListRowsTest, AnIndexOutsideTheListReadsAsAnEmptyRowOfNoKind) {
    const std::vector<TrackListRow> rows = {Track(1), Sub(1, "02:10:33"), Track(12)};
    struct Case {
        int index;
        std::int32_t key;
        RowKind kind;
        std::string start;
    };
    const Case cases[] = {
        {-1, 0, RowKind::NONE, ""},
        {-2, 0, RowKind::NONE, ""},
        {3, 0, RowKind::NONE, ""},
        {0, 1, RowKind::TRACK, "01:00:00:00"},
        {1, -1, RowKind::SUBTRACK, "01:02:10:33"},
        {2, 12, RowKind::TRACK, "12:00:00:00"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.index);
        EXPECT_EQ(GetRowKey(rows, c.index), c.key);
        EXPECT_EQ(GetRowKind(rows, c.index), c.kind);
        EXPECT_EQ(GetRowStart(rows, c.index), c.start);
        EXPECT_EQ(RowAt(rows, c.index).rowKey, c.key);
    }
    EXPECT_EQ(RowAt(rows, 3), TrackListRow{});
    EXPECT_EQ(RowAt(rows, 1).timeText, "02:10:33");
}

TEST(TrackListRowsTest, IconFollowsTheKeysSignAndTheCurrentMark) {
    EXPECT_EQ(IconForKey(-4, RowMark::NORMAL), ROW_ICON_SUBTRACK);
    EXPECT_EQ(IconForKey(-4, RowMark::CURRENT), ROW_ICON_CURRENT_SUBTRACK);
    EXPECT_EQ(IconForKey(4, RowMark::NORMAL), ROW_ICON_TRACK);
    EXPECT_EQ(IconForKey(4, RowMark::CURRENT), ROW_ICON_CURRENT_TRACK);
    // An absent row is no subtrack, so it takes the track icons.
    EXPECT_EQ(IconForRow({}, 0, RowMark::CURRENT), ROW_ICON_CURRENT_TRACK);
}

TEST(TrackListRowsTest, SubtrackStartOutOfFormOrRangeIsMalformed) {
    for (const char* bad : {"", "00:60:00", "00:00:75", "0:00:000", "00-00-00", "0a:00:00"}) {
        EXPECT_FALSE(IsSubtrackStartText(bad)) << bad;
    }
    EXPECT_TRUE(IsSubtrackStartText("99:59:74"));
}

// Track 2 has two subtracks at one position, track 3 none, track 4 is last
// and has a subtrack at its very start.
const std::vector<TrackListRow> WALK_ROWS = {
    Track(1),            // 0
    Track(2),            // 1
    Sub(2, "01:00:00"),  // 2
    Sub(2, "01:00:00"),  // 3
    Sub(2, "03:00:00"),  // 4
    Track(3),            // 5
    Track(4),            // 6
    Sub(4, "00:00:00"),  // 7
    Sub(4, "02:00:00"),  // 8
};

TEST(TrackListRowsTest, FindRowForPositionGivesTheLastRowStartingAtOrBeforeIt) {
    struct Case {
        const char* position;
        int startRow;
        int expected;
    };
    const Case cases[] = {
        {"01:00:10:00", -1, 0},   // a track with no subtracks
        {"01:00:10:00", 8, 0},    // the same, walking back from the end
        {"02:00:30:00", -1, 1},   // before the first subtrack: the track row
        {"02:00:30:00", 4, 1},    // the same, walking back within the track
        {"02:01:00:00", 1, 3},    // on two equal starts: the last of them
        {"02:01:00:00", 4, 3},    // the same, walking back
        {"02:02:59:74", 2, 3},    // one frame before the next start
        {"02:03:00:00", 0, 4},    // on the last subtrack's start
        {"02:09:00:00", 8, 4},    // after the last subtrack, from a later track
        {"03:00:00:00", 4, 5},    // a track with no subtracks, from an earlier one
        {"03:05:00:00", 8, 5},    // the same, from a later one
        {"04:00:00:00", 5, 7},    // a subtrack at 00:00:00 holds the track's start
        {"04:05:00:00", 7, 8},    // the last track's last subtrack
        {"04:05:00:00", -1, 8},   // the same, with no current row
        {"02:01:00:00", 20, 3},   // a start kept from a longer list
        {"05:00:00:00", 0, 8},    // no row of that track: the last row
        {"00:00:00:00", -1, -1},  // a failed position query with no current row
    };
    for (const Case& c : cases) {
        EXPECT_EQ(FindRowForPosition(WALK_ROWS, c.position, c.startRow), c.expected)
            << c.position << " from row " << c.startRow;
    }
}

TEST(TrackListRowsTest, FindRowForPositionWithoutTheTracksRowGivesTheNextTracksRow) {
    const std::vector<TrackListRow> rows = {Track(1), Track(3), Sub(3, "01:00:00")};
    for (const int startRow : {-1, 0, 2}) {
        EXPECT_EQ(FindRowForPosition(rows, "02:01:00:00", startRow), 1) << startRow;
    }
}

TEST(TrackListRowsTest, FindRowForPositionInAnEmptyListIsNone) {
    for (const int startRow : {-1, 0, 3}) {
        EXPECT_EQ(FindRowForPosition({}, "01:00:00:00", startRow), -1) << startRow;
    }
}

TEST(TrackListRowsTest, ListViolationNamesTheFirstRowThatBreaksTheOrder) {
    FakeDiscFacts disc({{"03:10:05"}, {"05:00:00"}}, "08:10:05");
    TrackListRow zeroKey = Track(1);
    zeroKey.rowKey = 0;
    TrackListRow lowestKey = Track(1);
    lowestKey.rowKey = std::numeric_limits<std::int32_t>::min();
    struct Case {
        const char* what;
        std::vector<TrackListRow> rows;
        std::optional<ListViolation> expected;
    };
    const Case cases[] = {
        {"a sound list",
         {Track(1), Sub(1, "00:00:00"), Sub(1, "00:00:00"), Sub(1, "03:10:05"), Track(2)},
         std::nullopt},
        {"key 0", {Track(1), zeroKey}, ListViolation{1, ListFault::KEY_OUT_OF_RANGE}},
        {"key 100", {Track(100)}, ListViolation{0, ListFault::KEY_OUT_OF_RANGE}},
        {"key -2^31", {lowestKey}, ListViolation{0, ListFault::KEY_OUT_OF_RANGE}},
        {"a track twice",
         {Track(1), Track(1)},
         ListViolation{1, ListFault::TRACK_ROWS_NOT_ASCENDING}},
        {"tracks descending",
         {Track(2), Track(1)},
         ListViolation{1, ListFault::TRACK_ROWS_NOT_ASCENDING}},
        {"a subtrack before its track",
         {Sub(1, "00:10:00"), Track(1)},
         ListViolation{0, ListFault::SUBTRACK_OUTSIDE_ITS_TRACK}},
        {"a subtrack under the next track",
         {Track(1), Track(2), Sub(1, "00:10:00")},
         ListViolation{2, ListFault::SUBTRACK_OUTSIDE_ITS_TRACK}},
        {"a malformed start",
         {Track(1), Sub(1, "1:00:00")},
         ListViolation{1, ListFault::SUBTRACK_START_MALFORMED}},
        {"subtracks descending",
         {Track(1), Sub(1, "02:00:00"), Sub(1, "01:59:74")},
         ListViolation{2, ListFault::SUBTRACKS_NOT_ASCENDING}},
        {"past the track's end",
         {Track(1), Sub(1, "03:10:06")},
         ListViolation{1, ListFault::SUBTRACK_PAST_TRACK_END}},
    };
    for (const Case& c : cases) {
        const std::optional<ListViolation> found = FindListViolation(c.rows, disc);
        EXPECT_EQ(found, c.expected) << c.what << ": " << (found ? DescribeViolation(*found) : "");
    }
    EXPECT_EQ(FindListViolation(std::vector<TrackListRow>{Track(1), Sub(1, "03:10:06")}),
              std::nullopt)
        << "without lengths only the order is checked";
}

}  // namespace
}  // namespace corvid::tracklist
