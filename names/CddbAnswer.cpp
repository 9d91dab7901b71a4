#include "names/CddbAnswer.h"

#include <algorithm>
#include <charconv>
#include <map>
#include <optional>

#include "names/NameText.h"
#include "tracklist/TextEncoding.h"

namespace corvid::names {

namespace {

constexpr int EXACT_MATCH = 200;
constexpr int NO_MATCH = 202;
constexpr int MATCH_LIST = 210;
constexpr int INEXACT_MATCH_LIST = 211;
constexpr int ENTRY_FOLLOWS = 210;
constexpr int ENTRY_NOT_FOUND = 401;
constexpr int FIRST_ERROR = 400;
constexpr int LAST_ERROR = 599;
constexpr std::size_t STATUS_DIGITS = 3;
// TTITLE0 to TTITLE98: a longer index names no track of any disc.
constexpr std::size_t MAX_INDEX_DIGITS = 2;
constexpr std::string_view TITLE_SEPARATOR = " / ";

// The body's lines without their line ends, up to the terminating "." when
// there is one.
class Lines {
  public:
    explicit Lines(std::string_view body) : rest(body) {}

    std::optional<std::string_view> Next() {
        if (rest.empty() || ended) {
            return std::nullopt;
        }
        const std::size_t end = rest.find('\n');
        std::string_view line = rest.substr(0, end);
        rest = end == std::string_view::npos ? std::string_view() : rest.substr(end + 1);
        if (!line.empty() && line.back() == '\r') {
            line.remove_suffix(1);
        }
        if (line == ".") {
            ended = true;
            return std::nullopt;
        }
        return line;
    }

    // Whether the terminating "." was read: an answer cut off in transit
    // has none.
    [[nodiscard]] bool Ended() const { return ended; }

  private:
    std::string_view rest;
    bool ended = false;
};

constexpr std::string_view CUT_OFF = "the answer ends before its last line";

// The entry format writes a newline, a tab and a backslash inside a value
// as \n, \t and \\; any other backslash is kept as it stands.
std::string Unescaped(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t at = 0; at < text.size(); ++at) {
        if (text[at] != '\\' || at + 1 == text.size()) {
            out += text[at];
            continue;
        }
        switch (text[at + 1]) {
            case 'n':
                out += '\n';
                break;
            case 't':
                out += '\t';
                break;
            case '\\':
                out += '\\';
                break;
            default:
                out += text[at];
                continue;
        }
        ++at;
    }
    return out;
}

bool NamesAnything(const ReleaseNames& release) {
    return !release.title.empty() ||
           std::any_of(release.tracks.begin(), release.tracks.end(),
                       [](const TrackNames& track) { return !track.title.empty(); });
}

struct StatusLine {
    int code = 0;
    std::string_view text;  // what follows the code and its blank
};

std::optional<StatusLine> ReadStatus(std::string_view line) {
    if (line.size() < STATUS_DIGITS) {
        return std::nullopt;
    }
    StatusLine status;
    const auto [end, error] =
        std::from_chars(line.data(), line.data() + STATUS_DIGITS, status.code);
    if (error != std::errc() || end != line.data() + STATUS_DIGITS) {
        return std::nullopt;
    }
    status.text = line.substr(STATUS_DIGITS);
    if (!status.text.empty() && status.text.front() == ' ') {
        status.text.remove_prefix(1);
    }
    return status;
}

bool IsError(int code) {
    return code >= FIRST_ERROR && code <= LAST_ERROR;
}

std::string_view NextWord(std::string_view& text) {
    const std::size_t end = text.find(' ');
    const std::string_view word = text.substr(0, end);
    text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
    return word;
}

// "category discid Artist / Album".
std::optional<CddbMatch> ReadMatch(std::string_view text) {
    CddbMatch match;
    match.category = SanitizeListText(NextWord(text));
    match.discId = SanitizeListText(NextWord(text));
    if (match.category.empty() || match.discId.empty()) {
        return std::nullopt;
    }
    match.title = SanitizeListText(tracklist::DecodeLine(text));
    return match;
}

template <typename Answer>
Answer Malformed(const std::string& reason) {
    Answer answer;
    answer.kind = CddbAnswerKind::Malformed;
    answer.reason = reason;
    return answer;
}

template <typename Answer>
Answer WithStatus(CddbAnswerKind kind, int code) {
    Answer answer;
    answer.kind = kind;
    answer.status = code;
    return answer;
}

// The entry's fields by keyword, the lines of a repeated keyword joined.
std::map<std::string, std::string, std::less<>> ReadFields(Lines& lines) {
    std::map<std::string, std::string, std::less<>> fields;
    while (const auto line = lines.Next()) {
        if (line->empty() || line->front() == '#') {
            continue;
        }
        const std::size_t equals = line->find('=');
        if (equals == std::string_view::npos) {
            continue;
        }
        fields[std::string(line->substr(0, equals))] += line->substr(equals + 1);
    }
    return fields;
}

// The index n of "TTITLEn", or nothing for another keyword.
std::optional<std::size_t> TrackIndex(std::string_view keyword) {
    constexpr std::string_view PREFIX = "TTITLE";
    if (!keyword.starts_with(PREFIX)) {
        return std::nullopt;
    }
    const std::string_view digits = keyword.substr(PREFIX.size());
    if (digits.empty() || digits.size() > MAX_INDEX_DIGITS) {
        return std::nullopt;
    }
    std::size_t index = 0;
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), index);
    if (error != std::errc() || end != digits.data() + digits.size()) {
        return std::nullopt;
    }
    return index;
}

