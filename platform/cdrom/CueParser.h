#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The cue sheet as text: what its lines say, with the line each came from.
// Pure code: no file is opened and no name is looked up, so the parser can be
// fuzzed and tested on strings alone.
namespace corvid::cdrom {

// How a FILE line says its samples are stored.
enum class CueFileType : std::uint8_t {
    Binary,    // raw 16-bit stereo, little-endian
    Motorola,  // raw, big-endian
    Wave,      // WAVE, AIFF, MP3, FLAC or any other word: the file's own header tells
};

// What a TRACK line says its sectors hold.
enum class CueTrackMode : std::uint8_t {
    Audio,
    Mode1Cooked,      // MODE1/2048
    Mode1Raw,         // MODE1/2352
    Mode2Formless,    // MODE2/2336, CDI/2336
    Mode2Raw,         // MODE2/2352, CDI/2352
    DataUnknownSize,  // EAC's MODEx/2xxx, for a data track it did not rip
};

// The sample frames one sector of the mode takes in its file (588 for a
// sector of 2352 bytes).
int CueSampleFramesPerSector(CueTrackMode mode);

// A point in a FILE: sectors (1/75 s) from its start.
struct CuePosition {
    int file = 0;  // index into ParsedCueSheet::files
    std::int32_t sector = 0;

    auto operator<=>(const CuePosition&) const = default;
};

struct CueTexts {
    std::string title;
    std::string performer;
    std::string songwriter;
};

// A REM line's name (upper case: GENRE, DATE, DISCID, COMMENT, COMPOSER,
// DISCNUMBER, TOTALDISCS, REPLAYGAIN_ALBUM_GAIN...) and its value.
struct CueRemark {
    std::string name;
    std::string value;
};

enum CueTrackFlag : std::uint8_t {
    CUE_FLAG_COPY_PERMITTED = 1U << 0U,  // DCP
    CUE_FLAG_FOUR_CHANNELS = 1U << 1U,   // 4CH
    CUE_FLAG_PRE_EMPHASIS = 1U << 2U,    // PRE
    CUE_FLAG_SERIAL_COPY = 1U << 3U,     // SCMS
};

struct CueIndex {
    int number = 0;  // 0 to 99
    CuePosition position;
    int line = 0;
};

struct CueTrack {
    int number = 0;  // as written on its TRACK line
    int line = 0;    // of the TRACK line
    CueTrackMode mode = CueTrackMode::Audio;
    CueTexts texts;
    std::string isrc;
    std::uint8_t flags = 0;         // CueTrackFlag bits
    std::int32_t pregap = 0;        // sectors of silence no file holds, before INDEX 01
    std::int32_t postgap = 0;       // after the track's own sectors
    std::vector<CueIndex> indexes;  // in order of number; INDEX 01 may be missing on data tracks
    std::vector<CueRemark> remarks;

    [[nodiscard]] const CueIndex* FindIndex(int number) const;
    [[nodiscard]] bool IsData() const { return mode != CueTrackMode::Audio; }
};

struct CueFileLine {
    std::string name;  // as written, without quotes
    CueFileType type = CueFileType::Wave;
    std::string typeWord;  // the type as written, upper case
    int line = 0;
};

struct ParsedCueSheet {
    CueTexts texts;
    std::string catalog;
    std::string cdTextFile;
    std::vector<CueRemark> remarks;
    std::vector<CueFileLine> files;
    std::vector<CueTrack> tracks;
};

struct CueParseError {
    int line = 0;  // 0 for a fault of the whole sheet
    std::string what;
};

struct CueParseResult {
    std::optional<ParsedCueSheet> sheet;
    std::optional<CueParseError> error;
};

inline constexpr std::size_t MAX_CUE_LINE_BYTES = 4096;
inline constexpr int MAX_TRACKS = 99;
// A file for each track and its gap: more than any ripper writes.
inline constexpr int MAX_FILES = 2 * MAX_TRACKS;
// 100 minutes: more than any CD holds, far less than overflows a sector number.
inline constexpr std::int32_t MAX_DISC_SECTORS = 100 * 60 * 75;

// "mm:ss:ff" as sectors: at most 99 minutes, seconds below 60, frames
// below 75; nothing for anything else.
std::optional<std::int32_t> ParseCueTime(std::string_view word);

// Parses a sheet's text, UTF-8 with or without a byte-order mark. Keywords in
// any letter case, any line end, blanks and tabs anywhere; keywords it does
// not know are passed over. Refuses what cannot describe a disc: a TRACK
// before any FILE, an INDEX before any TRACK, a time that is not one, indexes
// that go backwards, an audio track without INDEX 01, more than 99 tracks,
// more than MAX_FILES files, lines longer than MAX_CUE_LINE_BYTES (but for
// names and remarks, which are cut to that length), NUL bytes.
CueParseResult ParseCueSheet(std::string_view text);

// Parses a sheet that an audio file carries (a CUESHEET tag), as
// ParseCueSheet does, but for the one file it can describe: the carrier. The
// result always has exactly one FILE, whose name is as the sheet wrote it or
// empty when the sheet has no FILE line; a second FILE line is refused, as
// it would name audio that the carrier does not hold.
CueParseResult ParseEmbeddedCueSheet(std::string_view text);

}  // namespace corvid::cdrom
