#pragma once

#include <optional>
#include <string>

#include "names/DiscToc.h"

namespace corvid::names {

// The IDs a disc is known by online, computed by libdiscid.
struct DiscIds {
    std::string musicBrainzId;  // of the audio session (MusicBrainzToc)
    std::string tocString;      // "first last lead-out offsets...", as MusicBrainz takes it
    std::string freedbId;       // eight hex digits, of the whole disc, data tracks included
};

// Nothing when the TOC cannot give an ID (CheckToc) or libdiscid refuses it.
std::optional<DiscIds> ComputeDiscIds(const DiscToc& toc);

}  // namespace corvid::names
