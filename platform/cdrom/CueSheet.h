#pragma once

#include <filesystem>
#include <memory>
#include <optional>

#include "platform/cdrom/DiscImage.h"

namespace corvid::cdrom {

struct DiscImageResult {
    std::unique_ptr<DiscImage> image;  // null on failure
    std::optional<DriveError> error;   // set on failure, naming the cue sheet
};

// Reads a cue sheet with our own parser, finds and opens the files it names,
// and lays the disc out: track starts are their INDEX 01 over all FILEs in
// order; an INDEX 00 gap belongs to the track before; PREGAP and POSTGAP are
// silence that no file holds; tracks of any MODE are data tracks, and one
// whose sectors no file holds (EAC's MODEx/2xxx) is given the shortest length
// a track may have on a disc.
//
// `cueSheet` may instead be a FLAC or WavPack file that carries its own
// sheet (EmbeddedCue.h): that sheet is laid out the same way, over the one
// file that carries it.
DiscImageResult LoadDiscImage(const std::filesystem::path& cueSheet);

}  // namespace corvid::cdrom
