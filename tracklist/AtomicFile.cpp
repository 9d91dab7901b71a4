#include "tracklist/AtomicFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <random>
#include <utility>

#include "tracklist/FileDescriptor.h"

namespace corvid::tracklist {

namespace {

namespace fs = std::filesystem;

// As many links as the kernel itself follows before it gives up.
constexpr int MAX_LINKS_FOLLOWED = 40;
// Room for the temporary name's dot and suffix within NAME_MAX.
constexpr std::size_t MAX_NAME_BYTES_IN_TEMPORARY = 200;
constexpr int TEMPORARY_NAME_ATTEMPTS = 100;
constexpr mode_t NEW_FILE_MODE = 0666;
constexpr mode_t PERMISSION_BITS = 07777;

FileError MakeError(const fs::path& path, std::string_view what, std::error_code cause) {
    return {cause, path.string() + ": " + std::string(what) + ": " + cause.message()};
}

struct ResolvedPath {
    fs::path path;
    std::error_code error;
};

// The path with every symbolic link of its last component followed; the end
// of a dangling link is where a new file goes.
ResolvedPath FollowLinks(fs::path path) {
    for (int followed = 0; followed < MAX_LINKS_FOLLOWED; ++followed) {
        std::error_code error;
        const fs::file_status status = fs::symlink_status(path, error);
        if (status.type() != fs::file_type::symlink) {
            return {path, {}};
        }
        const fs::path target = fs::read_symlink(path, error);
        if (error) {
            return {path, error};
        }
        path = target.is_absolute() ? target : path.parent_path() / target;
    }
    return {path, std::make_error_code(std::errc::too_many_symbolic_link_levels)};
}

fs::path FolderOf(const fs::path& path) {
    return path.has_parent_path() ? path.parent_path() : fs::path(".");
}

std::string RandomSuffix() {
    static constexpr std::string_view LETTERS =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    std::random_device source;
    std::uniform_int_distribution<std::size_t> pick(0, LETTERS.size() - 1);
    std::string suffix(6, ' ');
    for (char& letter : suffix) {
        letter = LETTERS[pick(source)];
    }
    return suffix;
}

// A temporary file that is removed unless it has been renamed into place.
class TemporaryFile {
  public:
    TemporaryFile() = default;
    TemporaryFile(FileDescriptor file, fs::path path)
        : m_file(std::move(file)), m_path(std::move(path)) {}
    ~TemporaryFile() {
        m_file.Close();
        if (!m_path.empty()) {
            ::unlink(m_path.c_str());
        }
    }
    TemporaryFile(TemporaryFile&& other) noexcept
        : m_file(std::move(other.m_file)), m_path(std::exchange(other.m_path, {})) {}
    TemporaryFile& operator=(TemporaryFile&&) = delete;
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;

    [[nodiscard]] const FileDescriptor& File() const { return m_file; }
    [[nodiscard]] const fs::path& Path() const { return m_path; }
    std::error_code Close() { return m_file.Close(); }
    void Keep() { m_path.clear(); }

