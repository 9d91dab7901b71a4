#include <gtest/gtest.h>

#include <string>

#include "platform/cdrom/CueParser.h"

namespace corvid::cdrom {
namespace {

const char* ModeName(CueTrackMode mode) {
    switch (mode) {
        case CueTrackMode::Audio:
            return "AUDIO";
        case CueTrackMode::Mode1Cooked:
            return "MODE1/2048";
        case CueTrackMode::Mode1Raw:
            return "MODE1/2352";
        case CueTrackMode::Mode2Formless:
            return "MODE2/2336";
        case CueTrackMode::Mode2Raw:
            return "MODE2/2352";
        case CueTrackMode::DataUnknownSize:
            break;
    }
    return "MODEx";
}

const char* TypeName(CueFileType type) {
    switch (type) {
        case CueFileType::Binary:
            return "BINARY";
        case CueFileType::Motorola:
            return "MOTOROLA";
        case CueFileType::Wave:
            break;
    }
    return "HEADER";
}

// The files and tracks of a sheet in one line: "[name TYPE] N MODE index@file:sector...".
std::string Shape(const ParsedCueSheet& sheet) {
    std::string shape;
    for (const CueFileLine& file : sheet.files) {
        shape += "[" + file.name + " " + TypeName(file.type) + "] ";
    }
    for (const CueTrack& track : sheet.tracks) {
        shape += std::to_string(track.number) + " " + ModeName(track.mode);
        for (const CueIndex& index : track.indexes) {
            shape += " " + std::to_string(index.number) + "@" +
                     std::to_string(index.position.file) + ":" +
                     std::to_string(index.position.sector);
        }
        shape += "; ";
    }
    return shape;
}

struct AcceptedCase {
    const char* name;
    std::string sheet;
    const char* shape;
};

void PrintTo(const AcceptedCase& accepted, std::ostream* out) {
    *out << accepted.name;
}

const std::string TWO_TRACKS =
    "FILE \"a.wav\" WAVE\n  TRACK 01 AUDIO\n    INDEX 01 00:00:00\n"
    "  TRACK 02 AUDIO\n    INDEX 00 00:02:00\n    INDEX 01 00:04:00\n";
const char* const TWO_TRACKS_SHAPE = "[a.wav HEADER] 1 AUDIO 1@0:0; 2 AUDIO 0@0:150 1@0:300; ";

std::string Replaced(std::string text, const std::string& from, const std::string& to) {
    for (std::size_t at = text.find(from); at != std::string::npos;
         at = text.find(from, at + to.size())) {
        text.replace(at, from.size(), to);
    }
    return text;
}

const AcceptedCase ACCEPTED_CASES[] = {
    {"LineFeeds", TWO_TRACKS, TWO_TRACKS_SHAPE},
    {"CrLf", Replaced(TWO_TRACKS, "\n", "\r\n"), TWO_TRACKS_SHAPE},
    {"CarriageReturnsAlone", Replaced(TWO_TRACKS, "\n", "\r"), TWO_TRACKS_SHAPE},
    {"NoLastLineEnd", TWO_TRACKS.substr(0, TWO_TRACKS.size() - 1), TWO_TRACKS_SHAPE},
    {"ByteOrderMarkBlankLinesAndTabs",
     "\xEF\xBB\xBF\r\n\r\n\tFILE\t\"a.wav\"\tWAVE  \r\n \t\r\nTRACK 01 AUDIO\t\r\n"
     "INDEX 01 00:00:00\r\n    TRACK 02 AUDIO\r\n\t\tINDEX 00 00:02:00\r\n\t\tINDEX 01 "
     "00:04:00\t \r\n\r\n",
     TWO_TRACKS_SHAPE},
    {"ByteOrderMarksInsideJoinedSheets",
     "\xEF\xBB\xBF"
     "FILE \"a.wav\" WAVE\n  TRACK 01 AUDIO\n    INDEX 01 00:00:00\n"
     "\xEF\xBB\xBF  TRACK 02 AUDIO\n  \xEF\xBB\xBFINDEX 00 00:02:00\n    INDEX 01 00:04:00\n",
     TWO_TRACKS_SHAPE},
    {"LowerCaseKeywords",
     "file \"a.wav\" wave\n  track 01 audio\n    index 01 00:00:00\n"
     "  track 02 audio\n    index 00 00:02:00\n    index 01 00:04:00\n",
     TWO_TRACKS_SHAPE},
    {"MixedCaseKeywords",
     "File \"a.wav\" Wave\n  Track 01 Audio\n    Index 01 00:00:00\n"
     "  tRACK 02 aUDIO\n    iNDEX 00 00:02:00\n    InDeX 01 00:04:00\n",
     TWO_TRACKS_SHAPE},
    {"UnquotedNames",
     "FILE my album.bin BINARY\nTRACK 1 AUDIO\nINDEX 1 0:0:0\nFILE b.raw MOTOROLA\nTRACK 2 "
     "AUDIO\nINDEX 1 0:1:0\n",
     "[my album.bin BINARY] [b.raw MOTOROLA] 1 AUDIO 1@0:0; 2 AUDIO 1@1:75; "},
    {"NameWithoutType", "FILE \"a b.flac\"\nTRACK 01 AUDIO\nINDEX 01 00:00:00\n",
     "[a b.flac HEADER] 1 AUDIO 1@0:0; "},
    {"UnquotedNameWithBlanksAndNoType", "FILE 01 - Intro.wav\nTRACK 01 AUDIO\nINDEX 01 00:00:00\n",
     "[01 - Intro.wav HEADER] 1 AUDIO 1@0:0; "},
    {"WindowsPathKeptAsWritten",
     "FILE \"C:\\Rips\\Album\\01 - Intro.wav\" WAVE\nTRACK 01 AUDIO\nINDEX 01 00:00:00\n",
     "[C:\\Rips\\Album\\01 - Intro.wav HEADER] 1 AUDIO 1@0:0; "},
    {"GapsAppendedToThePreviousFile",
     "FILE \"01.wav\" WAVE\n  TRACK 01 AUDIO\n    INDEX 01 00:00:00\n  TRACK 02 AUDIO\n"
     "    INDEX 00 03:00:10\nFILE \"02.wav\" WAVE\n    INDEX 01 00:00:00\n",
     "[01.wav HEADER] [02.wav HEADER] 1 AUDIO 1@0:0; 2 AUDIO 0@0:13510 1@1:0; "},
    {"HiddenTrackOneAudio",
     "FILE a.wav WAVE\nTRACK 01 AUDIO\nINDEX 00 00:00:00\nINDEX 01 00:30:00\n",
     "[a.wav HEADER] 1 AUDIO 0@0:0 1@0:2250; "},
    {"IndexMarks",
     "FILE a.wav WAVE\nTRACK 01 AUDIO\nINDEX 01 00:00:00\nINDEX 02 00:10:00\nINDEX 07 "
     "00:20:00\nINDEX 99 00:20:00\n",
     "[a.wav HEADER] 1 AUDIO 1@0:0 2@0:750 7@0:1500 99@0:1500; "},
    {"EveryDataMode",
     "FILE a.bin BINARY\nTRACK 01 MODE1/2048\nINDEX 01 00:00:00\nTRACK 02 MODE1/2352\nINDEX 01 "
     "00:00:01\nTRACK 03 MODE2/2336\nINDEX 01 00:00:02\nTRACK 04 MODE2/2352\nINDEX 01 "
     "00:00:03\nTRACK 05 CDI/2352\nINDEX 01 00:00:04\nTRACK 06 mode1/2352\nINDEX 01 00:00:05\n",
     "[a.bin BINARY] 1 MODE1/2048 1@0:0; 2 MODE1/2352 1@0:1; 3 MODE2/2336 1@0:2; 4 MODE2/2352 "
     "1@0:3; 5 MODE2/2352 1@0:4; 6 MODE1/2352 1@0:5; "},
    {"DataTrackThatWasNotRipped",
     "FILE \"14.wav\" WAVE\n  TRACK 14 AUDIO\n    INDEX 01 00:00:00\n  TRACK 15 MODEx/2xxx\n"
     "    INDEX 00 02:59:41\n",
     "[14.wav HEADER] 14 AUDIO 1@0:0; 15 MODEx 0@0:13466; "},
    {"UnknownKeywordsAndRemarks",
     "REM GENRE Rock\nREM\nFOO bar baz\nCATALOG 1234567890123\nCDTEXTFILE \"a.cdt\"\nFILE a.wav "
     "WAVE\nTRACK 01 AUDIO\nFLAGS DCP 4CH PRE SCMS XYZ\nISRC ABCDE1234567\nBAR\nINDEX 01 "
     "00:00:00\nPOSTGAP 00:02:00\n",
     "[a.wav HEADER] 1 AUDIO 1@0:0; "},
};

class CueParserAcceptsTest : public ::testing::TestWithParam<AcceptedCase> {};

TEST_P(CueParserAcceptsTest, ReadsTheSheetRippersWrite) {
    const CueParseResult parsed = ParseCueSheet(GetParam().sheet);
    ASSERT_FALSE(parsed.error.has_value()) << parsed.error->line << ": " << parsed.error->what;
    EXPECT_EQ(Shape(*parsed.sheet), GetParam().shape);
}

INSTANTIATE_TEST_SUITE_P(Quirks, CueParserAcceptsTest, ::testing::ValuesIn(ACCEPTED_CASES),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(CueParserTest, QuotesLeftInsideATextStayInIt) {
    struct QuotedTitle {
        const char* line;
        const char* title;
    };
    for (const QuotedTitle quoted :
         {QuotedTitle{"TITLE \"12\" Version\"", "12\" Version"},
          QuotedTitle{"TITLE \"Plain\"  ", "Plain"},
          QuotedTitle{"TITLE \"Never closed", "Never closed"}, QuotedTitle{"TITLE \"\"", ""}}) {
        SCOPED_TRACE(quoted.line);
        const CueParseResult parsed = ParseCueSheet(std::string(quoted.line) +
                                                    "\nFILE a.wav WAVE\nTRACK 01 AUDIO\n"
                                                    "INDEX 01 00:00:00\n");
        ASSERT_FALSE(parsed.error.has_value()) << parsed.error->what;
        EXPECT_EQ(parsed.sheet->texts.title, quoted.title);
    }
}

// A long name or remark is cut, not a reason to refuse the disc; the cut
// ends on a whole character.
TEST(CueParserTest, OverlongNamesAndRemarksAreCut) {
    std::string longTitle;
    while (longTitle.size() < 6000) {
        longTitle += "\xC3\xA9";  // two bytes each
    }
    const CueParseResult parsed =
        ParseCueSheet("REM COMMENT \"" + std::string(10000, 'x') + "\"\nTITLE \"x" + longTitle +
                      "\"\n" + "FILE a.wav WAVE\nTRACK 01 AUDIO\nINDEX 01 00:00:00\n");
    ASSERT_FALSE(parsed.error.has_value()) << parsed.error->what;
    const std::string& title = parsed.sheet->texts.title;
    EXPECT_GT(title.size(), 4000U);
    EXPECT_LE(title.size(), MAX_CUE_LINE_BYTES);
    EXPECT_EQ(title.substr(title.size() - 2), "\xC3\xA9");
}

TEST(CueParserTest, KeepsCdTextRemarksAndTrackDetails) {
    const CueParseResult parsed = ParseCueSheet(
        "REM GENRE \"Progressive Rock\"\r\nREM DATE 1994\r\nREM DISCID 8A0B2C0D\r\n"
        "REM COMMENT \"ExactAudioCopy v1.6\"\r\nREM COMPOSER Someone\r\nREM DISCNUMBER 2\r\n"
        "REM TOTALDISCS 3\r\nREM REPLAYGAIN_ALBUM_GAIN -7.50 dB\r\nCATALOG 0724384260927\r\n"
        "PERFORMER \"The Band\"\r\nTITLE Unquoted Album Title\r\nSONGWRITER \"Disc Writer\"\r\n"
        "FILE \"a.wav\" WAVE\r\n  TRACK 01 AUDIO\r\n    TITLE \"First \"\r\n"
        "    PERFORMER \"Guest\"\r\n    SONGWRITER \"Writer\"\r\n    ISRC GBAYE9400001\r\n"
        "    FLAGS DCP PRE\r\n    REM REPLAYGAIN_TRACK_GAIN -6.20 dB\r\n    PREGAP 00:01:00\r\n"
        "    INDEX 01 00:00:00\r\n    INDEX 02 00:30:00\r\n    POSTGAP 00:00:30\r\n");
    ASSERT_FALSE(parsed.error.has_value()) << parsed.error->what;
    const ParsedCueSheet& sheet = *parsed.sheet;
    EXPECT_EQ(sheet.texts.title, "Unquoted Album Title");
    EXPECT_EQ(sheet.texts.performer, "The Band");
    EXPECT_EQ(sheet.texts.songwriter, "Disc Writer");
    EXPECT_EQ(sheet.catalog, "0724384260927");
    ASSERT_EQ(sheet.remarks.size(), 8U);
    EXPECT_EQ(sheet.remarks[0].name, "GENRE");
    EXPECT_EQ(sheet.remarks[0].value, "Progressive Rock");
    EXPECT_EQ(sheet.remarks[7].name, "REPLAYGAIN_ALBUM_GAIN");
    EXPECT_EQ(sheet.remarks[7].value, "-7.50 dB");
    ASSERT_EQ(sheet.tracks.size(), 1U);
    const CueTrack& track = sheet.tracks[0];
    EXPECT_EQ(track.texts.title, "First ");
    EXPECT_EQ(track.texts.performer, "Guest");
    EXPECT_EQ(track.texts.songwriter, "Writer");
    EXPECT_EQ(track.isrc, "GBAYE9400001");
    EXPECT_EQ(track.flags, CUE_FLAG_COPY_PERMITTED | CUE_FLAG_PRE_EMPHASIS);
    EXPECT_EQ(track.pregap, 75);
    EXPECT_EQ(track.postgap, 30);
    ASSERT_EQ(track.remarks.size(), 1U);
    EXPECT_EQ(track.remarks[0].value, "-6.20 dB");
    ASSERT_NE(track.FindIndex(2), nullptr);
    EXPECT_EQ(track.FindIndex(2)->position.sector, 30 * 75);
    EXPECT_EQ(track.FindIndex(2)->line, 23);
}

struct RefusedCase {
    const char* name;
    std::string sheet;
    int line;
    const char* says;
};

void PrintTo(const RefusedCase& refused, std::ostream* out) {
    *out << refused.name;
}

const std::string HEAD = "FILE a.wav WAVE\nTRACK 01 AUDIO\n";

std::string ManyTracks(int count) {
    std::string sheet = "FILE a.wav WAVE\n";
    for (int number = 1; number <= count; ++number) {
        sheet += "TRACK " + std::to_string(number) +
                 " AUDIO\nINDEX 01 00:" + std::to_string(10 + number / 75) + ":" +
                 std::to_string(number % 75) + "\n";
    }
    return sheet;
}

const RefusedCase REFUSED_CASES[] = {
    {"Empty", "", 0, "it has no TRACK"},
    {"OnlyRemarks", "REM a\r\nTITLE x\r\n", 0, "it has no TRACK"},
    {"IndexBeforeAnyTrack", "FILE a.wav WAVE\nINDEX 01 00:00:00\n", 2, "INDEX 01 before any TRACK"},
    {"TrackBeforeAnyFile", "REM x\nTRACK 01 AUDIO\n", 2, "TRACK before any FILE"},
    {"PregapBeforeAnyTrack", "FILE a.wav WAVE\nPREGAP 00:02:00\n", 2, "PREGAP before any TRACK"},
    {"TrackNumberZero", "FILE a.wav WAVE\nTRACK 00 AUDIO\n", 2, "TRACK 00 is not a track number"},
    {"TrackNumberTooLarge", "FILE a.wav WAVE\nTRACK 100 AUDIO\n", 2, "TRACK 100 is not"},
    {"TrackNumberMissing", "FILE a.wav WAVE\nTRACK AUDIO\n", 2, "TRACK AUDIO is not"},
    {"UnknownMode", "FILE a.wav WAVE\nTRACK 01 MODE3/2352\n", 2, "the mode MODE3/2352"},
    {"AbsurdTime", HEAD + "INDEX 01 99:99:99\n", 3, "INDEX 01 99:99:99 is not a time"},
    {"SixtySeconds", HEAD + "INDEX 01 00:60:00\n", 3, "00:60:00 is not a time"},
    {"SeventyFiveFrames", HEAD + "INDEX 01 00:00:75\n", 3, "00:00:75 is not a time"},
    {"TwoPartTime", HEAD + "INDEX 01 00:00\n", 3, "00:00 is not a time"},
    {"NegativeTime", HEAD + "INDEX 01 -1:00:00\n", 3, "is not a time"},
    {"NoTime", HEAD + "INDEX 01\n", 3, "is not a time"},
    {"IndexNumberTooLarge", HEAD + "INDEX 100 00:00:00\n", 3, "INDEX 100 is not an index"},
    {"IndexGoesBackwards", HEAD + "INDEX 00 00:00:05\nINDEX 01 00:00:02\n", 4,
     "INDEX 01 00:00:02 lies before the track's INDEX 00"},
    {"IndexNumbersOutOfOrder", HEAD + "INDEX 02 00:00:05\nINDEX 01 00:00:06\n", 4,
     "INDEX 01 comes after INDEX 02"},
    {"IndexTwice", HEAD + "INDEX 01 00:00:05\nINDEX 01 00:00:06\n", 4,
     "INDEX 01 comes after INDEX 01"},
    {"TrackStartsBeforeThePreviousOne",
     HEAD + "INDEX 01 00:10:00\nTRACK 02 AUDIO\nINDEX 01 00:05:00\n", 5,
     "INDEX 01 does not follow track 1's indexes"},
    {"TrackStartsBeforeThePreviousIndexMark",
     HEAD + "INDEX 01 00:10:00\nINDEX 02 00:20:00\nTRACK 02 AUDIO\nINDEX 01 00:15:00\n", 6,
     "does not follow track 1's indexes"},
    {"AudioTrackWithoutIndexOne", HEAD + "INDEX 01 00:00:00\nTRACK 02 AUDIO\nINDEX 00 00:01:00\n",
     4, "TRACK 02 has no INDEX 01"},
    {"LastTrackWithoutIndex", HEAD, 2, "TRACK 01 has no INDEX 01"},
    {"DataTrackWithoutAnyIndex", "FILE a.bin BINARY\nTRACK 01 MODE1/2352\n", 2,
     "TRACK 01 has no INDEX 01"},
    {"HundredTracks", ManyTracks(100), 200, "more than 99 tracks"},
    {"EmptyFileName", "FILE \"\" WAVE\n", 1, "FILE names no file"},
    {"NulByte", HEAD + std::string("TITLE \"a\0b\"\n", 12) + "INDEX 01 00:00:00\n", 3, "NUL"},
    {"OverlongFileLine", "FILE \"" + std::string(5000, 'x') + ".wav\" WAVE\n", 1, "longer than"},
    {"OverlongIndexLine", HEAD + "INDEX 01 " + std::string(5000, '0') + "\n", 3, "longer than"},
    {"LinesEndedByDoubledCarriageReturns",
     "FILE a.wav WAVE\r\r\nTRACK 01 AUDIO\r\r\nINDEX 01 00:60:00\r\r\n", 3,
     "00:60:00 is not a time"},
};

class CueParserRefusesTest : public ::testing::TestWithParam<RefusedCase> {};

TEST_P(CueParserRefusesTest, SaysWhichLineIsWrongAndWhy) {
    const CueParseResult parsed = ParseCueSheet(GetParam().sheet);
    ASSERT_TRUE(parsed.error.has_value());
    EXPECT_FALSE(parsed.sheet.has_value());
    EXPECT_EQ(parsed.error->line, GetParam().line) << parsed.error->what;
    EXPECT_NE(parsed.error->what.find(GetParam().says), std::string::npos) << parsed.error->what;
}

INSTANTIATE_TEST_SUITE_P(Faults, CueParserRefusesTest, ::testing::ValuesIn(REFUSED_CASES),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(CueParserTest, NinetyNineTracksAreADisc) {
    const CueParseResult parsed = ParseCueSheet(ManyTracks(99));
    ASSERT_TRUE(parsed.sheet.has_value()) << parsed.error->what;
    EXPECT_EQ(parsed.sheet->tracks.size(), 99U);
}

TEST(CueParserTest, TooManyFilesAreRefused) {
    std::string sheet;
    for (int file = 0; file <= MAX_FILES; ++file) {
        sheet += "FILE a.wav WAVE\n";
    }
    const CueParseResult parsed = ParseCueSheet(sheet);
    ASSERT_TRUE(parsed.error.has_value());
    EXPECT_EQ(parsed.error->line, MAX_FILES + 1);
}

}  // namespace
}  // namespace corvid::cdrom
