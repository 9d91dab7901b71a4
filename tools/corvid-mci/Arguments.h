#pragma once

#include <cstdint>
#include <string_view>

namespace corvid::tools {

enum class ArgumentKind : std::uint8_t { DiscImage, Command };

// What an argument that is not an option names. An existing regular file is
// the disc image, whatever its name. So is a name ending in ".cue", or in
// ".flac" or ".wv" (audio files that carry their own sheet), in any letter
// case ("Album.CUE") that does not exist, so that opening the device reports
// the missing image by its name. Anything else is a command string.
ArgumentKind KindOfArgument(std::string_view argument);

}  // namespace corvid::tools