  private:
    FileDescriptor m_file;
    fs::path m_path;
};

struct TemporaryResult {
    std::optional<TemporaryFile> file;
    std::error_code error;
};

TemporaryResult CreateTemporary(const fs::path& target) {
    const std::string name = target.filename().string();
    const std::string stem = "." + name.substr(0, MAX_NAME_BYTES_IN_TEMPORARY) + ".";
    for (int attempt = 0; attempt < TEMPORARY_NAME_ATTEMPTS; ++attempt) {
        fs::path path = FolderOf(target) / (stem + RandomSuffix() + ".tmp");
        FileDescriptor file(::open(
            path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, NEW_FILE_MODE));
        if (file.IsOpen()) {
            return {TemporaryFile(std::move(file), std::move(path)), {}};
        }
        if (errno != EEXIST) {
            return {std::nullopt, LastError()};
        }
    }
    return {std::nullopt, std::make_error_code(std::errc::file_exists)};
}

// The old file's mode goes to the new one. Its owner too where we may set it:
// only root may, and failing is no reason to refuse the save.
std::error_code TakeOverAttributes(const TemporaryFile& temporary, const struct stat& old) {
    if (::fchmod(temporary.File().Get(), old.st_mode & PERMISSION_BITS) != 0) {
        return LastError();
    }
    struct stat current {};
    if (::fstat(temporary.File().Get(), &current) == 0 &&
        (current.st_uid != old.st_uid || current.st_gid != old.st_gid)) {
        [[maybe_unused]] const int ignored =
            ::fchown(temporary.File().Get(), old.st_uid, old.st_gid);
    }
    return {};
}

std::error_code WriteAll(const FileDescriptor& file, std::string_view bytes,
                         const SaveObserver& observer) {
    while (!bytes.empty()) {
        const std::size_t chunk = std::min(bytes.size(), SAVE_CHUNK_BYTES);
        const ssize_t written = ::write(file.Get(), bytes.data(), chunk);
        if (written < 0 && errno == EINTR) {
            continue;
        }
        if (written < 0) {
            return LastError();
        }
        if (written == 0) {
            return std::make_error_code(std::errc::io_error);
        }
        bytes.remove_prefix(static_cast<std::size_t>(written));
        if (observer) {
            observer(SaveStep::ChunkWritten);
        }
    }
    return {};
}

// Best effort: the sync only makes a finished rename survive a power cut
// sooner. The new file is in place already, so the save has succeeded whether
// or not the folder can be opened and synced.
void SyncFolder(const fs::path& folder) {
    const FileDescriptor handle(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (handle.IsOpen()) {
        [[maybe_unused]] const int ignored = ::fsync(handle.Get());
    }
}

struct Existing {
    std::optional<struct stat> status;
    std::optional<FileError> refusal;
};

// What is at the target now, or why we may not replace it.
Existing CheckTarget(const fs::path& target) {
    struct stat status {};
    if (::stat(target.c_str(), &status) != 0) {
        if (errno == ENOENT) {
            return {};
        }
        return {std::nullopt, MakeError(target, "cannot be written", LastError())};
    }
    if (S_ISDIR(status.st_mode)) {
        return {std::nullopt, MakeError(target, "cannot be written",
                                        std::make_error_code(std::errc::is_a_directory))};
    }
    if (!S_ISREG(status.st_mode)) {
        return {std::nullopt, MakeError(target, "is not a regular file",
                                        std::make_error_code(std::errc::invalid_argument))};
    }
    if (::faccessat(AT_FDCWD, target.c_str(), W_OK, AT_EACCESS) != 0) {
        return {std::nullopt, MakeError(target, "cannot be written", LastError())};
    }
    return {status, std::nullopt};
}

void Tell(const SaveObserver& observer, SaveStep step) {
    if (observer) {
        observer(step);
    }
}

}  // namespace

std::optional<FileError> WriteFileAtomically(const fs::path& path, std::string_view bytes,
                                             const SaveObserver& observer) {
    const ResolvedPath resolved = FollowLinks(path);
    if (resolved.error) {
        return MakeError(path, "cannot be written", resolved.error);
    }
    const fs::path& target = resolved.path;
    const Existing existing = CheckTarget(target);
    if (existing.refusal) {
        return existing.refusal;
    }
    TemporaryResult created = CreateTemporary(target);
    if (!created.file) {
        return MakeError(target, "cannot make a temporary file beside it", created.error);
    }
    TemporaryFile& temporary = *created.file;
    if (existing.status) {
        if (const std::error_code error = TakeOverAttributes(temporary, *existing.status)) {
            return MakeError(temporary.Path(), "cannot set the mode", error);
        }
    }
    Tell(observer, SaveStep::TemporaryCreated);
    if (const std::error_code error = WriteAll(temporary.File(), bytes, observer)) {
        return MakeError(target, "cannot be written", error);
    }
    if (::fsync(temporary.File().Get()) != 0) {
        return MakeError(target, "cannot be written", LastError());
    }
    Tell(observer, SaveStep::TemporarySynced);
    if (const std::error_code error = temporary.Close()) {
        return MakeError(target, "cannot be written", error);
    }
    if (::rename(temporary.Path().c_str(), target.c_str()) != 0) {
        return MakeError(target, "cannot be replaced", LastError());
    }
    temporary.Keep();
    Tell(observer, SaveStep::Renamed);
    SyncFolder(FolderOf(target));
    return std::nullopt;
}

}  // namespace corvid::tracklist
