#pragma once

#include "cdaudio/DiscNames.h"
#include "platform/cdrom/CdioHandle.h"
#include "platform/cdrom/Toc.h"

namespace corvid::cdrom {

// The disc's and its tracks' titles and performers from the CD-TEXT that the
// drive read from the lead-in, in the first language the disc holds. Empty
// when the disc has none. Real drives report no index marks: finding them
// would take a scan of the subchannel.
DiscNames ReadCdText(CdIo_t* cdio, const Toc& toc);

}  // namespace corvid::cdrom
