#include "platform/cdrom/CdioHandle.h"

#include <cdio/cdio.h>

#include <utility>

namespace corvid::cdrom {

void CdioDestroyer::operator()(CdIo_t* cdio) const {
    cdio_destroy(cdio);
}

CdioOpener DeviceOpener(std::string devicePath) {
    return [path = std::move(devicePath)] {
        return CdioHandle(cdio_open(path.c_str(), DRIVER_LINUX));
    };
}

}  // namespace corvid::cdrom
