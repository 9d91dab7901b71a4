#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "platform/cdrom/Drive.h"
#include "platform/cdrom/ImageAudioFile.h"

namespace corvid::cdrom {

// A cue sheet's text, checked before libcue sees it, with what libcue does
// not tell or gets wrong: each FILE line's name and type, and which FILE each
// TRACK's INDEX 00 and INDEX 01 follow. (libcue 2.2.1 gives the tracks after
// a FILE line that comes between a track's INDEX 00 and INDEX 01, as rippers
// write gaps at the end of the previous file, the wrong file names.)
struct CueText {
    std::string text;  // no NUL bytes, no byte-order mark
    struct File {
        std::string name;
        FileType type = FileType::LittleEndianPcm;
    };
    std::vector<File> files;  // in order of their FILE lines
    struct TrackLines {
        int indexZeroFile = -1;  // index into files, or -1 without INDEX 00
        int indexOneFile = -1;   // -1 without INDEX 01
    };
    std::vector<TrackLines> tracks;  // one per TRACK line, in order
};

struct CueTextResult {
    std::optional<CueText> sheet;
    std::optional<DriveError> error;
};

// Reads a cue sheet. Refuses a missing or unreadable file, one larger than
// MAX_CUE_SHEET_BYTES, NUL bytes, lines longer than MAX_CUE_LINE_BYTES, more
// than 99 TRACK lines, none at all, or a TRACK before any FILE.
CueTextResult ReadCueText(const std::filesystem::path& path);

inline constexpr std::size_t MAX_CUE_SHEET_BYTES = 1024 * 1024;
inline constexpr std::size_t MAX_CUE_LINE_BYTES = 4096;
inline constexpr int MAX_TRACKS = 99;

// "The disc image PATH " + what: the start of every message about an image.
DriveError ImageError(MciError code, const std::filesystem::path& path, const std::string& what);

}  // namespace corvid::cdrom
