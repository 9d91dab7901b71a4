#include "platform/names/MusicBrainzAnswer.h"

#include <gtest/gtest.h>

namespace corvid::names {
namespace {

constexpr const char* DISC = "Wn8eRBtfLDfM0qjYPdxrz.Zjs_U-";

// Answers written after the web service's documentation of a discid lookup
// with inc=artist-credits+labels+recordings.
const QByteArray ONE_RELEASE = R"({
  "id": "Wn8eRBtfLDfM0qjYPdxrz.Zjs_U-", "sectors": 95462, "offset-count": 2,
  "releases": [{
    "id": "7b3a1f0e-0000-4000-8000-000000000001", "title": "First Light",
    "date": "1999-05-03", "country": "GB", "status": "Official",
    "artist-credit": [{"name": "The Band", "joinphrase": " & ", "artist": {"name": "The Band"}},
                      {"name": "Friends", "joinphrase": ""}],
    "label-info": [{"catalog-number": "LBL 123", "label": {"name": "Label Records"}}],
    "media": [{
      "position": 1, "format": "CD", "track-count": 2,
      "discs": [{"id": "Wn8eRBtfLDfM0qjYPdxrz.Zjs_U-", "sectors": 95462}],
      "tracks": [
        {"position": 1, "number": "1", "title": "Opening", "length": 200000,
         "recording": {"title": "Opening"}},
        {"position": 2, "number": "2", "title": "Duet",
         "artist-credit": [{"name": "Guest Singer", "joinphrase": " feat. "},
                           {"name": "The Band", "joinphrase": ""}],
         "recording": {"title": "Duet"}}
      ]
    }]
  }]
})";

QByteArray BoxSet() {
    QByteArray media;
    for (int position = 1; position <= 5; ++position) {
        const QByteArray id =
            position == 3 ? QByteArray(DISC) : "other-disc-" + QByteArray::number(position);
        media += (position > 1 ? "," : "") + QByteArray(R"({"position": )") +
                 QByteArray::number(position) + R"(, "format": "CD", "discs": [{"id": ")" + id +
                 R"("}], "tracks": [{"position": 1, "title": "Disc )" +
                 QByteArray::number(position) + R"( opening"}]})";
    }
    return R"({"releases": [{"id": "box", "title": "Complete Works", "date": "2004",
               "artist-credit": [{"name": "The Band"}], "media": [)" +
           media + "]}]}";
}

TEST(MusicBrainzAnswerTest, OneRelease) {
    const MusicBrainzReleases answer = ReadMusicBrainzReleases(ONE_RELEASE, DISC);
    ASSERT_FALSE(answer.malformed.has_value());
    ASSERT_EQ(answer.releases.size(), 1U);
    const ReleaseNames& release = answer.releases[0];
    EXPECT_EQ(release.source, NameSource::MusicBrainz);
    EXPECT_EQ(release.releaseId, "7b3a1f0e-0000-4000-8000-000000000001");
    EXPECT_EQ(release.title, "First Light");
    EXPECT_EQ(release.artist, "The Band & Friends");
    EXPECT_EQ(release.year, 1999);
    EXPECT_EQ(release.country, "GB");
    EXPECT_EQ(release.format, "CD");
    EXPECT_EQ(release.label, "Label Records");
    EXPECT_EQ(release.catalogueNumber, "LBL 123");
    EXPECT_EQ(release.mediumPosition, 1);
    EXPECT_EQ(release.mediumCount, 1);
    const std::vector<TrackNames> expected = {{1, "Opening", "The Band & Friends"},
                                              {2, "Duet", "Guest Singer feat. The Band"}};
    EXPECT_EQ(release.tracks, expected);
}

TEST(MusicBrainzAnswerTest, SeveralReleasesKeepTheirOrder) {
    const QByteArray body = R"({"releases": [
      {"id": "a", "title": "Original", "media": [{"position": 1, "discs": [{"id": ")" +
                            QByteArray(DISC) + R"("}]}]},
      {"id": "b", "title": "Elsewhere", "media": [{"position": 1, "discs": [{"id": "not-it"}]}]},
      {"id": "c", "title": "Reissue", "media": [{"position": 1, "discs": [{"id": ")" +
                            QByteArray(DISC) + R"("}]}]}]})";
    const MusicBrainzReleases answer = ReadMusicBrainzReleases(body, DISC);
    ASSERT_EQ(answer.releases.size(), 2U);
    EXPECT_EQ(answer.releases[0].title, "Original");
    EXPECT_EQ(answer.releases[1].title, "Reissue");
}

