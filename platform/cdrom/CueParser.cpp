#include "platform/cdrom/CueParser.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <utility>

namespace corvid::cdrom {

namespace {

constexpr std::string_view BYTE_ORDER_MARK = "\xEF\xBB\xBF";
constexpr std::string_view BLANKS = " \t\v\f";
constexpr int SECONDS_PER_MINUTE = 60;
constexpr int SECTORS_PER_SECOND = 75;
constexpr int MAX_INDEX = 99;

std::string UpperCase(std::string_view text) {
    std::string upper(text);
    for (char& letter : upper) {
        if (letter >= 'a' && letter <= 'z') {
            letter = static_cast<char>(letter - 'a' + 'A');
        }
    }
    return upper;
}

std::string_view Trimmed(std::string_view text) {
    const std::size_t begin = text.find_first_not_of(BLANKS);
    if (begin == std::string_view::npos) {
        return {};
    }
    const std::size_t end = text.find_last_not_of(BLANKS);
    return text.substr(begin, end + 1 - begin);
}

// Splits off the first word of `rest`, leaving the text after it.
std::string_view TakeWord(std::string_view& rest) {
    rest = Trimmed(rest);
    const std::size_t end = std::min(rest.size(), rest.find_first_of(BLANKS));
    const std::string_view word = rest.substr(0, end);
    rest = Trimmed(rest.substr(end));
    return word;
}

// A quoted text up to its closing quote (the rest of the line when the quote
// is never closed), or the whole unquoted rest.
// A text in quotes runs to the line's last quote, so that quotes that
// rippers left unescaped inside it stay ("12" Version"); one that is never
// closed runs to the line's end.
std::string TextArgument(std::string_view rest) {
    rest = Trimmed(rest);
    if (!rest.starts_with('"')) {
        return std::string(rest);
    }
    rest.remove_prefix(1);
    return std::string(rest.substr(0, rest.rfind('"')));
}

std::optional<int> SmallNumber(std::string_view word, int lowest, int highest) {
    int value = 0;
    const auto [end, failure] = std::from_chars(word.data(), word.data() + word.size(), value);
    if (word.empty() || failure != std::errc() || end != word.data() + word.size() ||
        value < lowest || value > highest) {
        return std::nullopt;
    }
    return value;
}

// "mm:ss:ff" as sectors: at most 99 minutes, seconds below 60, frames below 75.
std::optional<std::int32_t> ParseTime(std::string_view word) {
    std::array<int, 3> parts{};
    const std::array<int, 3> highest = {99, SECONDS_PER_MINUTE - 1, SECTORS_PER_SECOND - 1};
    for (std::size_t part = 0; part < parts.size(); ++part) {
        const std::size_t colon = part + 1 < parts.size() ? word.find(':') : word.size();
        if (colon == std::string_view::npos || colon > 2) {
            return std::nullopt;
        }
        const std::optional<int> value = SmallNumber(word.substr(0, colon), 0, highest[part]);
        if (!value) {
            return std::nullopt;
        }
        parts[part] = *value;
        word.remove_prefix(std::min(word.size(), colon + 1));
    }
    return (parts[0] * SECONDS_PER_MINUTE + parts[1]) * SECTORS_PER_SECOND + parts[2];
}

std::optional<CueTrackMode> ParseMode(std::string_view word) {
    static constexpr std::pair<std::string_view, CueTrackMode> MODES[] = {
        {"AUDIO", CueTrackMode::Audio},
        {"MODE1/2048", CueTrackMode::Mode1Cooked},
        {"MODE1/2352", CueTrackMode::Mode1Raw},
        {"MODE2/2048", CueTrackMode::Mode1Cooked},
        {"MODE2/2336", CueTrackMode::Mode2Formless},
        {"MODE2/2352", CueTrackMode::Mode2Raw},
        {"CDI/2336", CueTrackMode::Mode2Formless},
        {"CDI/2352", CueTrackMode::Mode2Raw},
        {"MODEX/2XXX", CueTrackMode::DataUnknownSize},
    };
    const std::string upper = UpperCase(word);
    for (const auto& [name, mode] : MODES) {
        if (upper == name) {
            return mode;
        }
    }
    return std::nullopt;
}

CueFileType FileTypeOf(const std::string& upperWord) {
    if (upperWord == "BINARY") {
        return CueFileType::Binary;
    }
    if (upperWord == "MOTOROLA") {
        return CueFileType::Motorola;
    }
    return CueFileType::Wave;
}

std::uint8_t FlagOf(const std::string& upperWord) {
    if (upperWord == "DCP") {
        return CUE_FLAG_COPY_PERMITTED;
    }
    if (upperWord == "4CH") {
        return CUE_FLAG_FOUR_CHANNELS;
    }
    if (upperWord == "PRE") {
        return CUE_FLAG_PRE_EMPHASIS;
    }
    if (upperWord == "SCMS") {
        return CUE_FLAG_SERIAL_COPY;
    }
    return 0;
}

std::string TwoDigits(int value) {
    return (value < 10 ? "0" : "") + std::to_string(value);
}

// Whether the sheet may name files, or describes the one file that carries it.
enum class SheetFiles : std::uint8_t { Named, Carrier };

class Parser {
  public:
    explicit Parser(SheetFiles files) : m_files(files) {}

