#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <span>
#include <string>

#include "platform/cdrom/DiscImage.h"
#include "tests/drive_emulator/DriveScript.h"

// A CD drive as the Linux kernel shows it to programs: the answers of its
// CD-ROM ioctls and of the MMC commands that reach it through SG_IO or
// CDROM_SEND_PACKET, with their byte orders and units. Its disc is a cue
// image read by the player's own image code.
//
// The drive keeps no clock: every call is given the time, and says how long
// the real drive would have taken, which the caller then waits. So the model
// is tested without waiting.
//
// Threads: one call at a time (the caller holds a lock).
namespace corvid::drive_emulator {

using Clock = std::chrono::steady_clock;

// What one call answered: the kernel's return value and errno, how long the
// drive took, and a line for the log.
struct Answer {
    int result = 0;
    int error = 0;  // errno when result is -1
    std::chrono::nanoseconds driveTime{0};
    std::string log;
};

// An MMC command's outcome, as SG_IO reports it.
struct MmcAnswer {
    std::uint8_t status = 0;  // 0 GOOD, 2 CHECK CONDITION
    std::uint8_t senseKey = 0;
    std::uint8_t asc = 0;
    std::uint8_t ascq = 0;
    std::size_t transferred = 0;  // bytes written into the data buffer
    std::chrono::nanoseconds driveTime{0};
    std::string log;
};

enum class OpenMode : std::uint8_t { Shared, Exclusive };
enum class OpenWait : std::uint8_t { ForDisc, NoWait };  // without or with O_NONBLOCK

class EmulatedDrive {
  public:
    // Takes the settings of a new control file: what changed is what the
    // user did to the drive since the last one.
    void Apply(const DriveScript& script, Clock::time_point now);

    // The errno that opening the device node fails with, or 0; a successful
    // open counts as one more user of the drive until Close.
    Answer Open(OpenMode mode, OpenWait wait, Clock::time_point now);
    void Close();
    // 0 when the node exists, else its errno.
    [[nodiscard]] int NodeError() const;

    Answer Ioctl(unsigned long request, void* argument, Clock::time_point now);
    MmcAnswer Mmc(std::span<const std::uint8_t> command, std::span<std::uint8_t> data,
                  Clock::time_point now);

    // For the log and the tests.
    [[nodiscard]] TrayPosition Tray() const { return m_tray; }
    [[nodiscard]] int Speed() const { return m_speed; }
    [[nodiscard]] int Users() const;

  private:
    enum class Readiness : std::uint8_t { TrayOpen, NoDisc, SpinningUp, Ready };

    [[nodiscard]] Readiness State(Clock::time_point now) const;
    [[nodiscard]] const cdrom::Toc* DiscToc() const;
    void InsertDisc(const std::string& cueSheet, Clock::time_point now);
    void MoveTray(TrayPosition position, Clock::time_point now);
    [[nodiscard]] std::chrono::nanoseconds ReadTime(std::int32_t sectors) const;
    [[nodiscard]] bool Scratched(std::int32_t first, std::int32_t count) const;

    Answer DriveStatus(Clock::time_point now) const;
    Answer DiscStatus(Clock::time_point now) const;
    Answer MediaChanged();
    Answer ReadTocHeader(void* argument, Clock::time_point now) const;
    Answer ReadTocEntry(void* argument, Clock::time_point now) const;
    Answer MultiSession(void* argument, Clock::time_point now) const;
    Answer ReadMcn(void* argument, Clock::time_point now) const;
    Answer ReadAudio(void* argument, Clock::time_point now);
    Answer Eject(Clock::time_point now);
    Answer CloseTray(Clock::time_point now);
    Answer LockDoor(unsigned long argument);
    Answer SelectSpeed(unsigned long argument);
    Answer SendPacket(void* argument, Clock::time_point now);
    Answer ScsiGeneric(void* argument, Clock::time_point now);
    // Waits out a spin-up as the kernel does for commands that need the
    // disc: it retries every two seconds while the drive becomes ready.
    [[nodiscard]] std::chrono::nanoseconds WaitForReady(Clock::time_point now) const;

    // MMC commands.
    MmcAnswer TestUnitReady(Clock::time_point now) const;
    MmcAnswer Inquiry(std::span<const std::uint8_t> command, std::span<std::uint8_t> data) const;
    MmcAnswer ModeSense(std::span<const std::uint8_t> command, std::span<std::uint8_t> data) const;
    MmcAnswer ReadToc(std::span<const std::uint8_t> command, std::span<std::uint8_t> data,
                      Clock::time_point now) const;
    MmcAnswer ReadCd(std::span<const std::uint8_t> command, std::span<std::uint8_t> data,
                     Clock::time_point now);
    MmcAnswer GetConfiguration(std::span<const std::uint8_t> command, std::span<std::uint8_t> data,
                               Clock::time_point now) const;
    MmcAnswer StartStopUnit(std::span<const std::uint8_t> command, Clock::time_point now);
    MmcAnswer SetCdSpeed(std::span<const std::uint8_t> command);
    [[nodiscard]] MmcAnswer NotReadySense(Clock::time_point now) const;

    DriveScript m_script;
    bool m_applied = false;
    TrayPosition m_tray = TrayPosition::Closed;
    std::string m_discPath;
    std::unique_ptr<cdrom::DiscImage> m_disc;
    Clock::time_point m_readyAt{};
    bool m_mediaChanged = false;
    bool m_doorLocked = false;
    int m_speed = 0;  // 0: the drive's fastest
    int m_ownUsers = 0;
};

}  // namespace corvid::drive_emulator