TEST(MusicBrainzAnswerTest, BoxSetNamesTheMediumThatHoldsTheDisc) {
    const MusicBrainzReleases answer = ReadMusicBrainzReleases(BoxSet(), DISC);
    ASSERT_EQ(answer.releases.size(), 1U);
    EXPECT_EQ(answer.releases[0].mediumPosition, 3);
    EXPECT_EQ(answer.releases[0].mediumCount, 5);
    EXPECT_EQ(answer.releases[0].year, 2004);
    ASSERT_EQ(answer.releases[0].tracks.size(), 1U);
    EXPECT_EQ(answer.releases[0].tracks[0].title, "Disc 3 opening");
}

TEST(MusicBrainzAnswerTest, MissingFieldsAreEmpty) {
    const QByteArray body =
        R"({"releases": [{"media": [{"discs": [{"id": ")" + QByteArray(DISC) +
        R"("}], "tracks": [{}, {"recording": {"title": "From the recording"}}]}]}]})";
    const MusicBrainzReleases answer = ReadMusicBrainzReleases(body, DISC);
    ASSERT_EQ(answer.releases.size(), 1U);
    const ReleaseNames& release = answer.releases[0];
    EXPECT_EQ(release.title, "");
    EXPECT_EQ(release.artist, "");
    EXPECT_EQ(release.year, 0);
    EXPECT_EQ(release.mediumPosition, 0);
    ASSERT_EQ(release.tracks.size(), 2U);
    EXPECT_EQ(release.tracks[1].title, "From the recording");
}

TEST(MusicBrainzAnswerTest, WrongTypesCountAsAbsent) {
    const QByteArray body = R"({"releases": [{"title": 12, "date": true, "artist-credit": "x",
        "label-info": {"label": 1}, "media": [{"position": "3", "format": [],
        "discs": [{"id": ")" +
                            QByteArray(DISC) +
                            R"("}], "tracks": [{"title": null, "position": "one"}]},
        "not an object"]}, 7]})";
    const MusicBrainzReleases answer = ReadMusicBrainzReleases(body, DISC);
    ASSERT_EQ(answer.releases.size(), 1U);
    EXPECT_EQ(answer.releases[0].title, "");
    EXPECT_EQ(answer.releases[0].mediumPosition, 0);
    EXPECT_EQ(answer.releases[0].mediumCount, 2);
    EXPECT_EQ(answer.releases[0].tracks.at(0).number, 0);
}

TEST(MusicBrainzAnswerTest, AnswersThatCannotBeRead) {
    for (const QByteArray& body : {QByteArray(""), QByteArray("<html>Service down</html>"),
                                   QByteArray(R"({"releases": {}})"), QByteArray("[1, 2]"),
                                   QByteArray(R"({"releases": [)")}) {
        EXPECT_TRUE(ReadMusicBrainzReleases(body, DISC).malformed.has_value()) << body.data();
    }
}

// What the service sends for a disc known only from a user's stub.
TEST(MusicBrainzAnswerTest, ACdStubHoldsNoRelease) {
    const MusicBrainzReleases answer = ReadMusicBrainzReleases(
        R"({"id": "x", "title": "Stub Album", "artist": "Stub Artist", "track-count": 1,
            "tracks": [{"title": "Stub 1", "artist": null, "length": 8000}]})",
        DISC);
    EXPECT_FALSE(answer.malformed.has_value());
    EXPECT_TRUE(answer.releases.empty());
}

TEST(MusicBrainzAnswerTest, InvalidUtf8IsReplacedAndControlsGo) {
    const QByteArray body =
        "{\"releases\": [{\"title\": \"Bad\xFF\\u0007Name\", \"media\": "
        "[{\"discs\": [{\"id\": \"" +
        QByteArray(DISC) + "\"}]}]}]}";
    const MusicBrainzReleases answer = ReadMusicBrainzReleases(body, DISC);
    ASSERT_EQ(answer.releases.size(), 1U);
    EXPECT_EQ(answer.releases[0].title, "Bad\xEF\xBF\xBDName");
}

}  // namespace
}  // namespace corvid::names
