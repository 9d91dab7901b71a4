#include "names/NameText.h"

#include <gtest/gtest.h>

#include "names/DiscToc.h"
#include "names/LookupOutcome.h"

namespace corvid::names {
namespace {

struct SanitizeCase {
    const char* name;
    std::string text;
    std::string expected;
};

class SanitizeListTextTest : public ::testing::TestWithParam<SanitizeCase> {};

TEST_P(SanitizeListTextTest, MakesTextFitARow) {
    EXPECT_EQ(SanitizeListText(GetParam().text), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, SanitizeListTextTest,
    ::testing::Values(
        SanitizeCase{"Plain", "First Light", "First Light"},
        SanitizeCase{"LineBreaksAndTabsBecomeBlanks", "One\r\nTwo\tThree", "One  Two Three"},
        SanitizeCase{"ControlsGo",
                     "A\x01"
                     "B\x7F"
                     "C\xC2\x85"
                     "D",
                     "ABCD"},
        SanitizeCase{"EndsTrimmed", "  \n Name \t", "Name"},
        SanitizeCase{"InvalidUtf8Replaced",
                     "Bad\xFF"
                     "Byte\xC3",
                     "Bad\xEF\xBF\xBD"
                     "Byte\xEF\xBF\xBD"},
        SanitizeCase{"OverlongReplaced", "\xC0\xAF", "\xEF\xBF\xBD\xEF\xBF\xBD"},
        SanitizeCase{"MultiByteKept", "\xE6\x97\xA5\xE6\x9C\xAC \xF0\x9F\x8E\xB5",
                     "\xE6\x97\xA5\xE6\x9C\xAC \xF0\x9F\x8E\xB5"},
        SanitizeCase{"CutTo254CodePoints", std::string(300, 'a'), std::string(254, 'a')},
        SanitizeCase{"CutNeverSplitsACharacter", std::string(253, 'a') + "\xC3\xA9\xC3\xA9",
                     std::string(253, 'a') + "\xC3\xA9"}),
    [](const auto& info) { return std::string(info.param.name); });

ReleaseNames BoxSetDisc() {
    ReleaseNames release;
    release.artist = "The Band";
    release.title = "Complete Works";
    release.year = 2004;
    release.country = "GB";
    release.format = "CD";
    release.label = "Label Records";
    release.catalogueNumber = "LBL 123";
    release.mediumPosition = 3;
    release.mediumCount = 5;
    return release;
}

TEST(ChooserRowTextTest, NamesEveryKnownField) {
    EXPECT_EQ(ChooserRowText(BoxSetDisc()),
              "The Band - Complete Works, 2004, GB, CD, Label Records LBL 123, disc 3 of 5");
}

TEST(ChooserRowTextTest, LeavesOutWhatIsUnknown) {
    ReleaseNames release;
    release.title = "Nights";
    release.catalogueNumber = "CAT-9";
    release.mediumPosition = 1;
    release.mediumCount = 1;
    EXPECT_EQ(ChooserRowText(release), "Nights, CAT-9");
}

TEST(ChooserRowTextTest, GnudbRowsSayTheirCategoryAndAnInexactMatch) {
    ReleaseNames release;
    release.source = NameSource::Gnudb;
    release.artist = "The Band";
    release.title = "Nights";
    release.releaseId = "rock/7a0c9b09";
    EXPECT_EQ(ChooserRowText(release), "The Band - Nights, gnudb rock");
    release.match = DiscMatch::Inexact;
    EXPECT_EQ(ChooserRowText(release),
              "The Band - Nights, gnudb rock, tracks differ from this disc");
}

TEST(FailureMessageTest, SentencesTheWindowShows) {
    LookupFailure failure;
    failure.server = "musicbrainz.org";
    failure.kind = FailureKind::Unreachable;
    failure.reason = "Connection refused";
    EXPECT_EQ(FailureMessage(failure), "Couldn't reach musicbrainz.org: Connection refused");
    failure.kind = FailureKind::NotFound;
    EXPECT_EQ(FailureMessage(failure), "No names were found for this disc.");
    failure.kind = FailureKind::TooLarge;
    failure.limit = std::int64_t{4} * 1024 * 1024;
    EXPECT_EQ(FailureMessage(failure),
              "musicbrainz.org sent an answer larger than 4 MiB; it was not read.");
    failure.kind = FailureKind::ServerError;
    failure.status = 502;
    EXPECT_EQ(FailureMessage(failure), "musicbrainz.org answered with error 502.");
}

struct TocCase {
    const char* name;
    DiscToc toc;
    bool usable;
};

class CheckTocTest : public ::testing::TestWithParam<TocCase> {};

TEST_P(CheckTocTest, TellsUsableFromBroken) {
    EXPECT_EQ(!CheckToc(GetParam().toc).has_value(), GetParam().usable);
}

INSTANTIATE_TEST_SUITE_P(
    Tocs, CheckTocTest,
    ::testing::Values(TocCase{"Usable", {{{1, 0}, {2, 100}}, 200}, true},
                      TocCase{"NoTracks", {{}, 200}, false},
                      TocCase{"NumbersSkip", {{{1, 0}, {3, 100}}, 200}, false},
                      TocCase{"StartsGoBack", {{{1, 100}, {2, 50}}, 200}, false},
                      TocCase{"LeadOutBeforeLastStart", {{{1, 0}, {2, 100}}, 100}, false},
                      TocCase{"NegativeStart", {{{1, -5}}, 200}, false},
                      TocCase{"NumberZero", {{{0, 0}}, 200}, false}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(MusicBrainzTocTest, LeavesOutTheDataTrackOfAnEnhancedCd) {
    const DiscToc enhanced{{{1, 0}, {2, 20'000}, {3, 50'000, TrackKind::Data}}, 80'000};
    const DiscToc expected{{{1, 0}, {2, 20'000}}, 50'000 - 11'400};
    EXPECT_EQ(MusicBrainzToc(enhanced), expected);
}

TEST(MusicBrainzTocTest, KeepsADataTrackTooCloseToBeASecondSession) {
    const DiscToc mixed{{{1, 0}, {2, 20'000}, {3, 25'000, TrackKind::Data}}, 30'000};
    EXPECT_EQ(MusicBrainzToc(mixed), mixed);
}

TEST(MusicBrainzTocTest, KeepsADataTrackAtTheStart) {
    const DiscToc mixed{{{1, 0, TrackKind::Data}, {2, 20'000}}, 80'000};
    EXPECT_EQ(MusicBrainzToc(mixed), mixed);
}

TEST(CddbQueryCommandTest, CountsTheWholeDiscFromTheLeadIn) {
    const DiscToc toc{{{1, 0}, {2, 20'000}, {3, 50'000, TrackKind::Data}}, 80'000};
    EXPECT_EQ(CddbQueryCommand(toc, "1f0a1c03"), "cddb query 1f0a1c03 3 150 20150 50150 1068");
}

}  // namespace
}  // namespace corvid::names