struct ArtistAndTitle {
    std::string artist;
    std::string title;
};

ArtistAndTitle SplitTitle(const std::string& text) {
    const std::size_t separator = text.find(TITLE_SEPARATOR);
    if (separator == std::string::npos) {
        return {{}, text};
    }
    return {text.substr(0, separator), text.substr(separator + TITLE_SEPARATOR.size())};
}

int ReadYear(std::string_view text) {
    int year = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), year);
    if (error != std::errc() || end != text.data() + text.size() || year < 0) {
        return 0;
    }
    return year;
}

ReleaseNames ReleaseFrom(const std::map<std::string, std::string, std::less<>>& fields,
                         const DiscToc& toc) {
    ReleaseNames release;
    release.source = NameSource::Gnudb;
    release.tracks.reserve(toc.tracks.size());
    for (const DiscTrack& track : toc.tracks) {
        release.tracks.push_back(TrackNames{track.number, {}, {}});
    }
    for (const auto& [keyword, value] : fields) {
        const std::string text = Unescaped(tracklist::DecodeLine(value));
        if (keyword == "DTITLE") {
            const ArtistAndTitle album = SplitTitle(text);
            release.artist = album.artist.empty() ? album.title : album.artist;
            release.title = album.title;
        } else if (keyword == "DYEAR") {
            release.year = ReadYear(text);
        } else if (const auto index = TrackIndex(keyword); index && *index < toc.tracks.size()) {
            const ArtistAndTitle track = SplitTitle(text);
            release.tracks[*index].title = track.title;
            release.tracks[*index].artist = track.artist;
        }
    }
    for (TrackNames& track : release.tracks) {
        if (track.artist.empty()) {
            track.artist = release.artist;
        }
    }
    SanitizeRelease(release);
    return release;
}

}  // namespace

CddbQueryAnswer ParseCddbQuery(std::string_view body) {
    Lines lines(body);
    const auto first = lines.Next();
    const auto status = first ? ReadStatus(*first) : std::nullopt;
    if (!status) {
        return Malformed<CddbQueryAnswer>("the answer has no status line");
    }
    if (status->code == NO_MATCH) {
        return WithStatus<CddbQueryAnswer>(CddbAnswerKind::NotFound, status->code);
    }
    if (IsError(status->code)) {
        return WithStatus<CddbQueryAnswer>(CddbAnswerKind::Error, status->code);
    }
    auto answer = WithStatus<CddbQueryAnswer>(CddbAnswerKind::Found, status->code);
    if (status->code == EXACT_MATCH) {
        if (const auto match = ReadMatch(status->text)) {
            answer.matches.push_back(*match);
        }
    } else if (status->code == MATCH_LIST || status->code == INEXACT_MATCH_LIST) {
        const DiscMatch kind =
            status->code == INEXACT_MATCH_LIST ? DiscMatch::Inexact : DiscMatch::Exact;
        while (const auto line = lines.Next()) {
            if (auto match = ReadMatch(*line)) {
                match->match = kind;
                answer.matches.push_back(*match);
            }
        }
        if (!lines.Ended()) {
            return Malformed<CddbQueryAnswer>(std::string(CUT_OFF));
        }
    } else {
        return Malformed<CddbQueryAnswer>("unexpected status " + std::to_string(status->code));
    }
    if (answer.matches.empty()) {
        return Malformed<CddbQueryAnswer>("a list of matches without a match");
    }
    return answer;
}

CddbReadAnswer ParseCddbRead(std::string_view body, const DiscToc& toc) {
    Lines lines(body);
    const auto first = lines.Next();
    const auto status = first ? ReadStatus(*first) : std::nullopt;
    if (!status) {
        return Malformed<CddbReadAnswer>("the answer has no status line");
    }
    if (status->code == ENTRY_NOT_FOUND) {
        return WithStatus<CddbReadAnswer>(CddbAnswerKind::NotFound, status->code);
    }
    if (IsError(status->code)) {
        return WithStatus<CddbReadAnswer>(CddbAnswerKind::Error, status->code);
    }
    if (status->code != ENTRY_FOLLOWS) {
        return Malformed<CddbReadAnswer>("unexpected status " + std::to_string(status->code));
    }
    std::string_view heading = status->text;
    const std::string_view category = NextWord(heading);
    const std::string_view discId = NextWord(heading);
    auto answer = WithStatus<CddbReadAnswer>(CddbAnswerKind::Found, status->code);
    answer.release = ReleaseFrom(ReadFields(lines), toc);
    if (!lines.Ended()) {
        return Malformed<CddbReadAnswer>(std::string(CUT_OFF));
    }
    if (!category.empty() && !discId.empty()) {
        answer.release.releaseId =
            SanitizeListText(std::string(category) + "/" + std::string(discId));
    }
    // An entry without a name would only blank the list it is applied to.
    if (!NamesAnything(answer.release)) {
        answer.kind = CddbAnswerKind::NotFound;
    }
    return answer;
}

}  // namespace corvid::names
