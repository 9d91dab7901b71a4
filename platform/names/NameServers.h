#pragma once

#include <QUrl>
#include <cstdint>
#include <string>

namespace corvid::names {

// How the program names itself to the servers.
struct ClientIdentity {
    std::string version;      // "1.08"
    std::string projectPage;  // an address where the servers' admins can reach us
    // The CDDB greeting's user and host; gnudb wants a registered e-mail
    // address's two halves here.
    std::string cddbUser = "anonymous";
    std::string cddbHost = "localhost";
};

struct NameServers {
    QUrl musicBrainz{QStringLiteral("https://musicbrainz.org")};
    QUrl gnudb{QStringLiteral("https://gnudb.gnudb.org")};
};

struct LookupLimits {
    int requestMilliseconds = 15'000;            // from sending a request to its whole answer
    std::int64_t bodyBytes = 4 * 1024 * 1024;    // the longest answer read
    int longestRetryWaitMilliseconds = 10'000;   // a longer Retry-After is cut to this
    int musicBrainzSpacingMilliseconds = 1'000;  // between two requests to MusicBrainz
    int mostGnudbEntries = 5;                    // entries read of a list of matches
};

}  // namespace corvid::names
