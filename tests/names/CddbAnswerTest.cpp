#include "names/CddbAnswer.h"

#include <gtest/gtest.h>

#include <string>

namespace corvid::names {
namespace {

DiscToc TocOf(int trackCount) {
    DiscToc toc;
    for (int number = 1; number <= trackCount; ++number) {
        toc.tracks.push_back(DiscTrack{number, (number - 1) * 15'000, TrackKind::Audio});
    }
    toc.leadOut = trackCount * 15'000;
    return toc;
}

struct QueryCase {
    const char* name;
    std::string body;
    CddbAnswerKind kind;
    int status;
    std::vector<CddbMatch> matches;
};

class CddbQueryTest : public ::testing::TestWithParam<QueryCase> {};

TEST_P(CddbQueryTest, ReadsStatusAndMatches) {
    const QueryCase& row = GetParam();
    const CddbQueryAnswer answer = ParseCddbQuery(row.body);
    EXPECT_EQ(answer.kind, row.kind) << answer.reason;
    if (row.kind != CddbAnswerKind::Malformed) {
        EXPECT_EQ(answer.status, row.status);
    }
    EXPECT_EQ(answer.matches, row.matches);
}

INSTANTIATE_TEST_SUITE_P(
    Answers, CddbQueryTest,
    ::testing::Values(
        QueryCase{"Exact",
                  "200 rock 7a0c9b09 The Band / First Light\r\n",
                  CddbAnswerKind::Found,
                  200,
                  {{"rock", "7a0c9b09", "The Band / First Light"}}},
        QueryCase{"ExactMultiple",
                  "210 Found exact matches, list follows (until terminating `.')\r\n"
                  "rock 7a0c9b09 The Band / First Light\r\n"
                  "misc 7a0c9b09 The Band / First Light (Remaster)\r\n.\r\n",
                  CddbAnswerKind::Found,
                  210,
                  {{"rock", "7a0c9b09", "The Band / First Light"},
                   {"misc", "7a0c9b09", "The Band / First Light (Remaster)"}}},
        QueryCase{"Inexact",
                  "211 Found inexact matches, list follows (until terminating `.')\n"
                  "jazz 7a0c9b0a Quartet / Nights\n.\n",
                  CddbAnswerKind::Found,
                  211,
                  {{"jazz", "7a0c9b0a", "Quartet / Nights", DiscMatch::Inexact}}},
        QueryCase{"LinesAfterTheEndAreIgnored",
                  "211 inexact\njazz 7a0c9b0a Quartet / Nights\n.\nrock 1 Not / This\n",
                  CddbAnswerKind::Found,
                  211,
                  {{"jazz", "7a0c9b0a", "Quartet / Nights", DiscMatch::Inexact}}},
        QueryCase{"None", "202 No match found\r\n", CddbAnswerKind::NotFound, 202, {}},
        QueryCase{"NoHandshake", "409 No handshake\r\n", CddbAnswerKind::Error, 409, {}},
        QueryCase{"ServerError", "500 Unknown developer email\r\n", CddbAnswerKind::Error, 500, {}},
        QueryCase{"Empty", "", CddbAnswerKind::Malformed, 0, {}},
        QueryCase{"Html", "<html><body>Not here</body></html>", CddbAnswerKind::Malformed, 0, {}},
        QueryCase{"UnknownCode", "299 what\n", CddbAnswerKind::Malformed, 0, {}},
        QueryCase{"ListWithoutMatches", "210 list\n.\n", CddbAnswerKind::Malformed, 0, {}},
        QueryCase{"ExactWithoutDiscId", "200 rock\n", CddbAnswerKind::Malformed, 0, {}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(CddbReadTest, ReadsAlbumYearAndTracks) {
    const CddbReadAnswer answer = ParseCddbRead(
        "210 rock 7a0c9b09 CD database entry follows (until terminating `.')\r\n"
        "# xmcd\r\n#\r\n# Track frame offsets:\r\n#        150\r\n"
        "DISCID=7a0c9b09\r\nDTITLE=The Band / First Light\r\nDYEAR=1999\r\nDGENRE=Rock\r\n"
        "TTITLE0=Opening\r\nTTITLE1=Guest Singer / Duet\r\nTTITLE2=Closing\r\n"
        "EXTD=\r\nPLAYORDER=\r\n.\r\n",
        TocOf(3));
    ASSERT_EQ(answer.kind, CddbAnswerKind::Found) << answer.reason;
    const ReleaseNames& release = answer.release;
    EXPECT_EQ(release.source, NameSource::Gnudb);
    EXPECT_EQ(release.releaseId, "rock/7a0c9b09");
    EXPECT_EQ(release.artist, "The Band");
    EXPECT_EQ(release.title, "First Light");
    EXPECT_EQ(release.year, 1999);
    const std::vector<TrackNames> expected = {
        {1, "Opening", "The Band"}, {2, "Duet", "Guest Singer"}, {3, "Closing", "The Band"}};
    EXPECT_EQ(release.tracks, expected);
}

TEST(CddbReadTest, JoinsTheLinesOfARepeatedField) {
    const CddbReadAnswer answer = ParseCddbRead(
        "210 rock 7a0c9b09\nDTITLE=A Very Long Band Name / A Very \nDTITLE=Long Album\n"
        "TTITLE0=Part one of a \nTTITLE0=long title\n.\n",
        TocOf(1));
    EXPECT_EQ(answer.release.artist, "A Very Long Band Name");
    EXPECT_EQ(answer.release.title, "A Very Long Album");
    EXPECT_EQ(answer.release.tracks.at(0).title, "Part one of a long title");
}

TEST(CddbReadTest, AnAlbumWithoutSeparatorNamesTheArtistToo) {
    const CddbReadAnswer answer = ParseCddbRead("210 misc 01\nDTITLE=Soundtrack\n.\n", TocOf(1));
    EXPECT_EQ(answer.release.artist, "Soundtrack");
    EXPECT_EQ(answer.release.title, "Soundtrack");
}

TEST(CddbReadTest, ReadsLatin1WhenAFieldIsNotUtf8) {
    const CddbReadAnswer answer = ParseCddbRead(
        "210 misc 01\nDTITLE=Bj\xF6rk / D\xE9\x62ut\nTTITLE0=Caf\xC3\xA9\n.\n", TocOf(1));
    EXPECT_EQ(answer.release.artist, "Bj\xC3\xB6rk");
    EXPECT_EQ(answer.release.title,
              "D\xC3\xA9"
              "but");
    EXPECT_EQ(answer.release.tracks.at(0).title, "Caf\xC3\xA9");
}

TEST(CddbReadTest, AUtf8CharacterSplitAcrossTwoLinesStaysWhole) {
    const CddbReadAnswer answer =
        ParseCddbRead("210 misc 01\nTTITLE0=Caf\xC3\nTTITLE0=\xA9 Noir\n.\n", TocOf(1));
    EXPECT_EQ(answer.release.tracks.at(0).title, "Caf\xC3\xA9 Noir");
}

TEST(CddbReadTest, CountsThatDoNotMatchTheDisc) {
    // Titles for tracks the disc lacks are dropped; tracks without one stay blank.
    const CddbReadAnswer answer = ParseCddbRead(
        "210 misc 01\nTTITLE0=One\nTTITLE2=Three\nTTITLE3=Four\nTTITLE7=Eight\n.\n", TocOf(3));
    const std::vector<TrackNames> expected = {{1, "One", ""}, {2, "", ""}, {3, "Three", ""}};
    EXPECT_EQ(answer.release.tracks, expected);
}

TEST(CddbReadTest, NinetyNineTracksAndIndexesBeyond) {
    std::string body = "210 misc 01\n";
    for (int index = 0; index < 120; ++index) {
        body += "TTITLE" + std::to_string(index) + "=Track " + std::to_string(index + 1) + "\n";
    }
    body += "TTITLE99999999999999999999=Huge\nTTITLE-1=Negative\nTTITLEx=Letter\n.\n";
    const CddbReadAnswer answer = ParseCddbRead(body, TocOf(99));
    ASSERT_EQ(answer.release.tracks.size(), 99U);
    EXPECT_EQ(answer.release.tracks.back().number, 99);
    EXPECT_EQ(answer.release.tracks.back().title, "Track 99");
}

TEST(CddbReadTest, TrackNumbersFollowTheDiscsFirstTrack) {
    DiscToc toc = TocOf(2);
    toc.tracks[0].number = 4;
    toc.tracks[1].number = 5;
    const CddbReadAnswer answer =
        ParseCddbRead("210 misc 01\nTTITLE0=Four\nTTITLE1=Five\n.\n", toc);
    const std::vector<TrackNames> expected = {{4, "Four", ""}, {5, "Five", ""}};
    EXPECT_EQ(answer.release.tracks, expected);
}

TEST(CddbReadTest, ControlCharactersAndLongNamesFitAListRow) {
    const std::string longName(10'000, 'x');
    const CddbReadAnswer answer = ParseCddbRead(
        "210 misc 01\nDTITLE=Ba\x01nd\x1B[31m / Al\tbum\x7F\nTTITLE0=" + longName + "\n.\n",
        TocOf(1));
    EXPECT_EQ(answer.release.artist, "Band[31m");
    EXPECT_EQ(answer.release.title, "Al bum");
    EXPECT_EQ(answer.release.tracks.at(0).title, std::string(254, 'x'));
}

TEST(CddbReadTest, ALongHeadingStillGivesAnIdThatFitsARow) {
    const std::string word(200, 'c');
    const CddbReadAnswer answer = ParseCddbRead("210 " + word + " " + word + "\n.\n", TocOf(1));
    EXPECT_EQ(answer.release.releaseId, word + "/" + std::string(53, 'c'));
}

TEST(CddbReadTest, EscapesInValuesAreDecoded) {
    const CddbReadAnswer answer = ParseCddbRead(
        "210 misc 01\nDTITLE=AC\\\\DC / Live\\nat Donington\nTTITLE0=Back\\tin Black\n"
        "TTITLE1=Rock \\\\ Roll \\q\\\n.\n",
        TocOf(2));
    ASSERT_EQ(answer.kind, CddbAnswerKind::Found) << answer.reason;
    EXPECT_EQ(answer.release.artist, "AC\\DC");
    // A newline or tab in a name becomes a blank in a list row.
    EXPECT_EQ(answer.release.title, "Live at Donington");
    EXPECT_EQ(answer.release.tracks.at(0).title, "Back in Black");
    EXPECT_EQ(answer.release.tracks.at(1).title, "Rock \\ Roll \\q\\");
}

// A body cut off in transit must not pass for a whole one: its last names
// would be missing or cut short.
TEST(CddbReadTest, AnAnswerWithoutItsTerminatorIsNotTaken) {
    const CddbReadAnswer read =
        ParseCddbRead("210 misc 01\r\nDTITLE=Band / Album\r\nTTITLE0=Second Song ", TocOf(2));
    EXPECT_EQ(read.kind, CddbAnswerKind::Malformed);
    EXPECT_EQ(read.reason, "the answer ends before its last line");
    const CddbQueryAnswer query =
        ParseCddbQuery("210 Found exact matches\r\nrock 7a0c9b09 The Band / First Light\r\n");
    EXPECT_EQ(query.kind, CddbAnswerKind::Malformed);
}

TEST(CddbReadTest, AnEntryWithoutAnyNameIsNoMatch) {
    EXPECT_EQ(
        ParseCddbRead("210 rock 01\r\n# xmcd\r\nDISCID=01\r\nDYEAR=1999\r\n.\r\n", TocOf(1)).kind,
        CddbAnswerKind::NotFound);
}

TEST(CddbReadTest, StatusCodes) {
    EXPECT_EQ(ParseCddbRead("401 rock 7a0c9b09 No such CD entry in database\n", TocOf(1)).kind,
              CddbAnswerKind::NotFound);
    const CddbReadAnswer error = ParseCddbRead("402 Server error\n", TocOf(1));
    EXPECT_EQ(error.kind, CddbAnswerKind::Error);
    EXPECT_EQ(error.status, 402);
    EXPECT_EQ(ParseCddbRead("200 rock 7a0c9b09 Title\n", TocOf(1)).kind, CddbAnswerKind::Malformed);
    EXPECT_EQ(ParseCddbRead("", TocOf(1)).kind, CddbAnswerKind::Malformed);
}

}  // namespace
}  // namespace corvid::names
