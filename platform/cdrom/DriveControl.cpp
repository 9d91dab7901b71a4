#include "platform/cdrom/DriveControl.h"

#include <cerrno>

namespace corvid::cdrom {

namespace {

bool MeansNoDrive(int errorNumber) {
    switch (errorNumber) {
        case ENOENT:
        case ENOTDIR:
        case ENXIO:
        case ENODEV:
        case ENOTBLK:
        case ENOTTY:
        case ENAMETOOLONG:
        case ELOOP:
            return true;
        default:
            return false;
    }
}

bool MeansNoPermission(int errorNumber) {
    return errorNumber == EACCES || errorNumber == EPERM;
}

bool MeansCannotMoveTray(int errorNumber) {
    return errorNumber == ENOSYS || errorNumber == ENOTTY || errorNumber == EOPNOTSUPP;
}

}  // namespace

DriveError OpenFailure(const std::string& devicePath, std::error_code error) {
    const int errorNumber = error.value();
    if (MeansNoDrive(errorNumber)) {
        return {MCIERR_INVALID_DEVICE_NAME, "No CD drive was found at " + devicePath + "."};
    }
    if (errorNumber == EBUSY) {
        return {MCIERR_MUST_USE_SHAREABLE,
                "The CD drive at " + devicePath + " is in use by another program."};
    }
    if (MeansNoPermission(errorNumber)) {
        return {MCIERR_HARDWARE,
                "Permission to use the CD drive at " + devicePath + " is missing."};
    }
    return {MCIERR_HARDWARE,
            "The CD drive at " + devicePath + " could not be opened: " + error.message() + "."};
}

DriveError TrayFailure(const std::string& devicePath, TrayMove move, std::error_code error) {
    const char* verb = move == TrayMove::Open ? "open" : "close";
    const int errorNumber = error.value();
    if (errorNumber == EBUSY) {
        return {MCIERR_MUST_USE_SHAREABLE, "The CD drive at " + devicePath +
                                               " is in use by another program, so its tray "
                                               "cannot " +
                                               verb + "."};
    }
    if (MeansCannotMoveTray(errorNumber)) {
        return {MCIERR_HARDWARE,
                "The CD drive at " + devicePath + " cannot " + verb + " its tray."};
    }
    return {MCIERR_HARDWARE, "The tray of the CD drive at " + devicePath + " did not " + verb +
                                 ": " + error.message() + "."};
}

}  // namespace corvid::cdrom
