#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "tracklist/TrackList.h"

namespace corvid::tracklist {

// The conventions of the rows of a track list, as functions over the rows in
// list order. A row index outside the list reads as key 0 and empty texts;
// the functions that change rows do nothing for such an index.

inline constexpr int FIRST_TRACK = 1;
inline constexpr int LAST_TRACK = 99;
// "MM:SS:FF", a subtrack's start within its track.
inline constexpr std::size_t SUBTRACK_START_SIZE = 8;
// "MM:SS", all that a track row shows of its track's length.
inline constexpr std::size_t SHOWN_LENGTH_SIZE = 5;
// Where the in-track part "MM:SS:FF" of a position "TT:MM:SS:FF" begins.
inline constexpr std::size_t POSITION_TAIL_OFFSET = 3;

inline constexpr std::string_view NEW_SUBTRACK_NAME = "<New subtrack>";
inline constexpr std::string_view NEW_ALBUM_NAME = "<New album>";

// The key's sign tells the kind; key 0 (an absent row) is neither.
enum class RowKind { NONE, TRACK, SUBTRACK };
enum class TrackType { AUDIO, DATA };
enum class RowMark { NORMAL, CURRENT };

RowKind KindOfKey(std::int32_t key);
// The absolute value of the key.
int TrackNumberOfKey(std::int32_t key);

int RowCount(std::span<const TrackListRow> rows);
bool IsRowIndex(std::span<const TrackListRow> rows, int index);
// A copy of the row, or an empty row (key 0) for an index outside the list.
TrackListRow RowAt(std::span<const TrackListRow> rows, int index);

std::int32_t GetRowKey(std::span<const TrackListRow> rows, int index);
RowKind GetRowKind(std::span<const TrackListRow> rows, int index);
int GetRowTrack(std::span<const TrackListRow> rows, int index);
inline bool IsTrackRow(std::span<const TrackListRow> rows, int index) {
    return GetRowKind(rows, index) == RowKind::TRACK;
}
inline bool IsSubtrackRow(std::span<const TrackListRow> rows, int index) {
    return GetRowKind(rows, index) == RowKind::SUBTRACK;
}

// "TT:00:00:00" for a track row, "TT:" and its timeText for a subtrack row,
// empty for a row of neither kind.
std::string GetRowStart(std::span<const TrackListRow> rows, int index);

// The first five characters of a length text "MM:SS:FF".
std::string ShownLengthText(std::string_view lengthText);
// "%02d. <Unnamed track>" or "%02d. DATA TRACK".
std::string DefaultTrackName(int track, TrackType type);

TrackListRow MakeTrackRow(int track, std::string name, std::string_view lengthText);
TrackListRow MakeSubtrackRow(int track, std::string name, std::string startText);

// 1 or 2 for a subtrack row (key below 0), else 0 or 3.
RowIcon IconForKey(std::int32_t key, RowMark mark);
RowIcon IconForRow(std::span<const TrackListRow> rows, int index, RowMark mark);

// "MM:SS:FF" with two digits each, seconds up to 59 and frames up to 74.
bool IsSubtrackStartText(std::string_view text);

// The rows of a list read one at a time, for a caller whose rows live
// elsewhere (the window's list view) and that should not copy them all to
// look at a few.
class RowReader {
  public:
    [[nodiscard]] virtual int Count() const = 0;
    // Only called for an index from 0 to Count() - 1.
    [[nodiscard]] virtual std::int32_t Key(int index) const = 0;
    [[nodiscard]] virtual std::string TimeText(int index) const = 0;

  protected:
    ~RowReader() = default;
};

// The row that holds a position "TT:MM:SS:FF": the last row of the position's
// track whose start is at or before it; a position before the track's first
// subtrack belongs to the track row. The walk begins at `startRow` (the
// window's current row, -1 for none) and relies on the order of the list.
// When no row belongs to the track, the first row of a later track or the
// last row; -1 for an empty list.
int FindRowForPosition(std::span<const TrackListRow> rows, std::string_view position, int startRow);
// The same walk, reading only the rows it passes.
int FindRowForPosition(const RowReader& rows, std::string_view position, int startRow);

// Where a subtrack made at a play position goes: directly after the row that
// FindRowForPosition gives, so rows with an equal start come before it. None
// when the position names no track from 1 to 99 or has no "MM:SS:FF" tail (a
// failed position query reads as an empty text).
std::optional<int> NewSubtrackIndex(std::span<const TrackListRow> rows, std::string_view position,
                                    int startRow);
// Inserts "<New subtrack>" at NewSubtrackIndex; the new row's index, or none
// and no change.
std::optional<int> InsertNewSubtrack(std::vector<TrackListRow>& rows, std::string_view position,
                                     int startRow);

// Where the subtrack at `fromRow` goes when its start becomes `newStart`,
// counted after row `fromRow` has been deleted: before the first subtrack of
// its track that starts later, else after the last of them. None when
// `fromRow` is not a subtrack row.
std::optional<int> MovedSubtrackIndex(std::span<const TrackListRow> rows, int fromRow,
                                      std::string_view newStart);
// Deletes the subtrack at `fromRow` and inserts it at MovedSubtrackIndex with
// the given name and start and icon 1; its new index, or none and no change.
std::optional<int> MoveSubtrack(std::vector<TrackListRow>& rows, int fromRow,
                                std::string_view newStart, std::string name);

enum class ListFault {
    KEY_OUT_OF_RANGE,            // the key's track is not 1 to 99
    TRACK_ROWS_NOT_ASCENDING,    // a track row not above the track row before it
    SUBTRACK_OUTSIDE_ITS_TRACK,  // a subtrack not under its own track's row
    SUBTRACK_START_MALFORMED,    // a subtrack whose timeText is not MM:SS:FF
    SUBTRACKS_NOT_ASCENDING,     // a subtrack that starts before the one above it
    SUBTRACK_PAST_TRACK_END,     // a subtrack that starts after its track's end
};

struct ListViolation {
    int row = -1;
    ListFault fault = ListFault::KEY_OUT_OF_RANGE;

    bool operator==(const ListViolation&) const = default;
};

std::string DescribeViolation(const ListViolation& violation);

// The first row that breaks the order that the window's operations keep, or
// none. The second form also holds every subtrack to its track's length.
std::optional<ListViolation> FindListViolation(std::span<const TrackListRow> rows);
std::optional<ListViolation> FindListViolation(std::span<const TrackListRow> rows, DiscFacts& disc);

}  // namespace corvid::tracklist
