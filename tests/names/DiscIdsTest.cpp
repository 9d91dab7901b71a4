#include "platform/names/DiscIds.h"

#include <gtest/gtest.h>

#include <QProcess>

#include "tools/imagegen/ImageGen.h"

namespace corvid::names {
namespace {

constexpr int PROCESS_FAILSAFE_MILLISECONDS = 10'000;

struct ExpectedIds {
    std::string musicBrainzId;
    std::string freedbId;
};

// The IDs as the documented algorithms give them, computed by a script that
// does not use libdiscid.
ExpectedIds IndependentIds(const DiscToc& toc) {
    QStringList arguments{QStringLiteral(DISC_IDS_SCRIPT), QString::number(toc.leadOut)};
    for (const DiscTrack& track : toc.tracks) {
        arguments << (track.kind == TrackKind::Data ? QStringLiteral("D:") : QStringLiteral("A:")) +
                         QString::number(track.start);
    }
    QProcess script;
    script.start(QStringLiteral("python3"), arguments);
    script.waitForFinished(PROCESS_FAILSAFE_MILLISECONDS);
    const QList<QByteArray> lines = script.readAllStandardOutput().trimmed().split('\n');
    if (lines.size() != 2) {
        return {};
    }
    return {lines[0].toStdString(), lines[1].toStdString()};
}

DiscToc FromDrive(const cdrom::Toc& drive) {
    DiscToc toc;
    for (const cdrom::TocTrack& track : drive.tracks) {
        toc.tracks.push_back(
            DiscTrack{track.number, track.start,
                      track.kind == cdrom::TrackKind::Data ? TrackKind::Data : TrackKind::Audio});
    }
    toc.leadOut = drive.leadOut;
    return toc;
}

imagegen::TrackDescription Track(cdrom::Lba length, cdrom::Lba index00 = 0, cdrom::Lba pregap = 0,
                                 imagegen::TrackType type = imagegen::TrackType::Audio) {
    imagegen::TrackDescription track;
    track.type = type;
    track.length = length;
    track.index00 = index00;
    track.pregap = pregap;
    return track;
}

struct TocCase {
    const char* name;
    DiscToc toc;
};

DiscToc Generated(std::vector<imagegen::TrackDescription> tracks) {
    imagegen::DiscDescription disc;
    disc.tracks = std::move(tracks);
    return FromDrive(imagegen::ExpectedToc(disc));
}

std::vector<TocCase> Cases() {
    using imagegen::TrackType;
    return {
        {"OneTrack", {{{1, 0}}, 20'000}},
        {"FourTracks", {{{1, 0}, {2, 15'000}, {3, 40'000}, {4, 70'000}}, 95'312}},
        {"HiddenAudioBeforeTrackOne", {{{1, 182}, {2, 30'000}}, 60'000}},
        {"EnhancedCd", {{{1, 0}, {2, 20'000}, {3, 45'000}, {4, 70'000, TrackKind::Data}}, 120'000}},
        {"DataTrackFirst", {{{1, 0, TrackKind::Data}, {2, 30'000}, {3, 50'000}}, 80'000}},
        {"NinetyNineTracks",
         [] {
             DiscToc toc;
             for (int number = 1; number <= 99; ++number) {
                 toc.tracks.push_back(DiscTrack{number, (number - 1) * 3'000});
             }
             toc.leadOut = 99 * 3'000;
             return toc;
         }()},
        {"GeneratedWithGaps",
         Generated({Track(900, 0, 150), Track(750, 75), Track(1'200, 150, 75)})},
        {"GeneratedDataTrackAtTheEnd",
         Generated({Track(900), Track(750, 150), Track(600, 150, 0, TrackType::Data)})},
        {"GeneratedEnhancedCd",
         Generated({Track(30'000), Track(20'000, 150), Track(600, 11'400, 0, TrackType::Data)})},
    };
}

class DiscIdsTest : public ::testing::TestWithParam<TocCase> {};

TEST_P(DiscIdsTest, LibdiscidAgreesWithTheDocumentedAlgorithms) {
    const DiscToc& toc = GetParam().toc;
    const std::optional<DiscIds> ids = ComputeDiscIds(toc);
    ASSERT_TRUE(ids.has_value());
    const ExpectedIds expected = IndependentIds(toc);
    ASSERT_FALSE(expected.musicBrainzId.empty()) << "the script did not run";
    EXPECT_EQ(ids->musicBrainzId, expected.musicBrainzId);
    EXPECT_EQ(ids->freedbId, expected.freedbId);
    EXPECT_EQ(ids->musicBrainzId.size(), 28U);
}

INSTANTIATE_TEST_SUITE_P(Tocs, DiscIdsTest, ::testing::ValuesIn(Cases()),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(DiscIdsTocStringTest, NamesTheAudioSessionOfAnEnhancedCd) {
    const DiscToc enhanced{{{1, 0}, {2, 20'000}, {3, 50'000, TrackKind::Data}}, 80'000};
    EXPECT_EQ(ComputeDiscIds(enhanced)->tocString, "1 2 38750 150 20150");
}

TEST(DiscIdsTocStringTest, AnUnusableTocHasNoIds) {
    EXPECT_FALSE(ComputeDiscIds(DiscToc{{{1, 100}, {2, 50}}, 200}).has_value());
    EXPECT_FALSE(ComputeDiscIds(DiscToc{{}, 200}).has_value());
}

}  // namespace
}  // namespace corvid::names
