#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <system_error>

#include "platform/cdrom/Drive.h"

namespace corvid::cdrom {

// What the kernel tells of a drive's tray and disc.
enum class DriveStatus : std::uint8_t {
    NoInfo,  // the drive cannot tell
    NoDisc,
    TrayOpen,
    NotReady,  // a disc may be in; the drive cannot read it yet
    DiscOk,
    Gone,  // the drive no longer answers: unplugged, its descriptor dead
};

enum class MediaChange : std::uint8_t { Unchanged, Changed, Unknown };

enum class TrayMove : std::uint8_t { Open, Close };

// The kernel's side of one CD drive: its status, tray and speed, but not its
// reading, which goes through libcdio.
//
// Threads: any method may be called from any thread, also at the same time.
// Each call blocks until the drive has answered. A failure is the errno the
// kernel gave.
class DriveControl {
  public:
    virtual ~DriveControl() = default;

    [[nodiscard]] virtual DriveStatus Status() = 0;
    // Whether the disc was changed since the previous call.
    [[nodiscard]] virtual MediaChange TakeMediaChange() = 0;
    // Releases a door lock first, so that only another program's hold can
    // keep the tray shut.
    virtual std::error_code OpenTray() = 0;
    virtual std::error_code CloseTray() = 0;
    // In multiples of the audio rate (176.4 kB/s); 0 asks for the maximum.
    virtual std::error_code SelectSpeed(int timesAudioRate) = 0;
};

struct DriveControlOpenResult {
    std::unique_ptr<DriveControl> control;  // null on failure
    std::error_code error;                  // set on failure
};

// What the device answers when the drive at `devicePath` could not be opened
// for `error`: a path that is no CD drive, a drive held by another program,
// missing permission.
DriveError OpenFailure(const std::string& devicePath, std::error_code error);

// What the device answers when the tray did not move for `error`.
DriveError TrayFailure(const std::string& devicePath, TrayMove move, std::error_code error);

}  // namespace corvid::cdrom
