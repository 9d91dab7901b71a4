#include "app/SingleInstance.h"

#include <fcntl.h>
#include <sys/file.h>

#include <cerrno>
#include <string>

namespace corvid::app {
namespace {

constexpr mode_t LOCK_FILE_MODE = 0600;

struct OpenedLock {
    tracklist::FileDescriptor file;
    std::filesystem::path path;
};

tracklist::FileDescriptor OpenLockFile(const std::filesystem::path& path) {
    // No symbolic links: in a shared temporary folder one could point anywhere.
    return tracklist::FileDescriptor(
        ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, LOCK_FILE_MODE));
}

std::optional<std::filesystem::path> RuntimeLockPath(const LockPlaces& places) {
    if (!places.runtimeFolder || !places.runtimeFolder->is_absolute()) {
        return std::nullopt;
    }
    return *places.runtimeFolder / (std::string(INSTANCE_LOCK_NAME) + ".lock");
}

std::filesystem::path FallbackLockPath(const LockPlaces& places) {
    return places.temporaryFolder /
           (std::string(INSTANCE_LOCK_NAME) + "-" + std::to_string(places.userId) + ".lock");
}

OpenedLock OpenFirstUsable(const LockPlaces& places) {
    if (const std::optional<std::filesystem::path> path = RuntimeLockPath(places)) {
        tracklist::FileDescriptor file = OpenLockFile(*path);
        if (file.IsOpen()) {
            return {std::move(file), *path};
        }
    }
    std::filesystem::path path = FallbackLockPath(places);
    tracklist::FileDescriptor file = OpenLockFile(path);
    if (!file.IsOpen()) {
        return {};
    }
    return {std::move(file), std::move(path)};
}

InstanceRole LockExclusively(const tracklist::FileDescriptor& file) {
    int result = 0;
    do {
        result = ::flock(file.Get(), LOCK_EX | LOCK_NB);
    } while (result != 0 && errno == EINTR);
    if (result != 0 && errno == EWOULDBLOCK) {
        return InstanceRole::AlreadyRunning;
    }
    return InstanceRole::FirstInstance;
}

}  // namespace

LockPlaces LockPlacesFrom(const Environment& environment, unsigned userId) {
    LockPlaces places;
    places.userId = userId;
    if (std::optional<std::string> runtime = environment("XDG_RUNTIME_DIR")) {
        places.runtimeFolder = std::move(*runtime);
    }
    const std::optional<std::string> temporary = environment("TMPDIR");
    places.temporaryFolder = (temporary && temporary->starts_with('/')) ? *temporary : "/tmp";
    return places;
}

SingleInstanceGuard SingleInstanceGuard::Acquire(const LockPlaces& places) {
    OpenedLock opened = OpenFirstUsable(places);
    if (!opened.file.IsOpen()) {
        return SingleInstanceGuard({}, {}, InstanceRole::FirstInstance);
    }
    const InstanceRole role = LockExclusively(opened.file);
    return SingleInstanceGuard(std::move(opened.file), std::move(opened.path), role);
}

}  // namespace corvid::app
