#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "tracklist/AtomicFile.h"
#include "tracklist/TrackList.h"

namespace corvid::tracklist {

// A .trk file: "[CD key] ", "[Album ] " and "[Artist] " lines, then one line
// per row, every line ending in CR LF. A row line's head of twelve characters
// is the row's start "tt:mm:ss:ff" and "*" for a track row or a blank for a
// subtrack row; the name follows. Written in UTF-8; a line that is not valid
// UTF-8 is read as Windows-1252, as the player's Windows version wrote them.

inline constexpr std::size_t MAX_VALUE_CODE_POINTS = 254;
inline constexpr std::size_t HEADER_LABEL_LENGTH = 9;
inline constexpr std::size_t ROW_HEAD_LENGTH = 12;
// Track lists are a few kilobytes; this keeps a wrong file from filling memory.
inline constexpr std::size_t MAX_TRACK_LIST_FILE_BYTES = 8 * 1024 * 1024;

// What the window tells the user when WriteTrackList fails.
inline constexpr std::string_view WRITE_FAILED_MESSAGE =
    "Couldn't write to file. Maybe it is write protected?";

// The bytes of the file for `list`. Album, artist and names are cut to 254
// code points; a CR, LF or NUL in any value is written as a blank.
std::string FormatTrackList(const TrackList& list);

// The list that the bytes of a file hold. Nothing is refused: missing header
// lines give a key of 0 and empty texts; row lines shorter than their head or
// without a track number of 1 or more are skipped. A track row's time text is the first five
// characters of the disc's length for that track; a subtrack row's is the eight characters after
// its track number. Whether the file's key is the disc's is the caller's question.
TrackList ParseTrackList(std::string_view bytes, DiscFacts& disc);

// The CD key on the first line of `bytes`, the start of a file: the number
// after the line's first nine characters, read as strtol reads it and wrapped
// to 32 bits, so an unsigned key above 2147483647 equals the signed one.
std::int32_t ReadCdKey(std::string_view bytes);

struct TrackListReadResult {
    std::optional<TrackList> list;  // set on success
    std::optional<FileError> error;
    // The 1-based line numbers of row lines passed over because their track
    // number names no track (below 1), which a save over the file would lose.
    std::vector<int> unshownLines{};
};

// Reads and parses the file at `path`, telling which row lines it passed
// over because they name no track. A file that cannot be opened or read
// comes back as an error with its cause: "track list /x.trk: cannot be read:
// No such file or directory".
TrackListReadResult ReadTrackList(const std::filesystem::path& path, DiscFacts& disc);

// Replaces the file at `path` with the list (see WriteFileAtomically); on
// failure the old file is as it was.
std::optional<FileError> WriteTrackList(const std::filesystem::path& path, const TrackList& list);

}  // namespace corvid::tracklist
