#include "names/NameText.h"

#include "tracklist/TextEncoding.h"
#include "tracklist/TrackListFile.h"

namespace corvid::names {

namespace {

void AppendPart(std::string& row, const std::string& part) {
    if (part.empty()) {
        return;
    }
    if (!row.empty()) {
        row += ", ";
    }
    row += part;
}

std::string JoinedWithBlank(const std::string& first, const std::string& second) {
    if (first.empty() || second.empty()) {
        return first + second;
    }
    return first + " " + second;
}

}  // namespace

std::string SanitizeListText(std::string_view text) {
    // Names from the network drop their C1 controls: a service that sends
    // UTF-8 has no Latin-1 to misread.
    return tracklist::RowText(tracklist::WithReplacementCharacters(text),
                              tracklist::MAX_VALUE_CODE_POINTS);
}

void SanitizeRelease(ReleaseNames& release) {
    for (std::string* text : {&release.releaseId, &release.title, &release.artist, &release.country,
                              &release.format, &release.label, &release.catalogueNumber}) {
        *text = SanitizeListText(*text);
    }
    for (TrackNames& track : release.tracks) {
        track.title = SanitizeListText(track.title);
        track.artist = SanitizeListText(track.artist);
    }
}

std::string ChooserRowText(const ReleaseNames& release) {
    std::string row;
    if (release.artist.empty() || release.title.empty()) {
        row = release.artist + release.title;
    } else {
        row = release.artist + " - " + release.title;
    }
    AppendPart(row, release.year > 0 ? std::to_string(release.year) : std::string());
    AppendPart(row, release.country);
    AppendPart(row, release.format);
    AppendPart(row, JoinedWithBlank(release.label, release.catalogueNumber));
    if (release.mediumCount > 1 && release.mediumPosition > 0) {
        AppendPart(row, "disc " + std::to_string(release.mediumPosition) + " of " +
                            std::to_string(release.mediumCount));
    }
    // gnudb files one disc under several categories; the category is what
    // tells such rows apart.
    if (release.source == NameSource::Gnudb) {
        AppendPart(row, "gnudb " + release.releaseId.substr(0, release.releaseId.find('/')));
    }
    if (release.match == DiscMatch::Inexact) {
        AppendPart(row, "tracks differ from this disc");
    }
    return row;
}

}  // namespace corvid::names
