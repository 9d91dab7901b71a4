#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "platform/cdrom/Drive.h"
#include "platform/cdrom/ImageAudioFile.h"

namespace corvid::cdrom {

// A cue sheet's text, checked before libcue sees it, with what libcue does
// not tell: the type of each FILE line, and which FILE line each TRACK
// follows.
struct CueText {
    std::string text;  // no NUL bytes, no byte-order mark
    struct TrackFile {
        int ordinal = 0;  // 0 for the first FILE line of the sheet
        FileType type = FileType::LittleEndianPcm;
    };
    std::vector<TrackFile> trackFiles;  // one per TRACK line, in order
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
