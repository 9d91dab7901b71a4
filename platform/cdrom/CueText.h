#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "platform/cdrom/CueParser.h"
#include "platform/cdrom/Drive.h"

namespace corvid::cdrom {

struct CueTextResult {
    std::optional<ParsedCueSheet> sheet;
    std::optional<DriveError> error;  // naming the sheet, and the line when one is at fault
    std::string encoding;             // what its bytes were read as
};

// Reads a cue sheet's file, as UTF-8 or the legacy code page its bytes are
// in, and parses it. Refuses a missing or unreadable file, anything but a
// regular file, and one larger than MAX_CUE_SHEET_BYTES, before reading it.
CueTextResult ReadCueText(const std::filesystem::path& path);

// The sheet read in the other code pages its bytes may be in (see
// OtherReadingsOf), each that parses; none for a sheet in UTF-8 or UTF-16.
std::vector<CueTextResult> OtherCueTextReadings(const std::filesystem::path& path);

// An error naming the image when it is missing or is not a regular file (a
// folder, a FIFO or a device would hang or never end), before it is opened.
std::optional<DriveError> CheckImageFile(const std::filesystem::path& path);

inline constexpr std::size_t MAX_CUE_SHEET_BYTES = 1024 * 1024;

// "The disc image PATH " + what: the start of every message about an image.
DriveError ImageError(MciError code, const std::filesystem::path& path, const std::string& what);

// "The disc image PATH line N: " + what + ".", or without the line for a
// fault of the whole sheet.
DriveError SheetError(const std::filesystem::path& path, const CueParseError& error);

}  // namespace corvid::cdrom
