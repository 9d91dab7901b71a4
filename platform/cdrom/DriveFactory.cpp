#include "platform/cdrom/CdioDrive.h"
#include "platform/cdrom/Drive.h"
#include "platform/cdrom/ImageDrive.h"

namespace corvid::cdrom {

DriveOpenResult OpenDrive(const DriveLocation& location) {
    if (location.kind == DriveLocation::Kind::Image) {
        return OpenImageDrive(location.path);
    }
    return OpenCdioDrive(location.path.string());
}

}  // namespace corvid::cdrom
