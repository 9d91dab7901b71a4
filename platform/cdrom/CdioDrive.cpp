#include "platform/cdrom/CdioDrive.h"

#include <utility>

#include "platform/cdrom/CdioDisc.h"
#include "platform/cdrom/CdioToc.h"
#include "platform/cdrom/LinuxDriveControl.h"

namespace corvid::cdrom {

namespace {

// A disc whose table of contents could not be read is tried again after this
// many polls, not at every one.
constexpr int POLLS_BETWEEN_RETRIES = 10;

int TimesAudioRate(ReadSpeed speed) {
    return speed == ReadSpeed::Quiet ? QUIET_SPEED : FAST_SPEED;
}

}  // namespace

DriveOpenResult OpenCdioDrive(const std::string& devicePath) {
    DriveControlOpenResult opened = OpenLinuxDriveControl(devicePath);
    if (!opened.control) {
        return {nullptr, OpenFailure(devicePath, opened.error)};
    }
    CdioDriveParts parts{devicePath, std::move(opened.control), DeviceOpener(devicePath),
                         std::make_unique<IntervalPollClock>(DRIVE_POLL_INTERVAL)};
    auto drive = std::make_unique<CdioDrive>(std::move(parts));
    // The first answers are those of the disc in the drive now, not "not
    // ready" until the monitor thread has read it: a program that opens the
    // device and asks at once gets the disc.
    drive->PollNow();
    return {std::move(drive), std::nullopt};
}

CdioDrive::CdioDrive(CdioDriveParts parts)
    : m_name(std::move(parts.name)),
      m_control(std::move(parts.control)),
      m_openDisc(std::move(parts.openDisc)),
      m_clock(std::move(parts.clock)) {
    m_monitor = std::thread([this] { MonitorLoop(); });
}

CdioDrive::~CdioDrive() {
    m_clock->Stop();
    m_monitor.join();
}

void CdioDrive::MonitorLoop() {
    while (m_clock->WaitForNextPoll()) {
        std::lock_guard lock(m_pollMutex);
        PollLocked();
    }
}

void CdioDrive::PollNow() {
    std::lock_guard lock(m_pollMutex);
    PollLocked();
}

void CdioDrive::PollLocked() {
    const DriveStatus status = m_control->Status();
    const MediaChange change = m_control->TakeMediaChange();
    if (status == DriveStatus::TrayOpen) {
        ForgetDiscLocked(DriveState::TrayOpen);
        return;
    }
    // A drive that is gone has no disc, though its last status said so.
    if (status == DriveStatus::NoDisc || status == DriveStatus::Gone) {
        ForgetDiscLocked(DriveState::NoDisc);
        // The disc left, perhaps between two looks of the player: a change,
        // told once, so that its list is not kept for an empty drive.
        if (std::exchange(m_lastToc, nullptr)) {
            std::lock_guard lock(m_cacheMutex);
            m_discChanged = true;
        }
        return;
    }
    if (change == MediaChange::Changed) {
        ForgetDiscLocked(DriveState::NotReady);
    }
    if (HasDisc()) {
        return;
    }
    if (status == DriveStatus::NotReady) {
        Publish(DriveState::NotReady, nullptr);
        return;
    }
    LoadDiscLocked(status);
}

void CdioDrive::LoadDiscLocked(DriveStatus status) {
    if (m_pollsBeforeRetry > 0) {
        --m_pollsBeforeRetry;
        return;
    }
    Publish(DriveState::NotReady, nullptr);
    std::shared_ptr<CdioDisc> disc = CdioDisc::Load(m_openDisc(), m_name);
    if (!disc) {
        m_pollsBeforeRetry = POLLS_BETWEEN_RETRIES;
        // A drive that cannot tell its status has no disc we can use.
        Publish(status == DriveStatus::NoInfo ? DriveState::NoDisc : DriveState::NotReady, nullptr);
        return;
    }
    PublishDiscLocked(std::move(disc));
}

void CdioDrive::PublishDiscLocked(std::shared_ptr<CdioDisc> disc) {
    const std::shared_ptr<const Toc>& toc = disc->GetToc();
    const bool changed = m_lastToc && (m_discMayHaveChanged || *m_lastToc != *toc);
    m_lastToc = toc;
    m_discMayHaveChanged = false;
    std::lock_guard lock(m_cacheMutex);
    m_state = DriveState::Ready;
    m_disc = std::move(disc);
    m_discChanged = m_discChanged || changed;
}

void CdioDrive::ForgetDiscLocked(DriveState state) {
    m_discMayHaveChanged = true;
    m_pollsBeforeRetry = 0;
    Publish(state, nullptr);
}

void CdioDrive::Publish(DriveState state, std::shared_ptr<CdioDisc> disc) {
    std::shared_ptr<CdioDisc> released;
    std::lock_guard lock(m_cacheMutex);
    m_state = state;
    // The old disc closes after the lock is let go.
    released = std::exchange(m_disc, std::move(disc));
}

bool CdioDrive::HasDisc() const {
    std::lock_guard lock(m_cacheMutex);
    return m_disc != nullptr;
}

void CdioDrive::WaitUntilReleased(const std::weak_ptr<CdioDisc>& disc) {
    std::unique_lock lock(m_cacheMutex);
    m_readEnded.wait(lock, [&] { return disc.expired(); });
}

std::shared_ptr<CdioDisc> CdioDrive::CurrentDisc() const {
    std::lock_guard lock(m_cacheMutex);
    return m_disc;
}

DriveState CdioDrive::State() {
    std::lock_guard lock(m_cacheMutex);
    return m_state;
}

std::shared_ptr<const Toc> CdioDrive::CurrentToc() {
    std::lock_guard lock(m_cacheMutex);
    if (m_state != DriveState::Ready || !m_disc) {
        return nullptr;
    }
    return m_disc->GetToc();
}

std::shared_ptr<const DiscNames> CdioDrive::CurrentNames() {
    std::lock_guard lock(m_cacheMutex);
    if (m_state != DriveState::Ready || !m_disc) {
        return nullptr;
    }
    return m_disc->GetNames();
}

bool CdioDrive::TakeDiscChanged() {
    std::lock_guard lock(m_cacheMutex);
    return std::exchange(m_discChanged, false);
}

std::optional<DriveError> CdioDrive::OpenTray() {
    std::lock_guard lock(m_pollMutex);
    // The kernel refuses to eject while libcdio holds the device open too:
    // the disc closes once a read that still has it ends.
    const std::weak_ptr<CdioDisc> disc = CurrentDisc();
    Publish(DriveState::NotReady, nullptr);
    WaitUntilReleased(disc);
    const std::error_code error = m_control->OpenTray();
    PollLocked();
    if (error) {
        return TrayFailure(m_name, TrayMove::Open, error);
    }
    return std::nullopt;
}

std::optional<DriveError> CdioDrive::CloseTray() {
    std::lock_guard lock(m_pollMutex);
    const std::error_code error = m_control->CloseTray();
    m_pollsBeforeRetry = 0;
    PollLocked();
    if (error) {
        return TrayFailure(m_name, TrayMove::Close, error);
    }
    return std::nullopt;
}

ReadResult CdioDrive::ReadAudio(Lba start, std::span<std::int16_t> samples) {
    if (samples.size() < static_cast<std::size_t>(SAMPLES_PER_SECTOR)) {
        return {};
    }
    std::shared_ptr<CdioDisc> disc = CurrentDisc();
    if (!disc) {
        return {0,
                DriveError{MCIERR_DEVICE_NOT_READY, "There is no disc ready in " + m_name + "."}};
    }
    ReadResult result = disc->ReadAudio(start, samples);
    // A tray that waits to open may now find the disc closed.
    disc.reset();
    { std::lock_guard lock(m_cacheMutex); }
    m_readEnded.notify_all();
    return result;
}

void CdioDrive::SetReadSpeed(ReadSpeed speed) {
    const std::shared_ptr<CdioDisc> disc = CurrentDisc();
    if (!disc || disc->Speed() == speed) {
        return;
    }
    if (!m_control->SelectSpeed(TimesAudioRate(speed))) {
        disc->SetSpeed(speed);
    }
}

}  // namespace corvid::cdrom
