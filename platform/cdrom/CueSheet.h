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

// Reads a cue sheet with libcue and opens the files it names. Track starts
// are their INDEX 01 over all FILEs in order; an INDEX 00 gap belongs to the
// track before; PREGAP inserts silence; MODE1/MODE2 tracks are data.
DiscImageResult LoadDiscImage(const std::filesystem::path& cueSheet);

}  // namespace corvid::cdrom
