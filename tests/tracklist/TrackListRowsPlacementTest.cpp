#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "tracklist/TrackListRows.h"

namespace corvid::tracklist {
namespace {

using ::testing::ElementsAreArray;

TrackListRow Track(int track) {
    return MakeTrackRow(track, "T" + std::to_string(track), "09:00:00");
}
TrackListRow Sub(int track, std::string name, std::string start) {
    return MakeSubtrackRow(track, std::move(name), std::move(start));
}

std::vector<std::string> Names(const std::vector<TrackListRow>& rows) {
    std::vector<std::string> names;
    for (const TrackListRow& row : rows) {
        names.push_back(row.name);
    }
    return names;
}

// a, b and c are subtracks of track 1; d is the only one of track 2.
const std::vector<TrackListRow> MOVE_ROWS = {
    Track(1), Sub(1, "a", "01:00:00"), Sub(1, "b", "02:00:00"), Sub(1, "c", "03:00:00"),
    Track(2), Sub(2, "d", "00:30:00"),
};

TEST(TrackListRowsPlacementTest, MovedSubtrackGoesBeforeTheFirstLaterOneOfItsTrack) {
    struct Case {
        const char* what;
        int fromRow;
        const char* newStart;
        int expectedIndex;
        std::vector<std::string> expectedNames;
    };
    const Case cases[] = {
        {"down across its old place", 1, "02:30:00", 2, {"T1", "b", "a", "c", "T2", "d"}},
        {"up", 3, "00:30:00", 1, {"T1", "c", "a", "b", "T2", "d"}},
        {"to its track's start", 3, "00:00:00", 1, {"T1", "c", "a", "b", "T2", "d"}},
        {"within its old gap", 2, "02:00:01", 2, {"T1", "a", "b", "c", "T2", "d"}},
        {"onto an equal start", 2, "03:00:00", 3, {"T1", "a", "c", "b", "T2", "d"}},
        {"later than every other", 1, "09:00:00", 3, {"T1", "b", "c", "a", "T2", "d"}},
        {"the only one of the last track", 5, "00:00:00", 5, {"T1", "a", "b", "c", "T2", "d"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::vector<TrackListRow> rows = MOVE_ROWS;
        const std::string name = rows[static_cast<std::size_t>(c.fromRow)].name;
        EXPECT_EQ(MovedSubtrackIndex(rows, c.fromRow, c.newStart), c.expectedIndex);
        EXPECT_EQ(MoveSubtrack(rows, c.fromRow, c.newStart, name), c.expectedIndex);
        EXPECT_THAT(Names(rows), ElementsAreArray(c.expectedNames));
        EXPECT_EQ(rows[static_cast<std::size_t>(c.expectedIndex)].timeText, c.newStart);
    }
}

// Two subtracks at 00:00:00 and two at 01:00:00.
const std::vector<TrackListRow> EQUAL_ROWS = {
    Track(1),
    Sub(1, "z1", "00:00:00"),
    Sub(1, "z2", "00:00:00"),
    Sub(1, "x", "01:00:00"),
    Sub(1, "y", "01:00:00"),
    Sub(1, "m", "02:00:00"),
    Track(2),
};

TEST(TrackListRowsPlacementTest, SubtrackMovedToAnEqualStartLandsAfterTheOthers) {
    struct Case {
        int fromRow;
        const char* newStart;
        std::vector<std::string> expectedNames;
    };
    const Case cases[] = {
        {5, "00:00:00", {"T1", "z1", "z2", "m", "x", "y", "T2"}},
        {1, "01:00:00", {"T1", "z2", "x", "y", "z1", "m", "T2"}},
        {5, "01:00:00", {"T1", "z1", "z2", "x", "y", "m", "T2"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.fromRow) + " to " + c.newStart);
        std::vector<TrackListRow> rows = EQUAL_ROWS;
        const std::string name = rows[static_cast<std::size_t>(c.fromRow)].name;
        ASSERT_TRUE(MoveSubtrack(rows, c.fromRow, c.newStart, name));
        EXPECT_THAT(Names(rows), ElementsAreArray(c.expectedNames));
    }
}

TEST(TrackListRowsPlacementTest, SubtrackInsertedAtAnEqualStartLandsAfterTheOthers) {
    for (const int startRow : {-1, 0, 2, 6}) {
        SCOPED_TRACE(startRow);
        EXPECT_EQ(NewSubtrackIndex(EQUAL_ROWS, "01:00:00:00", startRow), 3);
        EXPECT_EQ(NewSubtrackIndex(EQUAL_ROWS, "01:01:00:00", startRow), 5);
    }
}

TEST(TrackListRowsPlacementTest, MovedRowTakesTheNewNameStartAndTheSubtrackIcon) {
    std::vector<TrackListRow> rows = MOVE_ROWS;
    rows[1].icon = ROW_ICON_CURRENT_SUBTRACK;
    ASSERT_EQ(MoveSubtrack(rows, 1, "02:30:00", "Adagio"), 2);
    EXPECT_EQ(rows[2], (TrackListRow{-1, "Adagio", "02:30:00", ROW_ICON_SUBTRACK}));
}

TEST(TrackListRowsPlacementTest, OnlyASubtrackRowMoves) {
    for (const int fromRow : {-1, 0, 4, 6}) {
        SCOPED_TRACE(fromRow);
        std::vector<TrackListRow> rows = MOVE_ROWS;
        EXPECT_EQ(MovedSubtrackIndex(rows, fromRow, "00:10:00"), std::nullopt);
        EXPECT_EQ(MoveSubtrack(rows, fromRow, "00:10:00", "x"), std::nullopt);
        EXPECT_EQ(rows, MOVE_ROWS);
    }
}

// Track 2 has two subtracks at one position, track 3 none.
const std::vector<TrackListRow> INSERT_ROWS = {
    Track(1), Track(2), Sub(2, "x", "01:00:00"), Sub(2, "y", "01:00:00"),
    Track(3), Track(5), Sub(5, "e", "02:10:00"), Sub(5, "f", "03:00:00"),
};

TEST(TrackListRowsPlacementTest, NewSubtrackGoesAfterTheRowHoldingThePosition) {
    struct Case {
        const char* position;
        int track;
        const char* start;
        int expectedIndex;
    };
    const Case cases[] = {
        {"02:01:00:00", 2, "01:00:00", 4},  // after both subtracks at the same position
        {"02:00:10:00", 2, "00:10:00", 2},  // before the track's first subtrack
        {"03:00:05:00", 3, "00:05:00", 5},  // a track with no subtracks
        {"05:02:10:33", 5, "02:10:33", 7},  // after the last row of track 5 at or before it
        {"05:04:00:00", 5, "04:00:00", 8},  // after the last row of the list
    };
    for (const Case& c : cases) {
        for (const int startRow : {-1, 0, 3, 7}) {
            SCOPED_TRACE(std::string(c.position) + " from row " + std::to_string(startRow));
            std::vector<TrackListRow> rows = INSERT_ROWS;
            ASSERT_EQ(InsertNewSubtrack(rows, c.position, startRow), c.expectedIndex);
            ASSERT_EQ(rows.size(), INSERT_ROWS.size() + 1);
            EXPECT_EQ(rows[static_cast<std::size_t>(c.expectedIndex)],
                      Sub(c.track, "<New subtrack>", c.start));
            EXPECT_EQ(FindListViolation(rows), std::nullopt);
        }
    }
}

TEST(TrackListRowsPlacementTest, NewSubtrackInAnEmptyListIsTheFirstRow) {
    std::vector<TrackListRow> rows;
    EXPECT_EQ(InsertNewSubtrack(rows, "01:00:02:00", -1), 0);
    EXPECT_EQ(rows.size(), 1U);
}

TEST(TrackListRowsPlacementTest, PositionThatNamesNoTrackMakesNoSubtrack) {
    for (const char* position : {"", "00:00:00:00", "100:00:00:00", "05:02:10"}) {
        SCOPED_TRACE(position);
        std::vector<TrackListRow> rows = INSERT_ROWS;
        EXPECT_EQ(InsertNewSubtrack(rows, position, 0), std::nullopt);
        EXPECT_EQ(rows, INSERT_ROWS);
    }
}

}  // namespace
}  // namespace corvid::tracklist
