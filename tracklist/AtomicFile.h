#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>

namespace corvid::tracklist {

// A failed file operation: its cause and a text that names the file,
// "/home/u/x.trk: cannot be written: No space left on device".
struct FileError {
    std::error_code cause;
    std::string text;
};

// The points a save passes, in order; ChunkWritten once per chunk.
enum class SaveStep : std::uint8_t {
    TemporaryCreated,
    ChunkWritten,
    TemporarySynced,
    Renamed,
};

// Told of every step as it completes. Tests use it to stop a save part way.
using SaveObserver = std::function<void(SaveStep)>;

inline constexpr std::size_t SAVE_CHUNK_BYTES = 16 * 1024;

// Replaces the file at `path` with `bytes` so that, whatever happens, the path
// holds either the old file or the new one whole, never a mix, never an empty
// file. The bytes go to a temporary file in the same folder (".NAME.XXXXXX.tmp",
// which no search for "*.trk" finds), are synced to the disk, and the temporary
// file is renamed over the old one. Once renamed, the save has succeeded; the
// folder is synced after as far as it can be, and a failure there is no error.
//
// A symbolic link is followed to its target, which is replaced; the link
// stays. The new file keeps the old one's mode (and owner, where allowed); a
// new file gets 0666 less the umask. An existing file that we may not write is
// refused, as opening it for writing would be, and so is anything that is not
// a regular file. On any failure the temporary file is removed and the old
// file is as it was.
std::optional<FileError> WriteFileAtomically(const std::filesystem::path& path,
                                             std::string_view bytes,
                                             const SaveObserver& observer = {});

}  // namespace corvid::tracklist
