#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "names/DiscToc.h"
#include "names/ReleaseNames.h"

// Answers of a CDDB server (gnudb) to "cddb query" and "cddb read" as its
// HTTP interface sends them: a status line, then for lists and entries the
// lines up to one holding a single ".". Texts are UTF-8 at protocol level 6;
// older entries and servers send Latin-1, read here as Windows-1252 whenever
// a field is not valid UTF-8.
namespace corvid::names {

enum class CddbAnswerKind : std::uint8_t {
    Found,      // query: 200, 210 or 211 with matches; read: 210 with the entry
    NotFound,   // query: 202; read: 401
    Error,      // another 4xx or 5xx code, in `status`
    Malformed,  // not an answer of the protocol: `reason` says why
};

struct CddbMatch {
    std::string category;
    std::string discId;
    std::string title;  // "Artist / Album", as the server lists it
    DiscMatch match = DiscMatch::Exact;

    bool operator==(const CddbMatch&) const = default;
};

struct CddbQueryAnswer {
    CddbAnswerKind kind = CddbAnswerKind::Malformed;
    std::vector<CddbMatch> matches;
    int status = 0;
    std::string reason;
};

struct CddbReadAnswer {
    CddbAnswerKind kind = CddbAnswerKind::Malformed;
    ReleaseNames release;
    int status = 0;
    std::string reason;
};

CddbQueryAnswer ParseCddbQuery(std::string_view body);

// The entry's names for the disc with this TOC: TTITLEn names the disc's
// (n+1)th track, data tracks counted. Titles for tracks the disc lacks are
// dropped; tracks the entry does not name get empty titles. DTITLE is
// "Artist / Album" (the album alone names the artist too), and a track title
// "Artist / Title" names the track's own artist.
CddbReadAnswer ParseCddbRead(std::string_view body, const DiscToc& toc);

}  // namespace corvid::names
