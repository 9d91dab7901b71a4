#include <gtest/gtest.h>

#include <cerrno>
#include <string>
#include <system_error>

#include "platform/cdrom/CdioDrive.h"
#include "platform/cdrom/DriveControl.h"
#include "tests/support/TemporaryFolder.h"

namespace corvid::cdrom {
namespace {

std::error_code Errno(int number) {
    return {number, std::generic_category()};
}

struct OpenCase {
    int errorNumber;
    MciError code;
    std::string text;
};

TEST(DriveControlOpenFailure, NamesTheDriveAndTheCause) {
    const OpenCase cases[] = {
        {ENOENT, MCIERR_INVALID_DEVICE_NAME, "No CD drive was found at /dev/cdrom."},
        {ENODEV, MCIERR_INVALID_DEVICE_NAME, "No CD drive was found at /dev/cdrom."},
        {ENXIO, MCIERR_INVALID_DEVICE_NAME, "No CD drive was found at /dev/cdrom."},
        {ENOTDIR, MCIERR_INVALID_DEVICE_NAME, "No CD drive was found at /dev/cdrom."},
        {EBUSY, MCIERR_MUST_USE_SHAREABLE,
         "The CD drive at /dev/cdrom is in use by another program."},
        {EACCES, MCIERR_HARDWARE, "Permission to use the CD drive at /dev/cdrom is missing."},
        {EPERM, MCIERR_HARDWARE, "Permission to use the CD drive at /dev/cdrom is missing."},
        {EIO, MCIERR_HARDWARE,
         "The CD drive at /dev/cdrom could not be opened: " + Errno(EIO).message() + "."},
    };
    for (const OpenCase& entry : cases) {
        const DriveError error = OpenFailure("/dev/cdrom", Errno(entry.errorNumber));
        EXPECT_EQ(error.code, entry.code) << "errno " << entry.errorNumber;
        EXPECT_EQ(error.text, entry.text) << "errno " << entry.errorNumber;
    }
}

TEST(DriveControlTrayFailure, NamesTheDriveAndTheMove) {
    const DriveError busy = TrayFailure("/dev/sr1", TrayMove::Open, Errno(EBUSY));
    EXPECT_EQ(busy.code, MCIERR_MUST_USE_SHAREABLE);
    EXPECT_EQ(busy.text,
              "The CD drive at /dev/sr1 is in use by another program, so its tray cannot open.");

    const DriveError unable = TrayFailure("/dev/sr1", TrayMove::Close, Errno(ENOSYS));
    EXPECT_EQ(unable.code, MCIERR_HARDWARE);
    EXPECT_EQ(unable.text, "The CD drive at /dev/sr1 cannot close its tray.");

    const DriveError other = TrayFailure("/dev/sr1", TrayMove::Open, Errno(EIO));
    EXPECT_EQ(other.code, MCIERR_HARDWARE);
    EXPECT_EQ(other.text,
              "The tray of the CD drive at /dev/sr1 did not open: " + Errno(EIO).message() + ".");
}

// These run the real opening code: none of these paths is a CD drive.
TEST(OpenCdioDrive, RefusesWhatIsNoCdDrive) {
    const testing::TemporaryFolder folder;
    const std::string paths[] = {
        (folder / "missing").string(),
        folder.Write("plain-file", "not a drive").string(),
        folder.Path().string(),
        "/dev/null",
    };
    for (const std::string& path : paths) {
        const DriveOpenResult result = OpenCdioDrive(path);
        EXPECT_EQ(result.drive, nullptr) << path;
        ASSERT_TRUE(result.error.has_value()) << path;
        EXPECT_EQ(result.error->code, MCIERR_INVALID_DEVICE_NAME) << path;
        EXPECT_EQ(result.error->text, "No CD drive was found at " + path + ".");
    }
}

}  // namespace
}  // namespace corvid::cdrom
