#pragma once

#include <filesystem>

#include "platform/cdrom/Drive.h"

namespace corvid::cdrom {

// Opens a cue sheet image (a sheet and the BINARY, MOTOROLA, WAVE, FLAC or
// AIFF files it names) in a virtual drive whose tray is closed. Fails with an
// error naming the sheet when it cannot be read or its files do not match it.
//
// The tray: OpenTray takes the image out; CloseTray reads the sheet again, so
// that an image changed on disk is seen. When it can no longer be read the
// state is NoDisc and CloseTray returns why (as reads do), and closing again
// tries once more. A different table of contents counts as a change of disc.
DriveOpenResult OpenImageDrive(const std::filesystem::path& cueSheet);

}  // namespace corvid::cdrom
