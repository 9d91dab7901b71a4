#include "tracklist/TrackListFile.h"

#include <gtest/gtest.h>

#include "tests/tracklist/TrackListFileTestSupport.h"

namespace corvid::tracklist {
namespace {

using testing::FileBytes;
using testing::MinutesPerTrackDisc;
using testing::TemporaryFolder;

// A track row as the reader makes it with MinutesPerTrackDisc.
TrackListRow Track(int track, std::string name) {
    return {track, std::move(name), FormatPositionText(track, 30, 0, 0).substr(0, 5),
            ROW_ICON_TRACK};
}

TrackListRow Subtrack(int track, std::string timeText, std::string name) {
    return {-track, std::move(name), std::move(timeText), ROW_ICON_SUBTRACK};
}

TrackList ParseBytes(std::string_view bytes) {
    MinutesPerTrackDisc disc;
    return ParseTrackList(bytes, disc);
}

constexpr std::string_view WORKED_EXAMPLE =
    "[CD key] 2882400018\r\n"
    "[Album ] Night Music\r\n"
    "[Artist] Example Quartet\r\n"
    "01:00:00:00*Overture\r\n"
    "02:00:00:00*02. <Unnamed track>\r\n"
    "02:00:00:00 Theme\r\n"
    "02:03:12:40 Variation\r\n"
    "03:00:00:00*03. DATA TRACK\r\n";

TrackList WorkedExampleList() {
    return {
        static_cast<std::int32_t>(2882400018U),
        "Night Music",
        "Example Quartet",
        {Track(1, "Overture"), Track(2, "02. <Unnamed track>"), Subtrack(2, "00:00:00", "Theme"),
         Subtrack(2, "03:12:40", "Variation"), Track(3, "03. DATA TRACK")}};
}

TEST(TrackListFile, WorkedExampleIsWrittenAndReadByteForByte) {
    EXPECT_EQ(FormatTrackList(WorkedExampleList()), WORKED_EXAMPLE);
    EXPECT_EQ(ParseBytes(WORKED_EXAMPLE), WorkedExampleList());
}

constexpr std::string_view HEADER = "[CD key] 7\r\n[Album ] A\r\n[Artist] B\r\n";

struct ParseCase {
    const char* name;
    std::string bytes;
    TrackList expected;
};

void PrintTo(const ParseCase& parseCase, std::ostream* out) {
    *out << parseCase.name;
}

TrackList WithRows(std::vector<TrackListRow> rows) {
    return {7, "A", "B", std::move(rows)};
}

const std::string LONG_NAME(300, 'n');
const std::string NAME_OF_254(254, 'n');

std::string Repeated(std::string_view piece, int count) {
    std::string text;
    for (int i = 0; i < count; ++i) {
        text += piece;
    }
    return text;
}

const ParseCase PARSE_CASES[] = {
    {"SubtrackOfTrackSeven", std::string(HEADER) + "07:01:02:03 Solo\r\n",
     WithRows({Subtrack(7, "01:02:03", "Solo")})},
    {"NamesWithStarColonAndBlanksUseOffsetsOnly",
     std::string(HEADER) + "01:00:00:00* a*b: c \r\n01:09:09:09  *x:\r\n",
     WithRows({Track(1, " a*b: c "), Subtrack(1, "09:09:09", " *x:")})},
    {"EmptyNameRightAfterTheHead", std::string(HEADER) + "04:00:00:00*\r\n04:00:01:00 \r\n",
     WithRows({Track(4, ""), Subtrack(4, "00:01:00", "")})},
    {"HeaderOnly", std::string(HEADER), WithRows({})},
    {"LineFeedsAlone", "[CD key] 7\n[Album ] A\n[Artist] B\n01:00:00:00*One\n",
     WithRows({Track(1, "One")})},
    {"LastLineWithoutItsEnd", std::string(HEADER) + "01:00:00:00*One\r\n02:00:00:00*Two",
     WithRows({Track(1, "One"), Track(2, "Two")})},
    {"LastLineEndingInACarriageReturnAlone", std::string(HEADER) + "01:00:00:00*One\r",
     WithRows({Track(1, "One")})},
    {"ShortRowLinesAreSkipped", std::string(HEADER) + "\r\n01:00:00:00\r\n02:00:00:00*Two\r\n",
     WithRows({Track(2, "Two")})},
    {"RowsWithoutATrackNumberAreSkipped",
     std::string(HEADER) + "00:00:00:00*zero\r\n-3:00:00:00*minus\r\nab:00:00:00 x\r\n",
     WithRows({})},
    {"LongNameStaysOneRowCutTo254", std::string(HEADER) + "01:00:00:00*" + LONG_NAME + "\r\n",
     WithRows({Track(1, NAME_OF_254)})},
    {"LongUtf8NameCutTo254CodePoints",
     std::string(HEADER) + "01:00:00:00*" + Repeated("\xC3\xA9", 300) + "\r\n",
     WithRows({Track(1, Repeated("\xC3\xA9", 254))})},
    {"Windows1252LinesBesideUtf8Lines",
     "[CD key] 7\r\n[Album ] Caf\xE9\r\n[Artist] Bj\xC3\xB6rk\r\n01:00:00:00*\x80 5\r\n",
     {7, "Caf\xC3\xA9", "Bj\xC3\xB6rk", {Track(1, "\xE2\x82\xAC 5")}}},
    {"Windows1252HeadKeepsItsOffsets", std::string(HEADER) + "01:00:00:0\xE9 Solo\r\n",
     WithRows({Subtrack(1, "00:00:0\xC3\xA9", "Solo")})},
    {"CarriageReturnAndNulInsideALineBecomeBlanks",
     std::string(HEADER) + "01:00:00:00*a\rb" + std::string(1, '\0') + "c\r\n",
     WithRows({Track(1, "a b c")})},
    {"ByteOrderMarkBeforeTheKey", "\xEF\xBB\xBF" + std::string(HEADER), WithRows({})},
    {"AnyLabelOfNineCharacters",
     "123456789 7\r\nL\xC3\xA4"
     "bel 99 A\r\n[Artist]xB\r\n",
     {7, "A", "B", {}}},
    {"ShortHeaderLinesGiveEmptyValues", "[CD key]\r\n[Album]\r\n\r\n", {0, "", "", {}}},
    {"OnlyTheKeyLine", "[CD key] 7", {7, "", "", {}}},
    {"EmptyFile", "", {0, "", "", {}}},
};

class TrackListParse : public ::testing::TestWithParam<ParseCase> {};

TEST_P(TrackListParse, ReadsTheListTheBytesHold) {
    EXPECT_EQ(ParseBytes(GetParam().bytes), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Cases, TrackListParse, ::testing::ValuesIn(PARSE_CASES),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(TrackListFile, KeyIsReadAsStrtolReadsItWrappedTo32Bits) {
    const struct {
        std::string_view line;
        std::uint32_t key;
    } cases[] = {
        {"[CD key] 2882400018", 2882400018U},
        {"[CD key] 4294967295", 4294967295U},
        {"[CD key] 4294967297", 1U},
        {"[CD key]   -12abc", static_cast<std::uint32_t>(-12)},
        {"[CD key] +7", 7U},
        {"[CD key] x7", 0U},
        {"[CD key] 0042", 42U},
        {"[CD ", 0U},
    };
    for (const auto& keyCase : cases) {
        EXPECT_EQ(static_cast<std::uint32_t>(ReadCdKey(keyCase.line)), keyCase.key) << keyCase.line;
    }
}

TEST(TrackListFile, WriterCutsValuesTo254CodePointsWithoutSplittingOne) {
    const std::string euro = "\xE2\x82\xAC";
    const TrackList list{1, Repeated(euro, 255), LONG_NAME, {Track(1, Repeated(euro, 300))}};
    const std::string bytes = FormatTrackList(list);
    EXPECT_EQ(bytes, "[CD key] 1\r\n[Album ] " + Repeated(euro, 254) + "\r\n[Artist] " +
                         NAME_OF_254 + "\r\n01:00:00:00*" + Repeated(euro, 254) + "\r\n");
}

TEST(TrackListFile, WriterPutsNoLineEndOrNulInsideALine) {
    const std::string nul(1, '\0');
    const TrackList list{
        1, "a\r\nb", "c" + nul, {Track(1, "x\ny"), Subtrack(1, "00:0\r:00", "z\r")}};
    EXPECT_EQ(FormatTrackList(list),
              "[CD key] 1\r\n[Album ] a  b\r\n[Artist] c \r\n01:00:00:00*x y\r\n"
              "01:00:0 :00 z \r\n");
}

TEST(TrackListFile, TrickyRowsSurviveARoundTrip) {
    const TrackList list{static_cast<std::int32_t>(3000000000U),
                         "Caf\xC3\xA9 : *",
                         "  ",
                         {Track(1, ""), Subtrack(1, "00:00:00", "*"),
                          Subtrack(1, "00:00:00", " : "), Track(12, "12:00:00:00*"),
                          Subtrack(12, "99:59:74", NAME_OF_254), Track(99, "\xF0\x9F\x8E\xB5")}};
    EXPECT_EQ(ParseBytes(FormatTrackList(list)), list);
}

TEST(TrackListFile, ReadsWhatItWroteToAFile) {
    TemporaryFolder folder;
    const auto path = folder / "night.trk";
    ASSERT_FALSE(WriteTrackList(path, WorkedExampleList()));
    EXPECT_EQ(FileBytes(path), WORKED_EXAMPLE);
    MinutesPerTrackDisc disc;
    const TrackListReadResult read = ReadTrackList(path, disc);
    ASSERT_TRUE(read.list) << read.error->text;
    EXPECT_EQ(*read.list, WorkedExampleList());
    EXPECT_TRUE(read.unshownLines.empty());
}

// Such a line cannot be shown as a row, and the window must know of it before
// a save over the file drops it.
TEST(TrackListFile, RowLineNamingNoTrackIsPassedOverAndReportedByItsLineNumber) {
    const std::string_view unshownLines[] = {"00:00:00:00*Hidden", "00:01:00:00 Sub",
                                             "-3:00:00:00*x", "ab:00:00:00 x"};
    TemporaryFolder folder;
    for (const std::string_view unshown : unshownLines) {
        const auto path =
            folder.Write("x.trk", std::string(HEADER) + "01:00:00:00*One\r\n" +
                                      std::string(unshown) + "\r\n01:00:10:00 Solo\r\n");
        MinutesPerTrackDisc disc;
        const TrackListReadResult read = ReadTrackList(path, disc);
        ASSERT_TRUE(read.list) << read.error->text;
        EXPECT_EQ(*read.list, WithRows({Track(1, "One"), Subtrack(1, "00:10:00", "Solo")}))
            << unshown;
        EXPECT_EQ(read.unshownLines, std::vector<int>{5}) << unshown;
    }
}

// Short lines are not rows of any kind, and header lines are never rows.
TEST(TrackListFile, OnlyRowLinesNamingNoTrackAreReported) {
    TemporaryFolder folder;
    const auto path = folder.Write("x.trk",
                                   "[CD key] 00:00:00:00*k\n"
                                   "00:00:00:00*album\n"
                                   "00:00:00:00*artist\n"
                                   "00:00:00:00*Hidden\n"
                                   "00:01\n"
                                   "\n"
                                   "02:00:00:00*Two\n"
                                   "00:01:00:00 Sub\n"
                                   "-3:00:00:00*x");
    MinutesPerTrackDisc disc;
    const TrackListReadResult read = ReadTrackList(path, disc);
    ASSERT_TRUE(read.list) << read.error->text;
    EXPECT_EQ(read.list->rows, std::vector<TrackListRow>{Track(2, "Two")});
    EXPECT_EQ(read.unshownLines, (std::vector<int>{4, 8, 9}));
}

TEST(TrackListFile, FileThatCannotBeReadIsAnErrorNamingItsPathAndCause) {
    TemporaryFolder folder;
    std::filesystem::create_directory(folder / "folder.trk");
    const struct {
        std::filesystem::path path;
        std::errc cause;
        std::string_view says;
    } cases[] = {
        {folder / "none.trk", std::errc::no_such_file_or_directory, "No such file or directory"},
        {folder / "folder.trk", std::errc::is_a_directory, "Is a directory"},
    };
    for (const auto& readCase : cases) {
        MinutesPerTrackDisc disc;
        const TrackListReadResult read = ReadTrackList(readCase.path, disc);
        EXPECT_FALSE(read.list);
        ASSERT_TRUE(read.error);
        EXPECT_EQ(read.error->cause, std::make_error_code(readCase.cause));
        EXPECT_EQ(read.error->text, "track list " + readCase.path.string() +
                                        ": cannot be read: " + std::string(readCase.says));
    }
}

TEST(TrackListFile, FailedWriteNamesTheTrackListAndItsCause) {
    TemporaryFolder folder;
    const auto path = folder / "missing-folder" / "x.trk";
    const std::optional<FileError> error = WriteTrackList(path, WorkedExampleList());
    ASSERT_TRUE(error);
    EXPECT_EQ(error->cause, std::errc::no_such_file_or_directory);
    EXPECT_TRUE(error->text.starts_with("track list " + path.string())) << error->text;
}

}  // namespace
}  // namespace corvid::tracklist
