#include "platform/cdrom/LinuxDriveControl.h"

#include <fcntl.h>
#include <linux/cdrom.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <utility>

namespace corvid::cdrom {

namespace {

class FileDescriptor {
  public:
    explicit FileDescriptor(int descriptor) : m_descriptor(descriptor) {}
    ~FileDescriptor() {
        if (m_descriptor >= 0) {
            ::close(m_descriptor);
        }
    }
    FileDescriptor(FileDescriptor&& other) noexcept
        : m_descriptor(std::exchange(other.m_descriptor, -1)) {}
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    FileDescriptor& operator=(FileDescriptor&&) = delete;

    [[nodiscard]] int Get() const { return m_descriptor; }
    [[nodiscard]] bool IsOpen() const { return m_descriptor >= 0; }

  private:
    int m_descriptor;
};

std::error_code LastError() {
    return {errno, std::generic_category()};
}

std::error_code NoDrive() {
    return std::make_error_code(std::errc::no_such_device);
}

class LinuxDriveControl final : public DriveControl {
  public:
    explicit LinuxDriveControl(FileDescriptor descriptor) : m_descriptor(std::move(descriptor)) {}

    DriveStatus Status() override {
        const int status = ::ioctl(m_descriptor.Get(), CDROM_DRIVE_STATUS, CDSL_CURRENT);
        // The kernel answers every call on a drive that was unplugged with
        // ENODEV; its descriptor never works again.
        if (status < 0 && (errno == ENODEV || errno == ENXIO)) {
            return DriveStatus::Gone;
        }
        switch (status) {
            case CDS_NO_DISC:
                return DriveStatus::NoDisc;
            case CDS_TRAY_OPEN:
                return DriveStatus::TrayOpen;
            case CDS_DRIVE_NOT_READY:
                return DriveStatus::NotReady;
            case CDS_DISC_OK:
                return DriveStatus::DiscOk;
            default:
                return DriveStatus::NoInfo;
        }
    }

    MediaChange TakeMediaChange() override {
        const int changed = ::ioctl(m_descriptor.Get(), CDROM_MEDIA_CHANGED, CDSL_CURRENT);
        if (changed < 0) {
            return MediaChange::Unknown;
        }
        return changed > 0 ? MediaChange::Changed : MediaChange::Unchanged;
    }

    std::error_code OpenTray() override {
        // Fails harmlessly when the door is not locked or not ours to unlock.
        ::ioctl(m_descriptor.Get(), CDROM_LOCKDOOR, 0);
        return Call(CDROMEJECT, 0);
    }

    std::error_code CloseTray() override { return Call(CDROMCLOSETRAY, 0); }

    std::error_code SelectSpeed(int timesAudioRate) override {
        return Call(CDROM_SELECT_SPEED, timesAudioRate);
    }

  private:
    std::error_code Call(unsigned long request, int argument) {
        if (::ioctl(m_descriptor.Get(), request, argument) < 0) {
            return LastError();
        }
        return {};
    }

    FileDescriptor m_descriptor;
};

}  // namespace

DriveControlOpenResult OpenLinuxDriveControl(const std::string& devicePath) {
    FileDescriptor descriptor(::open(devicePath.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    if (!descriptor.IsOpen()) {
        return {nullptr, LastError()};
    }
    struct stat status {};
    if (::fstat(descriptor.Get(), &status) != 0 || !S_ISBLK(status.st_mode)) {
        return {nullptr, NoDrive()};
    }
    if (::ioctl(descriptor.Get(), CDROM_GET_CAPABILITY, 0) < 0) {
        return {nullptr, NoDrive()};
    }
    return {std::make_unique<LinuxDriveControl>(std::move(descriptor)), {}};
}

}  // namespace corvid::cdrom