    std::optional<CueParseError> Line(std::string_view line, int lineNumber);
    std::optional<CueParseError> Finish();
    ParsedCueSheet Take() { return std::move(m_sheet); }

  private:
    CueParseError Error(std::string what) const { return {m_line, std::move(what)}; }
    CueTexts& Texts() {
        return m_sheet.tracks.empty() ? m_sheet.texts : m_sheet.tracks.back().texts;
    }

    std::optional<CueParseError> File(std::string_view rest);
    std::optional<CueParseError> Track(std::string_view rest);
    std::optional<CueParseError> Index(std::string_view rest);
    std::optional<CueParseError> Gap(const std::string& keyword, std::string_view rest);
    void Flags(std::string_view rest);
    void Remark(std::string_view rest);
    std::optional<CueParseError> CheckFollows(const CueIndex& index) const;

    ParsedCueSheet m_sheet;
    SheetFiles m_files;
    int m_line = 0;
};

// A line cut to the longest a sheet's line can be, ending on a whole
// character.
std::string_view CutToLineLength(std::string_view line) {
    std::size_t end = MAX_CUE_LINE_BYTES;
    while (end > 0 && (static_cast<unsigned char>(line[end]) & 0xC0U) == 0x80U) {
        --end;
    }
    return line.substr(0, end);
}

// Over-long lines that carry only a name or a remark: a tagger's long
// comment must not keep the disc from playing.
bool MayBeCut(std::string_view line) {
    const std::string keyword = UpperCase(TakeWord(line));
    return keyword != "FILE" && keyword != "TRACK" && keyword != "INDEX" && keyword != "PREGAP" &&
           keyword != "POSTGAP" && keyword != "FLAGS";
}

std::optional<CueParseError> Parser::Line(std::string_view line, int lineNumber) {
    m_line = lineNumber;
    if (line.size() > MAX_CUE_LINE_BYTES) {
        if (!MayBeCut(CutToLineLength(line))) {
            return Error("the line is longer than a cue sheet's line can be (4096 bytes)");
        }
        line = CutToLineLength(line);
    }
    if (line.find('\0') != std::string_view::npos) {
        return Error("a NUL byte, which no cue sheet holds");
    }
    std::string_view rest = Trimmed(line);
    // Sheets joined from files that each began with a byte order mark carry
    // one at the start of a line inside the text.
    while (rest.starts_with(BYTE_ORDER_MARK)) {
        rest = Trimmed(rest.substr(BYTE_ORDER_MARK.size()));
    }
    const std::string keyword = UpperCase(TakeWord(rest));
    if (keyword == "FILE") {
        return File(rest);
    }
    if (keyword == "TRACK") {
        return Track(rest);
    }
    if (keyword == "INDEX") {
        return Index(rest);
    }
    if (keyword == "PREGAP" || keyword == "POSTGAP") {
        return Gap(keyword, rest);
    }
    if (keyword == "TITLE") {
        Texts().title = TextArgument(rest);
    } else if (keyword == "PERFORMER") {
        Texts().performer = TextArgument(rest);
    } else if (keyword == "SONGWRITER") {
        Texts().songwriter = TextArgument(rest);
    } else if (keyword == "REM") {
        Remark(rest);
    } else if (keyword == "FLAGS") {
        Flags(rest);
    } else if (keyword == "ISRC" && !m_sheet.tracks.empty()) {
        m_sheet.tracks.back().isrc = TextArgument(rest);
    } else if (keyword == "CATALOG") {
        m_sheet.catalog = TextArgument(rest);
    } else if (keyword == "CDTEXTFILE") {
        m_sheet.cdTextFile = TextArgument(rest);
    }
    // Anything else is a keyword some program made up: passed over.
    return std::nullopt;
}

// FILE "name" TYPE, FILE name TYPE, or a name without a type, whose own
// header will tell.
std::optional<CueParseError> Parser::File(std::string_view rest) {
    if (m_files == SheetFiles::Carrier && !m_sheet.files.empty()) {
        return Error("a second FILE, but a sheet inside an audio file can only describe that file");
    }
    if (m_sheet.files.size() == static_cast<std::size_t>(MAX_FILES)) {
        return Error("the sheet names more than " + std::to_string(MAX_FILES) + " files");
    }
    rest = Trimmed(rest);
    CueFileLine file;
    file.line = m_line;
    if (rest.starts_with('"')) {
        const std::size_t close = rest.find('"', 1);
        file.name =
            std::string(rest.substr(1, close == std::string_view::npos ? close : close - 1));
        rest = close == std::string_view::npos ? std::string_view() : rest.substr(close + 1);
        file.typeWord = UpperCase(TakeWord(rest));
    } else {
        // The last word is the type, unless it is the end of a name with
        // blanks in it and no type after it ("FILE 01 - Intro.wav").
        const std::size_t lastBlank = rest.find_last_of(BLANKS);
        const bool typed = lastBlank != std::string_view::npos &&
                           rest.find('.', lastBlank) == std::string_view::npos;
        if (!typed) {
            file.name = std::string(rest);
        } else {
            file.name = std::string(Trimmed(rest.substr(0, lastBlank)));
            file.typeWord = UpperCase(rest.substr(lastBlank + 1));
        }
    }
    if (file.name.empty()) {
        return Error("FILE names no file");
    }
    file.type = FileTypeOf(file.typeWord);
    m_sheet.files.push_back(std::move(file));
    return std::nullopt;
}

std::optional<CueParseError> Parser::Track(std::string_view rest) {
    if (m_sheet.files.empty() && m_files == SheetFiles::Carrier) {
        m_sheet.files.push_back({});
    }
    if (m_sheet.files.empty()) {
        return Error("TRACK before any FILE");
    }
    if (m_sheet.tracks.size() == static_cast<std::size_t>(MAX_TRACKS)) {
        return Error("the sheet has more than 99 tracks");
    }
    const std::string_view numberWord = TakeWord(rest);
    const std::optional<int> number = SmallNumber(numberWord, 1, MAX_TRACKS);
    if (!number) {
        return Error("TRACK " + std::string(numberWord) + " is not a track number from 1 to 99");
    }
    const std::string_view modeWord = TakeWord(rest);
    const std::optional<CueTrackMode> mode =
        modeWord.empty() ? CueTrackMode::Audio : ParseMode(modeWord);
    if (!mode) {
        return Error("TRACK " + TwoDigits(*number) + " has the mode " + std::string(modeWord) +
                     ", which no disc holds");
    }
    if (auto error = m_sheet.tracks.empty() ? std::nullopt : Finish()) {
        return error;
    }
    CueTrack track;
    track.number = *number;
    track.line = m_line;
    track.mode = *mode;
    m_sheet.tracks.push_back(std::move(track));
    return std::nullopt;
}

// The first index of a track comes after the previous track's INDEX 01 (each
// track needs a sector of its own) and not before any of its indexes.
std::optional<CueParseError> Parser::CheckFollows(const CueIndex& index) const {
    if (m_sheet.tracks.size() < 2) {
        return std::nullopt;
    }
    const CueTrack& previous = m_sheet.tracks[m_sheet.tracks.size() - 2];
    const CueIndex* previousStart = previous.FindIndex(1);
    const bool follows = (previousStart == nullptr || previousStart->position < index.position) &&
                         previous.indexes.back().position <= index.position;
    if (!follows) {
        return Error("INDEX " + TwoDigits(index.number) + " does not follow track " +
                     std::to_string(previous.number) + "'s indexes");
    }
    return std::nullopt;
}

std::optional<CueParseError> Parser::Index(std::string_view rest) {
    const std::string_view numberWord = TakeWord(rest);
    const std::optional<int> number = SmallNumber(numberWord, 0, MAX_INDEX);
    if (!number) {
        return Error("INDEX " + std::string(numberWord) + " is not an index number from 0 to 99");
    }
    const std::string name = "INDEX " + TwoDigits(*number);
    if (m_sheet.tracks.empty()) {
        return Error(name + " before any TRACK");
    }
    const std::string_view timeWord = TakeWord(rest);
    const std::optional<std::int32_t> sector = ParseTime(timeWord);
    if (!sector) {
        return Error(name + " " + std::string(timeWord) +
                     " is not a time on a disc (mm:ss:ff, seconds below 60, frames below 75)");
    }
    CueTrack& track = m_sheet.tracks.back();
    const CueIndex index{*number, {static_cast<int>(m_sheet.files.size()) - 1, *sector}, m_line};
    if (track.indexes.empty()) {
        if (auto error = CheckFollows(index)) {
            return error;
        }
    } else if (track.indexes.back().number >= *number) {
        return Error(name + " comes after INDEX " + TwoDigits(track.indexes.back().number));
    } else if (index.position < track.indexes.back().position) {
        return Error(name + " " + std::string(timeWord) + " lies before the track's INDEX " +
                     TwoDigits(track.indexes.back().number));
    }
    track.indexes.push_back(index);
    return std::nullopt;
}

std::optional<CueParseError> Parser::Gap(const std::string& keyword, std::string_view rest) {
    if (m_sheet.tracks.empty()) {
        return Error(keyword + " before any TRACK");
    }
    const std::string_view timeWord = TakeWord(rest);
    const std::optional<std::int32_t> sectors = ParseTime(timeWord);
    if (!sectors) {
        return Error(keyword + " " + std::string(timeWord) + " is not a time on a disc");
    }
    (keyword == "PREGAP" ? m_sheet.tracks.back().pregap : m_sheet.tracks.back().postgap) = *sectors;
    return std::nullopt;
}

void Parser::Flags(std::string_view rest) {
    if (m_sheet.tracks.empty()) {
        return;
    }
    for (std::string_view word = TakeWord(rest); !word.empty(); word = TakeWord(rest)) {
        m_sheet.tracks.back().flags |= FlagOf(UpperCase(word));
    }
}

void Parser::Remark(std::string_view rest) {
    const std::string name = UpperCase(TakeWord(rest));
    if (name.empty()) {
        return;
    }
    CueRemark remark{name, TextArgument(rest)};
    (m_sheet.tracks.empty() ? m_sheet.remarks : m_sheet.tracks.back().remarks)
        .push_back(std::move(remark));
}

// Checks the last track read, once its lines are all in.
std::optional<CueParseError> Parser::Finish() {
    if (m_sheet.tracks.empty()) {
        return CueParseError{0, "is not a cue sheet: it has no TRACK"};
    }
    const CueTrack& track = m_sheet.tracks.back();
    const bool startless = track.FindIndex(1) == nullptr;
    // A data track that was not ripped may have only its INDEX 00 gap.
    if (track.indexes.empty() || (startless && !track.IsData())) {
        return CueParseError{track.line, "TRACK " + TwoDigits(track.number) + " has no INDEX 01"};
    }
    return std::nullopt;
}

}  // namespace

int CueSampleFramesPerSector(CueTrackMode mode) {
    constexpr int BYTES_PER_SAMPLE_FRAME = 4;
    switch (mode) {
        case CueTrackMode::Mode1Cooked:
            return 2048 / BYTES_PER_SAMPLE_FRAME;
        case CueTrackMode::Mode2Formless:
            return 2336 / BYTES_PER_SAMPLE_FRAME;
        case CueTrackMode::Audio:
        case CueTrackMode::Mode1Raw:
        case CueTrackMode::Mode2Raw:
        case CueTrackMode::DataUnknownSize:
            break;
    }
    return 2352 / BYTES_PER_SAMPLE_FRAME;
}

const CueIndex* CueTrack::FindIndex(int number) const {
    const auto found =
        std::find_if(indexes.begin(), indexes.end(),
                     [number](const CueIndex& index) { return index.number == number; });
    return found == indexes.end() ? nullptr : &*found;
}

namespace {

// The line end that starts `text`: CR LF, LF or CR alone. CRs doubled
// before an LF, as a CR LF sheet passed through a text-mode copy on
// Windows has them ("\r\r\n"), end one line, not two.
std::size_t LineEndLength(std::string_view text) {
    const std::size_t returns = std::min(text.size(), text.find_first_not_of('\r'));
    if (returns < text.size() && text[returns] == '\n') {
        return returns + 1;
    }
    return 1;
}

CueParseResult Parse(std::string_view text, SheetFiles files) {
    if (text.starts_with(BYTE_ORDER_MARK)) {
        text.remove_prefix(BYTE_ORDER_MARK.size());
    }
    Parser parser(files);
    int lineNumber = 0;
    while (!text.empty()) {
        // CR LF, LF or CR alone.
        const std::size_t end = text.find_first_of("\r\n");
        if (auto error = parser.Line(text.substr(0, end), ++lineNumber)) {
            return {std::nullopt, error};
        }
        if (end == std::string_view::npos) {
            break;
        }
        text.remove_prefix(end + LineEndLength(text.substr(end)));
    }
    if (auto error = parser.Finish()) {
        return {std::nullopt, error};
    }
    return {parser.Take(), std::nullopt};
}

}  // namespace

std::optional<std::int32_t> ParseCueTime(std::string_view word) {
    return ParseTime(word);
}

CueParseResult ParseCueSheet(std::string_view text) {
    return Parse(text, SheetFiles::Named);
}

CueParseResult ParseEmbeddedCueSheet(std::string_view text) {
    return Parse(text, SheetFiles::Carrier);
}

}  // namespace corvid::cdrom
