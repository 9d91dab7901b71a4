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

enum class TrackType : std::uint8_t { Audio, Data };  // data: MODE1/2352

enum class FileLayout : std::uint8_t {
    SingleFile,    // one FILE holds the whole disc
    FilePerTrack,  // one FILE per track, starting at the track's INDEX 00
    // One FILE per track from its INDEX 01, the INDEX 00 gap at the end of
    // the previous track's FILE, as rippers write "gaps appended". The gaps
    // of track 1 and those before or after a data track stay in their own.
    FilePerTrackGapsAppended,
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
    Lba length = 0;   // sectors from INDEX 01 to the end of the track's own audio
    Lba index00 = 0;  // sectors of pregap in the file before INDEX 01 (INDEX 00)
    Lba pregap = 0;   // sectors of silence that no file holds (PREGAP)
    std::string title;
    std::string performer;
};

// A track may have an INDEX 00 gap or a PREGAP, not both: cue sheet readers
// cannot tell the two apart on one track.
struct DiscDescription {
    std::vector<TrackDescription> tracks;
    FileLayout layout = FileLayout::SingleFile;
    AudioFormat format = AudioFormat::Binary;
    Signal signal = Signal::Test;
    std::string title;
    std::string performer;
};

struct WriteResult {
    std::filesystem::path cueSheet;    // set on success
    std::optional<std::string> error;  // set on failure
};

// Writes `folder`/`baseName`.cue and its audio files (baseName.bin/.wav/.flac,
// or baseName-NN.ext per track; a data track of a per-track image always gets
// a .bin of its own). Creates the folder if needed. The same description
// always gives the same bytes.
WriteResult WriteImage(const DiscDescription& disc, const std::filesystem::path& folder,
                       const std::string& baseName);

// Why a description cannot be written, or nothing when it can.
std::optional<std::string> CheckDescription(const DiscDescription& disc);

// The table of contents that a drive must read from the image. Disc layout,
// track by track: PREGAP silence, INDEX 00 gap, then the track from INDEX 01.
cdrom::Toc ExpectedToc(const DiscDescription& disc);

// Interleaved 16-bit stereo in host order of sectors [begin, end) as a drive
// reads them: PREGAP sectors are silence; a data sector is its 2352 bytes as
// the file's sample byte order reads them.
std::vector<std::int16_t> DiscSamples(const DiscDescription& disc, Lba begin, Lba end);

// What playing the disc from `fromTrack`'s INDEX 01 to its end produces:
// gapless, the gaps between audio tracks included; a data track is left out
// with the gap before it and the gap after it (which belongs to it).
std::vector<std::int16_t> ExpectedPlayback(const DiscDescription& disc, int fromTrack);

}  // namespace corvid::imagegen
