#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace corvid::names {

enum class NameSource : std::uint8_t { MusicBrainz, Gnudb };

// Whether the database found the disc by its own table of contents, or
// offered a disc whose tracks differ (gnudb's inexact matches).
enum class DiscMatch : std::uint8_t { Exact, Inexact };

struct TrackNames {
    int number = 0;  // the disc's track number
    std::string title;
    std::string artist;

    bool operator==(const TrackNames&) const = default;
};

// One release that holds the disc, as a database names it. Texts are UTF-8
// and fit a list row (SanitizeRelease); a field the database leaves out is
// empty, a number it leaves out is 0.
struct ReleaseNames {
    NameSource source = NameSource::MusicBrainz;
    DiscMatch match = DiscMatch::Exact;
    std::string releaseId;  // MusicBrainz release id; "<category>/<disc id>" at gnudb
    std::string title;
    std::string artist;
    int year = 0;
    std::string country;
    std::string format;
    std::string label;
    std::string catalogueNumber;
    int mediumPosition = 0;  // which medium of the release the disc is, from 1
    int mediumCount = 0;
    std::vector<TrackNames> tracks;

    bool operator==(const ReleaseNames&) const = default;
};

}  // namespace corvid::names
