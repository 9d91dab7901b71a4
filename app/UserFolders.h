#pragma once

#include "app/Environment.h"

#include <filesystem>
#include <string>
#include <system_error>
#include <variant>

namespace corvid::app {

inline constexpr std::string_view PROGRAM_FOLDER_NAME = "corvid-player";

// Why a folder is not there: its cause and a text that names the folder,
// "/home/u/.local/share/corvid-player: cannot be created: Not a directory".
struct FolderError {
    std::error_code cause;
    std::string text;
};

using FolderOrError = std::variant<std::filesystem::path, FolderError>;

// $XDG_DATA_HOME/corvid-player, or ~/.local/share/corvid-player when that is
// unset or not absolute (relative ones are ignored, as the XDG rules ask).
// Fails only when HOME is needed and is not an absolute path.
FolderOrError TrackListFolderPath(const Environment& environment);

// The same folder, created with any missing parents (mode 0700) when it is
// not there yet. Every part of it must be a folder or a link to one.
FolderOrError CreateTrackListFolder(const Environment& environment);

}  // namespace corvid::app
