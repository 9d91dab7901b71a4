#include "tracklist/TrackListRows.h"

#include <algorithm>
#include <cstdio>
#include <limits>
#include <utility>

#include "cdaudio/DiscTime.h"

namespace corvid::tracklist {

namespace {

constexpr int HIGHEST_SECOND = SECONDS_PER_MINUTE - 1;
constexpr int HIGHEST_FRAME = FRAMES_PER_SECOND - 1;
constexpr int HIGHEST_MINUTE = 99;

// "%02d" as printf writes it.
std::string TwoDigits(int value) {
    char text[16];
    const int written = std::snprintf(text, sizeof text, "%02d", value);
    return written > 0 ? std::string(text, static_cast<std::size_t>(written)) : std::string();
}

class SpanRowReader final : public RowReader {
  public:
    explicit SpanRowReader(std::span<const TrackListRow> rows) : m_rows(rows) {}
    [[nodiscard]] int Count() const override { return RowCount(m_rows); }
    [[nodiscard]] std::int32_t Key(int index) const override {
        return m_rows[static_cast<std::size_t>(index)].rowKey;
    }
    [[nodiscard]] std::string TimeText(int index) const override {
        return m_rows[static_cast<std::size_t>(index)].timeText;
    }

  private:
    std::span<const TrackListRow> m_rows;
};

bool IsIndexOf(const RowReader& rows, int index) {
    return index >= 0 && index < rows.Count();
}

// An index outside the list reads as an absent row, of no track.
int TrackOfRow(const RowReader& rows, int index) {
    return IsIndexOf(rows, index) ? TrackNumberOfKey(rows.Key(index)) : 0;
}

// A track row starts at the empty text, which sorts before every time.
std::string StartInTrack(const RowReader& rows, int index) {
    if (!IsIndexOf(rows, index) || KindOfKey(rows.Key(index)) != RowKind::SUBTRACK) {
        return {};
    }
    return rows.TimeText(index);
}

std::string_view PositionTail(std::string_view position) {
    if (position.size() <= POSITION_TAIL_OFFSET) {
        return {};
    }
    return position.substr(POSITION_TAIL_OFFSET);
}

int WalkBack(const RowReader& rows, int row, int track, std::string_view tail) {
    for (int above = row - 1; above >= 0; --above) {
        if (TrackOfRow(rows, above) != track) {
            return above + 1;
        }
        if (StartInTrack(rows, above) <= tail) {
            return above;
        }
    }
    return 0;
}

int WalkForward(const RowReader& rows, int row, int track, std::string_view tail) {
    const int rowCount = rows.Count();
    for (int below = row + 1; below < rowCount; ++below) {
        if (TrackOfRow(rows, below) != track || StartInTrack(rows, below) > tail) {
            return below - 1;
        }
    }
    return rowCount - 1;
}

bool IsDigits(std::string_view text, std::size_t offset, int highest) {
    const char tens = text[offset];
    const char ones = text[offset + 1];
    if (tens < '0' || tens > '9' || ones < '0' || ones > '9') {
        return false;
    }
    return (tens - '0') * 10 + (ones - '0') <= highest;
}

std::optional<ListViolation> FindViolation(std::span<const TrackListRow> rows, DiscFacts* disc) {
    int lastTrack = 0;
    // Empty before a track's first subtrack: no start text sorts below it.
    std::string_view lastStart;
    for (int index = 0; index < RowCount(rows); ++index) {
        const TrackListRow& row = rows[static_cast<std::size_t>(index)];
        const int track = TrackNumberOfKey(row.rowKey);
        const auto fault = [index](ListFault kind) { return ListViolation{index, kind}; };
        if (track < FIRST_TRACK || track > LAST_TRACK) {
            return fault(ListFault::KEY_OUT_OF_RANGE);
        }
        if (KindOfKey(row.rowKey) == RowKind::TRACK) {
            if (track <= lastTrack) {
                return fault(ListFault::TRACK_ROWS_NOT_ASCENDING);
            }
            lastTrack = track;
            lastStart = {};
            continue;
        }
        if (track != lastTrack) {
            return fault(ListFault::SUBTRACK_OUTSIDE_ITS_TRACK);
        }
        if (!IsSubtrackStartText(row.timeText)) {
            return fault(ListFault::SUBTRACK_START_MALFORMED);
        }
        if (row.timeText < lastStart) {
            return fault(ListFault::SUBTRACKS_NOT_ASCENDING);
        }
        if (disc != nullptr) {
            const std::string length = disc->TrackLengthText(track).substr(0, SUBTRACK_START_SIZE);
            if (row.timeText > length) {
                return fault(ListFault::SUBTRACK_PAST_TRACK_END);
            }
        }
        lastStart = row.timeText;
    }
    return std::nullopt;
}

}  // namespace

RowKind KindOfKey(std::int32_t key) {
    if (key > 0) {
        return RowKind::TRACK;
    }
    if (key < 0) {
        return RowKind::SUBTRACK;
    }
    return RowKind::NONE;
}

int TrackNumberOfKey(std::int32_t key) {
    // A key read from a file can be any 32-bit number, and -2^31 has no
    // positive counterpart.
    if (key == std::numeric_limits<std::int32_t>::min()) {
        return std::numeric_limits<int>::max();
    }
    return key < 0 ? -key : key;
}

int RowCount(std::span<const TrackListRow> rows) {
    return static_cast<int>(rows.size());
}

bool IsRowIndex(std::span<const TrackListRow> rows, int index) {
    return index >= 0 && index < RowCount(rows);
}

TrackListRow RowAt(std::span<const TrackListRow> rows, int index) {
    if (!IsRowIndex(rows, index)) {
        return TrackListRow{};
    }
    return rows[static_cast<std::size_t>(index)];
}

std::int32_t GetRowKey(std::span<const TrackListRow> rows, int index) {
    if (!IsRowIndex(rows, index)) {
        return 0;
    }
    return rows[static_cast<std::size_t>(index)].rowKey;
}

RowKind GetRowKind(std::span<const TrackListRow> rows, int index) {
    return KindOfKey(GetRowKey(rows, index));
}

int GetRowTrack(std::span<const TrackListRow> rows, int index) {
    return TrackNumberOfKey(GetRowKey(rows, index));
}

std::string GetRowStart(std::span<const TrackListRow> rows, int index) {
    const int track = GetRowTrack(rows, index);
    switch (GetRowKind(rows, index)) {
        case RowKind::TRACK:
            return FormatPositionText(track, 0, 0, 0);
        case RowKind::SUBTRACK:
            return TwoDigits(track) + ":" + rows[static_cast<std::size_t>(index)].timeText;
        case RowKind::NONE:
            break;
    }
    return {};
}

std::string ShownLengthText(std::string_view lengthText) {
    return std::string(lengthText.substr(0, SHOWN_LENGTH_SIZE));
}

std::string DefaultTrackName(int track, TrackType type) {
    const std::string_view suffix = type == TrackType::AUDIO ? ". <Unnamed track>" : ". DATA TRACK";
    return TwoDigits(track) + std::string(suffix);
}

TrackListRow MakeTrackRow(int track, std::string name, std::string_view lengthText) {
    return TrackListRow{track, std::move(name), ShownLengthText(lengthText), ROW_ICON_TRACK};
}

TrackListRow MakeSubtrackRow(int track, std::string name, std::string startText) {
    return TrackListRow{-track, std::move(name), std::move(startText), ROW_ICON_SUBTRACK};
}

RowIcon IconForKey(std::int32_t key, RowMark mark) {
    const bool current = mark == RowMark::CURRENT;
    if (KindOfKey(key) == RowKind::SUBTRACK) {
        return current ? ROW_ICON_CURRENT_SUBTRACK : ROW_ICON_SUBTRACK;
    }
    return current ? ROW_ICON_CURRENT_TRACK : ROW_ICON_TRACK;
}

RowIcon IconForRow(std::span<const TrackListRow> rows, int index, RowMark mark) {
    return IconForKey(GetRowKey(rows, index), mark);
}

bool IsSubtrackStartText(std::string_view text) {
    if (text.size() != SUBTRACK_START_SIZE || text[2] != ':' || text[5] != ':') {
        return false;
    }
    return IsDigits(text, 0, HIGHEST_MINUTE) && IsDigits(text, 3, HIGHEST_SECOND) &&
           IsDigits(text, 6, HIGHEST_FRAME);
}

int FindRowForPosition(std::span<const TrackListRow> rows, std::string_view position,
                       int startRow) {
    return FindRowForPosition(SpanRowReader(rows), position, startRow);
}

int FindRowForPosition(const RowReader& rows, std::string_view position, int startRow) {
    const int rowCount = rows.Count();
    if (rowCount == 0) {
        return -1;
    }
    const int track = ReadDecimal(position);
    const std::string_view tail = PositionTail(position);
    // A start kept from a longer list walks from the last row instead.
    int row = std::clamp(startRow, -1, rowCount - 1);
    while (row > 0 && TrackOfRow(rows, row) > track) {
        --row;
    }
    while (row < rowCount - 1 && TrackOfRow(rows, row) < track) {
        ++row;
    }
    if (tail < StartInTrack(rows, row)) {
        return WalkBack(rows, row, track, tail);
    }
    return WalkForward(rows, row, track, tail);
}

std::optional<int> NewSubtrackIndex(std::span<const TrackListRow> rows, std::string_view position,
                                    int startRow) {
    const int track = ReadDecimal(position);
    if (track < FIRST_TRACK || track > LAST_TRACK ||
        PositionTail(position).size() != SUBTRACK_START_SIZE) {
        return std::nullopt;
    }
    return FindRowForPosition(rows, position, startRow) + 1;
}

std::optional<int> InsertNewSubtrack(std::vector<TrackListRow>& rows, std::string_view position,
                                     int startRow) {
    const std::optional<int> index = NewSubtrackIndex(rows, position, startRow);
    if (!index) {
        return std::nullopt;
    }
    TrackListRow row = MakeSubtrackRow(ReadDecimal(position), std::string(NEW_SUBTRACK_NAME),
                                       std::string(PositionTail(position)));
    rows.insert(rows.begin() + *index, std::move(row));
    return index;
}

std::optional<int> MovedSubtrackIndex(std::span<const TrackListRow> rows, int fromRow,
                                      std::string_view newStart) {
    if (!IsSubtrackRow(rows, fromRow)) {
        return std::nullopt;
    }
    const std::int32_t key = GetRowKey(rows, fromRow);
    int target = RowCount(rows);
    for (int index = 0; index < RowCount(rows); ++index) {
        const TrackListRow& row = rows[static_cast<std::size_t>(index)];
        if (row.rowKey != key) {
            continue;
        }
        if (newStart < row.timeText) {
            target = index;
            break;
        }
        target = index + 1;
    }
    // The moving row's own deletion shifts everything below it up by one.
    if (fromRow < target) {
        --target;
    }
    return target;
}

std::optional<int> MoveSubtrack(std::vector<TrackListRow>& rows, int fromRow,
                                std::string_view newStart, std::string name) {
    const std::optional<int> target = MovedSubtrackIndex(rows, fromRow, newStart);
    if (!target) {
        return std::nullopt;
    }
    const std::int32_t key = GetRowKey(rows, fromRow);
    rows.erase(rows.begin() + fromRow);
    TrackListRow row{key, std::move(name), std::string(newStart), ROW_ICON_SUBTRACK};
    rows.insert(rows.begin() + *target, std::move(row));
    return target;
}

std::string DescribeViolation(const ListViolation& violation) {
    std::string what;
    switch (violation.fault) {
        case ListFault::KEY_OUT_OF_RANGE:
            what = "its key names no track from 1 to 99";
            break;
        case ListFault::TRACK_ROWS_NOT_ASCENDING:
            what = "its track does not come after the track above it";
            break;
        case ListFault::SUBTRACK_OUTSIDE_ITS_TRACK:
            what = "the subtrack does not stand under its own track's row";
            break;
        case ListFault::SUBTRACK_START_MALFORMED:
            what = "the subtrack's start is not MM:SS:FF";
            break;
        case ListFault::SUBTRACKS_NOT_ASCENDING:
            what = "the subtrack starts before the subtrack above it";
            break;
        case ListFault::SUBTRACK_PAST_TRACK_END:
            what = "the subtrack starts after the end of its track";
            break;
    }
    return "row " + std::to_string(violation.row) + ": " + what;
}

std::optional<ListViolation> FindListViolation(std::span<const TrackListRow> rows) {
    return FindViolation(rows, nullptr);
}

std::optional<ListViolation> FindListViolation(std::span<const TrackListRow> rows,
                                               DiscFacts& disc) {
    return FindViolation(rows, &disc);
}

}  // namespace corvid::tracklist
