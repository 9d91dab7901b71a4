#pragma once

#include <string>

#include "platform/cdrom/DriveControl.h"

namespace corvid::cdrom {

// Opens the CD drive at `devicePath` for the kernel's CD-ROM ioctls, without
// waiting for a disc. A path that does not exist or is not a CD drive fails
// with ENOENT or ENODEV; a drive held exclusively by another program with EBUSY.
DriveControlOpenResult OpenLinuxDriveControl(const std::string& devicePath);

}  // namespace corvid::cdrom
