#include "app/UserFolders.h"

#include <sys/stat.h>

#include <cerrno>
#include <optional>

namespace corvid::app {
namespace {

constexpr mode_t CREATED_FOLDER_MODE = 0700;

std::optional<std::filesystem::path> AbsoluteVariable(const Environment& environment,
                                                      std::string_view name) {
    const std::optional<std::string> value = environment(name);
    if (!value || value->empty() || value->front() != '/') {
        return std::nullopt;
    }
    return std::filesystem::path(*value);
}

FolderError CannotCreate(const std::filesystem::path& folder, int errorNumber) {
    const std::error_code cause(errorNumber, std::generic_category());
    return {cause, folder.string() + ": cannot be created: " + cause.message()};
}

bool IsFolder(const std::filesystem::path& path) {
    struct stat status {};
    return ::stat(path.c_str(), &status) == 0 && S_ISDIR(status.st_mode);
}

// One step of the walk down from the root: makes `folder` unless it is there.
std::optional<FolderError> MakeFolder(const std::filesystem::path& folder) {
    if (::mkdir(folder.c_str(), CREATED_FOLDER_MODE) == 0) {
        return std::nullopt;
    }
    const int errorNumber = errno;
    if (errorNumber != EEXIST) {
        return CannotCreate(folder, errorNumber);
    }
    if (!IsFolder(folder)) {
        return CannotCreate(folder, ENOTDIR);
    }
    return std::nullopt;
}

}  // namespace

FolderOrError TrackListFolderPath(const Environment& environment) {
    if (const std::optional<std::filesystem::path> dataHome =
            AbsoluteVariable(environment, "XDG_DATA_HOME")) {
        return *dataHome / PROGRAM_FOLDER_NAME;
    }
    const std::optional<std::filesystem::path> home = AbsoluteVariable(environment, "HOME");
    if (!home) {
        return FolderError{std::make_error_code(std::errc::no_such_file_or_directory),
                           "no folder for the track lists: HOME is not an absolute path"};
    }
    return *home / ".local" / "share" / PROGRAM_FOLDER_NAME;
}

FolderOrError CreateTrackListFolder(const Environment& environment) {
    FolderOrError folder = TrackListFolderPath(environment);
    const auto* path = std::get_if<std::filesystem::path>(&folder);
    if (path == nullptr) {
        return folder;
    }
    std::filesystem::path partial;
    for (const std::filesystem::path& part : *path) {
        partial /= part;
        if (part.empty() || partial == partial.root_path()) {
            continue;
        }
        if (std::optional<FolderError> error = MakeFolder(partial)) {
            return *std::move(error);
        }
    }
    return folder;
}

}  // namespace corvid::app
