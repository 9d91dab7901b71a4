#pragma once

#include "app/Environment.h"
#include "tracklist/FileDescriptor.h"

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string_view>

namespace corvid::app {

inline constexpr std::string_view INSTANCE_LOCK_NAME = "OnlyOneCorvidPlayer";

enum class InstanceRole : std::uint8_t { FirstInstance, AlreadyRunning };

// Where the lock file may live. The runtime folder is tried first; when it is
// missing, not absolute or cannot hold the file, the temporary folder is used
// with the user id in the file's name, so that users do not block each other.
struct LockPlaces {
    std::optional<std::filesystem::path> runtimeFolder;
    std::filesystem::path temporaryFolder;
    unsigned userId = 0;
};

// $XDG_RUNTIME_DIR, and $TMPDIR when it is absolute or else /tmp.
LockPlaces LockPlacesFrom(const Environment& environment, unsigned userId);

// Holds an exclusive flock on "OnlyOneCorvidPlayer.lock" for as long as it
// lives; keep it for the whole run. The lock belongs to the open file, so a
// second guard in another process sees AlreadyRunning until this one goes.
// The descriptor is close-on-exec: programs we start never hold the lock.
//
// A file that cannot be created or locked for any reason other than another
// holder counts as the first instance, so start-up goes on.
class SingleInstanceGuard {
  public:
    static SingleInstanceGuard Acquire(const LockPlaces& places);

    [[nodiscard]] InstanceRole Role() const { return m_role; }
    // The file that was opened; empty when none could be.
    [[nodiscard]] const std::filesystem::path& LockPath() const { return m_lockPath; }

  private:
    SingleInstanceGuard(tracklist::FileDescriptor lock, std::filesystem::path lockPath,
                        InstanceRole role)
        : m_lock(std::move(lock)), m_lockPath(std::move(lockPath)), m_role(role) {}

    tracklist::FileDescriptor m_lock;
    std::filesystem::path m_lockPath;
    InstanceRole m_role;
};

}  // namespace corvid::app
