#pragma once

#include <functional>
#include <memory>
#include <string>

// libcdio's handle, declared as <cdio/cdio.h> does, so that users of this
// header need none of libcdio's.
typedef struct _CdIo CdIo_t;  // NOLINT(modernize-use-using)

namespace corvid::cdrom {

struct CdioDestroyer {
    void operator()(CdIo_t* cdio) const;
};
using CdioHandle = std::unique_ptr<CdIo_t, CdioDestroyer>;

// Opens libcdio on the disc that is in the drive now; null when that fails.
// Called on the drive's monitor thread, once for each disc.
using CdioOpener = std::function<CdioHandle()>;

// The opener of a real drive: libcdio's Linux driver on `devicePath`.
CdioOpener DeviceOpener(std::string devicePath);

}  // namespace corvid::cdrom
