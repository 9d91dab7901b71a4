#include "tracklist/TrackListFile.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>
#include <utility>
#include <vector>

#include "cdaudio/DiscTime.h"
#include "tracklist/FileDescriptor.h"
#include "tracklist/TextEncoding.h"

namespace corvid::tracklist {

namespace {

namespace fs = std::filesystem;

constexpr std::string_view LINE_END = "\r\n";
constexpr std::string_view KEY_LABEL = "[CD key] ";
constexpr std::string_view ALBUM_LABEL = "[Album ] ";
constexpr std::string_view ARTIST_LABEL = "[Artist] ";
constexpr std::string_view BYTE_ORDER_MARK = "\xEF\xBB\xBF";
constexpr std::size_t TRACK_LENGTH_SHOWN = 5;  // MM:SS of MM:SS:FF
constexpr std::size_t TIME_TEXT_OFFSET = 3;
constexpr std::size_t TIME_TEXT_LENGTH = 8;
constexpr std::size_t KIND_MARKER_OFFSET = 11;
constexpr char TRACK_ROW_MARKER = '*';
constexpr int FIRST_ROW_LINE = 4;  // after the key, album and artist lines

// Line by line; a line ends at LF, and a CR before it (or before the end of
// the bytes) belongs to the line end. A last line without its end is a line.
class LineReader {
  public:
    explicit LineReader(std::string_view bytes) : m_rest(bytes) {}

    bool Next(std::string_view& line) {
        if (m_rest.empty()) {
            return false;
        }
        const std::size_t end = m_rest.find('\n');
        line = m_rest.substr(0, end);
        m_rest = end == std::string_view::npos ? std::string_view() : m_rest.substr(end + 1);
        if (!line.empty() && line.back() == '\r') {
            line.remove_suffix(1);
        }
        return true;
    }

