#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "platform/cdrom/Toc.h"

// Writes deterministic CD images (a cue sheet and its audio files) for tests,
// benchmarks and the demo disc, and tells what a drive must read from them.
namespace corvid::imagegen {

using cdrom::Lba;

enum class TrackType : std::uint8_t { Audio, Data };

// How a data track's sectors are written, and what its TRACK line says.
enum class DataMode : std::uint8_t {
    Mode1Raw,       // MODE1/2352
    Mode1Cooked,    // MODE1/2048: 2048 bytes a sector in the file
    Mode2Formless,  // MODE2/2336
    Mode2Raw,       // MODE2/2352
    CdiRaw,         // CDI/2352
    // EAC's MODEx/2xxx for a data track it did not rip: no file holds its
    // sectors, only its INDEX 00 gap (when it has one) ends the file before.
    // The disc gives it UNRIPPED_DATA_SECTORS of silence, whatever its length.
    NotRipped,
};

inline constexpr Lba UNRIPPED_DATA_SECTORS = 300;

enum class FileLayout : std::uint8_t {
    SingleFile,    // one FILE holds the whole disc
    FilePerTrack,  // one FILE per track, starting at the track's INDEX 00
    // One FILE per track from its INDEX 01, the INDEX 00 gap at the end of
    // the previous track's FILE, as rippers write "gaps appended". The gaps
    // of track 1 and those before or after a data track stay in their own.
    FilePerTrackGapsAppended,
    // One FILE per track from its INDEX 01 and no INDEX 00 at all, as rippers
    // write "gaps left out": the disc has no INDEX 00 gaps of audio tracks.
    FilePerTrackGapsLeftOut,
};

enum class AudioFormat : std::uint8_t {
    Binary,           // raw little-endian PCM, FILE type BINARY
    BinaryBigEndian,  // raw big-endian PCM, FILE type MOTOROLA
    Wave,
    Flac,  // FILE type WAVE, as rippers write it
};

enum class Signal : std::uint8_t {
    // Every sample frame differs from its neighbours and from every frame of
    // other tracks, so a capture can be checked sample by sample.
    Test,
    // Generated music for listening: chords and a melody, a key and tempo of
    // its own per track.
    Music,
};

struct TrackDescription {
    TrackType type = TrackType::Audio;
    Lba length = 0;     // sectors from INDEX 01 to the end of the track's own audio
    Lba index00 = 0;    // sectors of pregap in the file before INDEX 01 (INDEX 00)
    Lba pregap = 0;     // sectors of silence that no file holds (PREGAP)
    std::string title;  // UTF-8, written in the sheet's encoding
    std::string performer;
    std::string songwriter;
    Lba postgap = 0;                // sectors of silence after the track (POSTGAP)
    std::vector<Lba> indexMarks{};  // INDEX 02, 03...: sectors after INDEX 01, increasing
    DataMode dataMode = DataMode::Mode1Raw;
};

enum class LineEnd : std::uint8_t { LineFeed, CarriageReturnLineFeed, CarriageReturn };
enum class KeywordCase : std::uint8_t { Upper, Lower, Mixed };
enum class ByteOrderMark : std::uint8_t { Absent, Present };
enum class LastLineEnd : std::uint8_t { Present, Absent };

// How FILE lines name the files that are written beside the sheet.
enum class FileNaming : std::uint8_t {
    AsWritten,
    Unquoted,             // without quotes (the names hold no blank)
    WindowsPath,          // C:\Rips\<name>\<file>: backslashes and a drive letter
    OtherLetterCase,      // the name in upper case
    OtherAudioExtension,  // ".wav" for files that are written as FLAC
};

// The encoding of the sheet's text; CD-TEXT is given in UTF-8 and converted.
enum class SheetEncoding : std::uint8_t { Utf8, Windows1252, ShiftJis, Windows1251 };

enum class SheetExtras : std::uint8_t {
    None,
    // REM GENRE, DATE, DISCID, COMMENT, COMPOSER, DISCNUMBER, TOTALDISCS and
    // REPLAYGAIN lines, CATALOG, CDTEXTFILE, ISRC and FLAGS, a keyword no
    // reader knows, blank lines and tabs.
    Everything,
};

// Whether the INDEX 00 of track 1 is written when track 1 has a gap: rips
// with hidden audio before track 1 have it or leave it unmarked.
enum class FirstTrackGap : std::uint8_t { Marked, Unmarked };

// How the sheet is written, as the ripping programs differ.
struct SheetStyle {
    LineEnd lineEnd = LineEnd::LineFeed;
    KeywordCase keywords = KeywordCase::Upper;
    ByteOrderMark byteOrderMark = ByteOrderMark::Absent;
    LastLineEnd lastLineEnd = LastLineEnd::Present;
    FileNaming naming = FileNaming::AsWritten;
    SheetEncoding encoding = SheetEncoding::Utf8;
    SheetExtras extras = SheetExtras::None;
    FirstTrackGap firstTrackGap = FirstTrackGap::Marked;
};

// Whether the FLAC file of a single-file image carries the cue sheet too (the
// .cue is written beside it all the same): as a CUESHEET metadata block, as a
// CUESHEET Vorbis comment holding the sheet's text, or as both. A block
// cannot hold PREGAP or POSTGAP silence, cooked data sectors or names.
enum class EmbeddedSheet : std::uint8_t { None, Block, Tag, BlockAndTag };

// A track may have both a PREGAP and an INDEX 00 gap: the silence comes first.
struct DiscDescription {
    std::vector<TrackDescription> tracks;
    FileLayout layout = FileLayout::SingleFile;
    AudioFormat format = AudioFormat::Binary;
    Signal signal = Signal::Test;
    std::string title;
    std::string performer;
    std::string songwriter;
    SheetStyle style{};
    EmbeddedSheet embedded = EmbeddedSheet::None;
};

struct WriteResult {
    std::filesystem::path cueSheet;    // set on success
    std::optional<std::string> error;  // set on failure
    std::filesystem::path carrier;     // the FLAC file that carries the sheet, when it does
};

// A FLAC CUESHEET metadata block, offsets in sample frames.
enum class BlockMedium : std::uint8_t { Cd, Other };
struct CueBlockIndex {
    int number = 0;
    std::uint64_t offset = 0;  // from the track's offset
};
struct CueBlockTrack {
    int number = 0;
    std::uint64_t offset = 0;  // from the start of the audio
    TrackType type = TrackType::Audio;
    std::string isrc;
    std::vector<CueBlockIndex> indexes;
};
struct CueBlock {
    BlockMedium medium = BlockMedium::Cd;
    std::string catalog;
    std::vector<CueBlockTrack> tracks;  // without the lead-out
    std::uint64_t leadOut = 0;
};

// The block of a single-file image of `disc`: its INDEX points as its sheet
// writes them, ISRCs and the catalogue number when its sheet has extras.
CueBlock CueBlockOf(const DiscDescription& disc);

// What a FLAC file is given to carry; either may be missing.
struct EmbeddedParts {
    std::optional<CueBlock> block;
    std::optional<std::string> tag;  // the CUESHEET comment's text
};

// Puts the parts into an existing FLAC file's metadata through libFLAC, in
// place of any CUESHEET block or comment it had. A block of a CD must follow
// the format's rules for one; nothing checks it against the audio, so that
// tests can write faulty ones.
std::optional<std::string> EmbedInFlac(const std::filesystem::path& flac,
                                       const EmbeddedParts& parts);

// Writes `folder`/`baseName`.cue and its audio files (baseName.bin/.wav/.flac,
// or baseName-NN.ext per track; a data track of a per-track image always gets
// a .bin of its own). Creates the folder if needed. The same description
// always gives the same bytes.
WriteResult WriteImage(const DiscDescription& disc, const std::filesystem::path& folder,
                       const std::string& baseName);

// Why a description cannot be written, or nothing when it can.
std::optional<std::string> CheckDescription(const DiscDescription& disc);

// The table of contents that a drive must read from the image. Disc layout,
// track by track: PREGAP silence, INDEX 00 gap, the track from INDEX 01,
// POSTGAP silence.
cdrom::Toc ExpectedToc(const DiscDescription& disc);

// Where each track's INDEX 02 and later lie on the disc, track by track.
std::vector<std::vector<Lba>> ExpectedIndexMarks(const DiscDescription& disc);

// The description of what the image holds: with gaps left out, no audio
// track has an INDEX 00 gap; a track that was not ripped is as long as the
// disc makes it.
DiscDescription AsImaged(const DiscDescription& disc);

// Interleaved 16-bit stereo in host order of sectors [begin, end) as a drive
// reads them: PREGAP and POSTGAP sectors are silence; a raw data sector is
// its 2352 bytes as the file's sample byte order reads them, a cooked one or
// one that was not ripped is silence.
std::vector<std::int16_t> DiscSamples(const DiscDescription& disc, Lba begin, Lba end);

// What playing the disc from `fromTrack`'s INDEX 01 to its end produces:
// gapless, the gaps between audio tracks included; a data track is left out
// with the gap before it and the gap after it (which belongs to it).
std::vector<std::int16_t> ExpectedPlayback(const DiscDescription& disc, int fromTrack);

}  // namespace corvid::imagegen
