#pragma once

#include <QByteArray>
#include <optional>
#include <string>
#include <vector>

#include "names/ReleaseNames.h"

namespace corvid::names {

struct MusicBrainzReleases {
    std::vector<ReleaseNames> releases;    // may be empty: no medium holds the disc
    std::optional<std::string> malformed;  // why the answer could not be read
};

// The releases in MusicBrainz's JSON answer to /ws/2/discid/<id> with
// inc=artist-credits+labels+recordings, each named for the medium that holds
// the disc ID (the first such medium when several do). Fields of the wrong
// type count as absent; invalid UTF-8 becomes U+FFFD.
MusicBrainzReleases ReadMusicBrainzReleases(const QByteArray& body, const std::string& discId);

}  // namespace corvid::names
