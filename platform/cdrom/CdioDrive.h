#pragma once

#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "platform/cdrom/CdioHandle.h"
#include "platform/cdrom/CdioPollClock.h"
#include "platform/cdrom/Drive.h"
#include "platform/cdrom/DriveControl.h"

namespace corvid::cdrom {

class CdioDisc;

inline constexpr std::chrono::milliseconds DRIVE_POLL_INTERVAL{500};
inline constexpr int QUIET_SPEED = 4;  // multiples of the audio rate
inline constexpr int FAST_SPEED = 8;

// Opens the real CD drive at `devicePath`: the kernel's control of it and
// libcdio for its discs, polled twice a second.
DriveOpenResult OpenCdioDrive(const std::string& devicePath);

struct CdioDriveParts {
    std::string name;  // the device path, for messages
    std::unique_ptr<DriveControl> control;
    CdioOpener openDisc;
    std::unique_ptr<PollClock> clock;
};

// A real CD drive. A monitor thread polls the kernel's drive status and keeps
// the state that the queries answer from: when a disc is found or changed,
// it reads the disc's table of contents once with libcdio; until then the
// drive is NotReady. A disc whose table of contents is known stays in until
// the kernel reports the tray open, no disc, or a change of media: a drive
// that reports itself not ready while spinning up again keeps its disc.
//
// Threads: as Drive. The monitor's polls never hold the lock that the state
// queries take, except to copy.
class CdioDrive final : public Drive {
  public:
    explicit CdioDrive(CdioDriveParts parts);
    ~CdioDrive() override;
    CdioDrive(const CdioDrive&) = delete;
    CdioDrive& operator=(const CdioDrive&) = delete;

    DriveState State() override;
    std::shared_ptr<const Toc> CurrentToc() override;
    std::shared_ptr<const DiscNames> CurrentNames() override;
    bool TakeDiscChanged() override;
    std::optional<DriveError> OpenTray() override;
    std::optional<DriveError> CloseTray() override;
    ReadResult ReadAudio(Lba start, std::span<std::int16_t> samples) override;
    void SetReadSpeed(ReadSpeed speed) override;
    std::string Name() const override { return m_name; }

    // Polls the drive now, on the caller's thread, as the monitor does.
    void PollNow();

  private:
    void MonitorLoop();
    // The callers hold m_pollMutex.
    void PollLocked();
    void LoadDiscLocked(DriveStatus status);
    void ForgetDiscLocked(DriveState state);
    void PublishDiscLocked(std::shared_ptr<CdioDisc> disc);

    void Publish(DriveState state, std::shared_ptr<CdioDisc> disc);
    // Waits until no read holds `disc` any more, so that its descriptor is closed.
    void WaitUntilReleased(const std::weak_ptr<CdioDisc>& disc);
    [[nodiscard]] bool HasDisc() const;
    [[nodiscard]] std::shared_ptr<CdioDisc> CurrentDisc() const;

    const std::string m_name;
    const std::unique_ptr<DriveControl> m_control;
    const CdioOpener m_openDisc;
    const std::unique_ptr<PollClock> m_clock;

    // One poll at a time: the monitor's, or a tray command's.
    std::mutex m_pollMutex;
    std::shared_ptr<const Toc> m_lastToc;  // of the last disc found, kept after it left
    bool m_discMayHaveChanged = false;
    int m_pollsBeforeRetry = 0;

    mutable std::mutex m_cacheMutex;
    std::condition_variable m_readEnded;  // a read let its disc go
    DriveState m_state = DriveState::NotReady;
    std::shared_ptr<CdioDisc> m_disc;
    bool m_discChanged = false;

    std::thread m_monitor;
};

}  // namespace corvid::cdrom
