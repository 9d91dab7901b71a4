#pragma once

// What every release read from a database's answer must hold, whatever the
// answer's bytes: texts that fit a list row.

#include <cstdlib>
#include <string>

#include "names/ReleaseNames.h"
#include "tracklist/TextEncoding.h"
#include "tracklist/TrackListFile.h"

namespace corvid::names::fuzz {

inline void CheckText(const std::string& text) {
    if (!tracklist::IsValidUtf8(text) ||
        tracklist::CodePointCount(text) > tracklist::MAX_VALUE_CODE_POINTS) {
        std::abort();
    }
    for (const char byte : text) {
        if (static_cast<unsigned char>(byte) < 0x20U) {
            std::abort();
        }
    }
}

inline void CheckRelease(const ReleaseNames& release) {
    for (const std::string* text :
         {&release.releaseId, &release.title, &release.artist, &release.country, &release.format,
          &release.label, &release.catalogueNumber}) {
        CheckText(*text);
    }
    for (const TrackNames& track : release.tracks) {
        CheckText(track.title);
        CheckText(track.artist);
    }
}

}  // namespace corvid::names::fuzz
