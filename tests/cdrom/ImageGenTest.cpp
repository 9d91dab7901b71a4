#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

#include "tests/support/TemporaryFolder.h"
#include "tools/imagegen/ImageGen.h"

namespace corvid::imagegen {
namespace {

using cdrom::SAMPLES_PER_SECTOR;

TrackDescription Track(TrackType type, Lba length, Lba index00 = 0, Lba pregap = 0) {
    TrackDescription track;
    track.type = type;
    track.length = length;
    track.index00 = index00;
    track.pregap = pregap;
    return track;
}

// Audio 100; audio 100 after an INDEX 00 gap of 10; data 50 after a PREGAP of
// 20; audio 30 after an INDEX 00 gap of 5.
DiscDescription MixedDisc() {
    DiscDescription disc;
    disc.tracks = {Track(TrackType::Audio, 100), Track(TrackType::Audio, 100, 10),
                   Track(TrackType::Data, 50, 0, 20), Track(TrackType::Audio, 30, 5)};
    return disc;
}

std::vector<std::int16_t> Join(std::initializer_list<std::vector<std::int16_t>> parts) {
    std::vector<std::int16_t> joined;
    for (const auto& part : parts) {
        joined.insert(joined.end(), part.begin(), part.end());
    }
    return joined;
}

TEST(ImageGenTest, GapsBelongToTheTrackBeforeAndDataTracksTakeTheirs) {
    const cdrom::Toc toc = ExpectedToc(MixedDisc());
    ASSERT_EQ(toc.tracks.size(), 4U);
    const Lba starts[] = {0, 110, 230, 285};
    const Lba ends[] = {110, 210, 285, 315};
    for (std::size_t index = 0; index < 4; ++index) {
        EXPECT_EQ(toc.tracks[index].start, starts[index]) << index;
        EXPECT_EQ(toc.tracks[index].playableEnd, ends[index]) << index;
    }
    EXPECT_EQ(toc.tracks[2].kind, cdrom::TrackKind::Data);
    EXPECT_EQ(toc.leadOut, 315);
}

TEST(ImageGenTest, PlaybackRunsGaplessAndSkipsDataWithItsGaps) {
    const DiscDescription disc = MixedDisc();
    EXPECT_TRUE(ExpectedPlayback(disc, 1) ==
                Join({DiscSamples(disc, 0, 210), DiscSamples(disc, 285, 315)}));
    EXPECT_TRUE(ExpectedPlayback(disc, 2) ==
                Join({DiscSamples(disc, 110, 210), DiscSamples(disc, 285, 315)}));
    EXPECT_TRUE(ExpectedPlayback(disc, 3) == DiscSamples(disc, 285, 315));
}

TEST(ImageGenTest, PregapIsSilenceAndIndexZeroGapIsNot) {
    DiscDescription disc;
    disc.tracks = {Track(TrackType::Audio, 10), Track(TrackType::Audio, 10, 0, 4),
                   Track(TrackType::Audio, 10, 4)};
    const std::vector<std::int16_t> pregap = DiscSamples(disc, 10, 14);
    EXPECT_TRUE(
        std::all_of(pregap.begin(), pregap.end(), [](std::int16_t value) { return value == 0; }));
    const std::vector<std::int16_t> indexZero = DiscSamples(disc, 24, 28);
    for (std::size_t index = 0; index < indexZero.size(); index += 2) {
        ASSERT_FALSE(indexZero[index] == 0 && indexZero[index + 1] == 0) << index;
    }
}

TEST(ImageGenTest, TestSignalFramesAreAllDifferent) {
    DiscDescription disc;
    disc.tracks = {Track(TrackType::Audio, 200), Track(TrackType::Audio, 200, 20)};
    const std::vector<std::int16_t> samples = ExpectedPlayback(disc, 1);
    std::vector<std::uint32_t> frames;
    for (std::size_t index = 0; index < samples.size(); index += 2) {
        frames.push_back(static_cast<std::uint16_t>(samples[index]) << 16U |
                         static_cast<std::uint16_t>(samples[index + 1]));
    }
    std::sort(frames.begin(), frames.end());
    EXPECT_EQ(std::adjacent_find(frames.begin(), frames.end()), frames.end());
}

std::string Bytes(const std::filesystem::path& path) {
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), {}};
}

TEST(ImageGenTest, TheSameDescriptionWritesTheSameBytes) {
    DiscDescription disc;
    disc.layout = FileLayout::FilePerTrack;
    disc.format = AudioFormat::Flac;
    disc.signal = Signal::Music;
    disc.title = "Album";
    disc.tracks = {Track(TrackType::Audio, 150), Track(TrackType::Data, 20, 0, 10)};
    const testing::TemporaryFolder first;
    const testing::TemporaryFolder second;
    ASSERT_FALSE(WriteImage(disc, first.Path(), "disc").error.has_value());
    ASSERT_FALSE(WriteImage(disc, second.Path(), "disc").error.has_value());
    for (const char* name : {"disc.cue", "disc-01.flac", "disc-02.bin"}) {
        EXPECT_EQ(Bytes(first / name), Bytes(second / name)) << name;
        EXPECT_FALSE(Bytes(first / name).empty()) << name;
    }
}

TEST(ImageGenTest, MusicIsNeitherSilentNorClipped) {
    DiscDescription disc;
    disc.signal = Signal::Music;
    disc.tracks = {Track(TrackType::Audio, 750)};
    const std::vector<std::int16_t> samples = ExpectedPlayback(disc, 1);
    const auto [low, high] = std::minmax_element(samples.begin(), samples.end());
    EXPECT_GT(*high, 4000);
    EXPECT_LT(*high, 32767);
    EXPECT_GT(*low, -32767);
}

TEST(ImageGenTest, RefusesWhatACueSheetCannotSay) {
    const DiscDescription empty;
    DiscDescription marksOutside;
    marksOutside.tracks = {Track(TrackType::Audio, 10)};
    marksOutside.tracks[0].indexMarks = {4, 10};
    DiscDescription quoted;
    quoted.tracks = {Track(TrackType::Audio, 10)};
    quoted.title = "a \"quoted\" title";
    DiscDescription tooMany;
    tooMany.tracks.assign(100, Track(TrackType::Audio, 10));
    for (const DiscDescription* disc :
         std::vector<const DiscDescription*>{&empty, &marksOutside, &quoted, &tooMany}) {
        EXPECT_TRUE(CheckDescription(*disc).has_value());
    }
    const testing::TemporaryFolder folder;
    EXPECT_TRUE(WriteImage(marksOutside, folder.Path(), "disc").error.has_value());
    EXPECT_FALSE(std::filesystem::exists(folder / "disc.cue"));
}

}  // namespace
}  // namespace corvid::imagegen
