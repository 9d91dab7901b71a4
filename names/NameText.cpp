#include "names/NameText.h"

#include "tracklist/TextEncoding.h"
#include "tracklist/TrackListFile.h"

namespace corvid::names {

namespace {

constexpr std::string_view REPLACEMENT_CHARACTER = "\xEF\xBF\xBD";
constexpr std::size_t LONGEST_SEQUENCE = 4;

// The length of the well-formed UTF-8 sequence at the start of `text`, or 0.
// A well-formed sequence is never the start of a longer one.
std::size_t SequenceLength(std::string_view text) {
    for (std::size_t length = 1; length <= LONGEST_SEQUENCE && length <= text.size(); ++length) {
        if (tracklist::IsValidUtf8(text.substr(0, length))) {
            return length;
        }
    }
    return 0;
}

bool IsBlankControl(unsigned char byte) {
    return byte == '\t' || byte == '\n' || byte == '\r';
}

// C0 controls, DEL, and the C1 controls (U+0080 to U+009F, encoded C2 80 to
// C2 9F).
bool IsControl(std::string_view sequence) {
    const auto lead = static_cast<unsigned char>(sequence[0]);
    if (sequence.size() == 1) {
        return lead < 0x20U || lead == 0x7FU;
    }
    return sequence.size() == 2 && lead == 0xC2U && static_cast<unsigned char>(sequence[1]) < 0xA0U;
}

std::string Trimmed(const std::string& text) {
    const std::size_t first = text.find_first_not_of(' ');
    if (first == std::string::npos) {
        return {};
    }
    const std::size_t last = text.find_last_not_of(' ');
    return text.substr(first, last - first + 1);
}

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
    std::string clean;
    clean.reserve(text.size());
    while (!text.empty()) {
        const std::size_t length = SequenceLength(text);
        if (length == 0) {
            clean += REPLACEMENT_CHARACTER;
            text.remove_prefix(1);
            continue;
        }
        const std::string_view sequence = text.substr(0, length);
        text.remove_prefix(length);
        if (length == 1 && IsBlankControl(static_cast<unsigned char>(sequence[0]))) {
            clean += ' ';
        } else if (!IsControl(sequence)) {
            clean += sequence;
        }
    }
    const std::string trimmed = Trimmed(clean);
    return Trimmed(
        std::string(tracklist::FirstCodePoints(trimmed, tracklist::MAX_VALUE_CODE_POINTS)));
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
    return row;
}

}  // namespace corvid::names
