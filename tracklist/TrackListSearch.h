#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>

namespace corvid::tracklist {

// How much of each file the search reads: the key's line is about twenty.
inline constexpr std::size_t SEARCH_PREFIX_BYTES = 512;

// The first file in `folder` whose name ends in ".trk" in any letter case and
// whose first line carries `cdKey` (see ReadCdKey), or none. Names are taken
// in byte order, so the same file wins on every machine. Only regular files
// count, also through a symbolic link; files that cannot be read are passed
// over, and of each file only its first SEARCH_PREFIX_BYTES are read.
std::optional<std::filesystem::path> FindTrackListFile(const std::filesystem::path& folder,
                                                       std::int32_t cdKey);

}  // namespace corvid::tracklist