  private:
    std::string_view m_rest;
};

std::string_view WithoutByteOrderMark(std::string_view bytes) {
    if (bytes.starts_with(BYTE_ORDER_MARK)) {
        bytes.remove_prefix(BYTE_ORDER_MARK.size());
    }
    return bytes;
}

// No value holds a line end or a NUL: each becomes a blank, which keeps the
// row head's width.
std::string Cleaned(std::string_view value) {
    std::string text(value);
    std::replace_if(
        text.begin(), text.end(), [](char c) { return c == '\r' || c == '\n' || c == '\0'; }, ' ');
    return text;
}

std::string ValueText(std::string_view value) {
    return Cleaned(FirstCodePoints(value, MAX_VALUE_CODE_POINTS));
}

std::string DecodedLine(std::string_view rawLine) {
    return Cleaned(DecodeLine(rawLine));
}

std::string HeaderValue(std::string_view rawLine) {
    const std::string line = DecodedLine(rawLine);
    return std::string(
        FirstCodePoints(AfterCodePoints(line, HEADER_LABEL_LENGTH), MAX_VALUE_CODE_POINTS));
}

std::int32_t KeyOfLine(std::string_view rawLine) {
    const std::string line = DecodedLine(rawLine);
    return ReadDecimal(AfterCodePoints(line, HEADER_LABEL_LENGTH));
}

// The row of a decoded line at least as long as its head, whose number is
// the track `track` (1 or more).
TrackListRow ParseRow(const std::string& line, int track, DiscFacts& disc) {
    TrackListRow row;
    row.name = FirstCodePoints(AfterCodePoints(line, ROW_HEAD_LENGTH), MAX_VALUE_CODE_POINTS);
    if (AfterCodePoints(line, KIND_MARKER_OFFSET).front() == TRACK_ROW_MARKER) {
        row.rowKey = track;
        row.icon = ROW_ICON_TRACK;
        row.timeText = disc.TrackLengthText(track).substr(0, TRACK_LENGTH_SHOWN);
        return row;
    }
    row.rowKey = -track;
    row.icon = ROW_ICON_SUBTRACK;
    row.timeText = FirstCodePoints(AfterCodePoints(line, TIME_TEXT_OFFSET), TIME_TEXT_LENGTH);
    return row;
}

struct ParsedFile {
    TrackList list;
    std::vector<int> unshownLines;
};

ParsedFile ParseFile(std::string_view bytes, DiscFacts& disc) {
    ParsedFile parsed;
    TrackList& list = parsed.list;
    list.cdKey = ReadCdKey(bytes);
    LineReader lines(WithoutByteOrderMark(bytes));
    std::string_view rawLine;
    lines.Next(rawLine);
    if (!lines.Next(rawLine)) {
        return parsed;
    }
    list.album = HeaderValue(rawLine);
    if (!lines.Next(rawLine)) {
        return parsed;
    }
    list.artist = HeaderValue(rawLine);
    for (int lineNumber = FIRST_ROW_LINE; lines.Next(rawLine); ++lineNumber) {
        const std::string line = DecodedLine(rawLine);
        if (CodePointCount(line) < ROW_HEAD_LENGTH) {
            continue;
        }
        // Below 1 a number names no track, and its sign would turn the row's
        // kind; such a line is told to the caller, since a save would drop it.
        const int track = ReadDecimal(line);
        if (track < 1) {
            parsed.unshownLines.push_back(lineNumber);
            continue;
        }
        list.rows.push_back(ParseRow(line, track, disc));
    }
    return parsed;
}

std::string TwoDigitTrack(std::int64_t track) {
    std::string digits = std::to_string(track);
    return digits.size() < 2 ? "0" + digits : digits;
}

std::string RowHead(const TrackListRow& row) {
    if (row.rowKey > 0) {
        return FormatPositionText(row.rowKey, 0, 0, 0) + TRACK_ROW_MARKER;
    }
    return TwoDigitTrack(-static_cast<std::int64_t>(row.rowKey)) + ":" + Cleaned(row.timeText) +
           " ";
}

FileError ReadError(const fs::path& path, std::string_view what, std::error_code cause) {
    return {cause,
            "track list " + path.string() + ": " + std::string(what) + ": " + cause.message()};
}

}  // namespace

std::string FormatTrackList(const TrackList& list) {
    std::string text;
    text += KEY_LABEL;
    text += std::to_string(static_cast<std::uint32_t>(list.cdKey));
    text += LINE_END;
    text += ALBUM_LABEL;
    text += ValueText(list.album);
    text += LINE_END;
    text += ARTIST_LABEL;
    text += ValueText(list.artist);
    text += LINE_END;
    for (const TrackListRow& row : list.rows) {
        text += RowHead(row);
        text += ValueText(row.name);
        text += LINE_END;
    }
    return text;
}

std::int32_t ReadCdKey(std::string_view bytes) {
    LineReader lines(WithoutByteOrderMark(bytes));
    std::string_view line;
    return lines.Next(line) ? KeyOfLine(line) : 0;
}

TrackList ParseTrackList(std::string_view bytes, DiscFacts& disc) {
    return ParseFile(bytes, disc).list;
}

TrackListReadResult ReadTrackList(const fs::path& path, DiscFacts& disc) {
    const FileDescriptor file = OpenForReading(AT_FDCWD, path.c_str());
    if (!file.IsOpen()) {
        return {std::nullopt, ReadError(path, "cannot be read", LastError())};
    }
    struct stat status {};
    if (::fstat(file.Get(), &status) != 0) {
        return {std::nullopt, ReadError(path, "cannot be read", LastError())};
    }
    if (S_ISDIR(status.st_mode)) {
        return {std::nullopt,
                ReadError(path, "cannot be read", std::make_error_code(std::errc::is_a_directory))};
    }
    if (!S_ISREG(status.st_mode)) {
        return {std::nullopt, ReadError(path, "is not a regular file",
                                        std::make_error_code(std::errc::invalid_argument))};
    }
    // One byte more than allowed tells a file that is too large.
    ReadBytes read = ReadUpTo(file, MAX_TRACK_LIST_FILE_BYTES + 1);
    if (read.error) {
        return {std::nullopt, ReadError(path, "cannot be read", read.error)};
    }
    if (read.bytes.size() > MAX_TRACK_LIST_FILE_BYTES) {
        return {std::nullopt, ReadError(path, "is larger than a track list can be (8 MiB)",
                                        std::make_error_code(std::errc::file_too_large))};
    }
    ParsedFile parsed = ParseFile(read.bytes, disc);
    return {std::move(parsed.list), std::nullopt, std::move(parsed.unshownLines)};
}

std::optional<FileError> WriteTrackList(const fs::path& path, const TrackList& list) {
    std::optional<FileError> error = WriteFileAtomically(path, FormatTrackList(list));
    if (error) {
        error->text = "track list " + error->text;
    }
    return error;
}

}  // namespace corvid::tracklist
