// Images that are one FLAC file carrying its own cue sheet: as a CUESHEET
// block, as a CUESHEET tag, or both. Each opens as the same disc as the
// plain cue sheet beside it.

#include <gtest/gtest.h>
#include <sndfile.h>

#include <functional>
#include <ostream>

#include "platform/cdrom/CueSheet.h"
#include "tests/support/TemporaryFolder.h"
#include "tools/imagegen/ImageGen.h"

namespace corvid::cdrom {
namespace {

using imagegen::DiscDescription;
using imagegen::EmbeddedSheet;
using imagegen::TrackDescription;
using imagegen::TrackType;
using testing::TemporaryFolder;

TrackDescription Track(Lba length, Lba index00 = 0, TrackType type = TrackType::Audio) {
    TrackDescription track;
    track.type = type;
    track.length = length;
    track.index00 = index00;
    return track;
}

DiscDescription FlacDisc(std::vector<TrackDescription> tracks, EmbeddedSheet embedded) {
    DiscDescription disc;
    disc.format = imagegen::AudioFormat::Flac;
    disc.tracks = std::move(tracks);
    disc.embedded = embedded;
    return disc;
}

imagegen::WriteResult Write(const DiscDescription& disc, const TemporaryFolder& folder) {
    imagegen::WriteResult written = imagegen::WriteImage(disc, folder.Path(), "disc");
    EXPECT_FALSE(written.error.has_value()) << *written.error;
    return written;
}

std::vector<std::int16_t> ReadSectors(DiscImage& image, Lba start, Lba count) {
    std::vector<std::int16_t> samples(static_cast<std::size_t>(count) * SAMPLES_PER_SECTOR);
    const ReadResult read = image.Read(start, samples);
    EXPECT_FALSE(read.error.has_value()) << read.error->text;
    return samples;
}

struct EmbeddedCase {
    const char* name;
    DiscDescription disc;
    const char* encoding;  // "ASCII" where the block was read, the tag's otherwise
};

DiscDescription Titled(DiscDescription disc) {
    disc.title = "Carried Along";
    disc.performer = "The Embedded";
    disc.tracks[1].title = "Second Song";
    return disc;
}

DiscDescription WithExtras(DiscDescription disc) {
    disc.style.extras = imagegen::SheetExtras::Everything;
    return disc;
}

std::vector<EmbeddedCase> EmbeddedCases() {
    std::vector<TrackDescription> gaps = {Track(100, 0), Track(80, 30), Track(60, 12)};
    gaps[1].indexMarks = {20, 50};
    std::vector<TrackDescription> hiddenGap = {Track(50, 40), Track(50)};
    DiscDescription unmarked = FlacDisc(hiddenGap, EmbeddedSheet::Block);
    unmarked.style.firstTrackGap = imagegen::FirstTrackGap::Unmarked;
    DiscDescription cdi =
        FlacDisc({Track(70), Track(40, 0, TrackType::Data)}, EmbeddedSheet::Block);
    cdi.tracks[1].dataMode = imagegen::DataMode::CdiRaw;
    return {
        {"BlockWithIndexZeroGapsAndMarks", FlacDisc(gaps, EmbeddedSheet::Block), "ASCII"},
        {"BlockWithHiddenTrackOneGap", FlacDisc(hiddenGap, EmbeddedSheet::Block), "ASCII"},
        {"BlockWithUnmarkedTrackOneGap", unmarked, "ASCII"},
        {"BlockWithDataTrackBetween",
         FlacDisc({Track(60), Track(50, 0, TrackType::Data), Track(40, 10)}, EmbeddedSheet::Block),
         "ASCII"},
        {"BlockWithDataTrackLast", cdi, "ASCII"},
        {"BlockWithIsrcAndCatalog", WithExtras(FlacDisc(gaps, EmbeddedSheet::Block)), "ASCII"},
        {"TagOnly", Titled(FlacDisc(gaps, EmbeddedSheet::Tag)), "UTF-8"},
        {"TagWithExtras", WithExtras(FlacDisc(gaps, EmbeddedSheet::Tag)), "UTF-8"},
        {"BothTakeTheTagThatNames", Titled(FlacDisc(gaps, EmbeddedSheet::BlockAndTag)), "UTF-8"},
        {"BothTakeTheBlockWhenTheTagNamesNothing", FlacDisc(gaps, EmbeddedSheet::BlockAndTag),
         "ASCII"},
    };
}

void PrintTo(const EmbeddedCase& embedded, std::ostream* out) {
    *out << embedded.name;
}

class EmbeddedCueTest : public ::testing::TestWithParam<EmbeddedCase> {};

TEST_P(EmbeddedCueTest, OpensAsTheSameDiscAsItsCueSheet) {
    const EmbeddedCase& embedded = GetParam();
    const TemporaryFolder folder;
    const imagegen::WriteResult written = Write(embedded.disc, folder);
    ASSERT_FALSE(written.carrier.empty());

    const DiscImageResult carried = LoadDiscImage(written.carrier);
    ASSERT_NE(carried.image, nullptr) << carried.error->text;
    const DiscImageResult plain = LoadDiscImage(written.cueSheet);
    ASSERT_NE(plain.image, nullptr) << plain.error->text;
    const Toc& toc = *carried.image->SharedToc();
    EXPECT_EQ(toc, imagegen::ExpectedToc(embedded.disc));
    EXPECT_EQ(toc, *plain.image->SharedToc());

    const ImageDiscInfo& info = carried.image->Info();
    EXPECT_EQ(info.encoding, embedded.encoding);
    const ImageDiscInfo& plainInfo = plain.image->Info();
    EXPECT_EQ(info.catalog, plainInfo.catalog);
    ASSERT_EQ(info.tracks.size(), plainInfo.tracks.size());
    for (std::size_t index = 0; index < info.tracks.size(); ++index) {
        EXPECT_EQ(info.tracks[index].isrc, plainInfo.tracks[index].isrc) << index;
        EXPECT_EQ(info.tracks[index].indexMarks, plainInfo.tracks[index].indexMarks) << index;
    }
    if (embedded.encoding != std::string("ASCII")) {
        EXPECT_EQ(info.texts.title, plainInfo.texts.title);
        EXPECT_EQ(info.tracks[1].texts.title, plainInfo.tracks[1].texts.title);
    }

    // The first sector of each track, the sector before it and the last one.
    for (const TocTrack& track : toc.tracks) {
        for (const Lba sector : {track.start, std::max(Lba{0}, track.start - 1)}) {
            EXPECT_TRUE(ReadSectors(*carried.image, sector, 1) ==
                        ReadSectors(*plain.image, sector, 1))
                << "sector " << sector;
        }
    }
    EXPECT_TRUE(ReadSectors(*carried.image, toc.leadOut - 1, 1) ==
                imagegen::DiscSamples(embedded.disc, toc.leadOut - 1, toc.leadOut));
}

INSTANTIATE_TEST_SUITE_P(Images, EmbeddedCueTest, ::testing::ValuesIn(EmbeddedCases()),
                         [](const auto& info) { return std::string(info.param.name); });

// Three seconds of audio in one FLAC file with no sheet in it yet.
std::filesystem::path BareFlac(const TemporaryFolder& folder) {
    Write(FlacDisc({Track(100), Track(125)}, EmbeddedSheet::None), folder);
    return folder / "disc.flac";
}

TEST(EmbeddedCueSheetTest, ATagWithoutFileLineDescribesItsCarrier) {
    const TemporaryFolder folder;
    const std::filesystem::path flac = BareFlac(folder);
    ASSERT_FALSE(imagegen::EmbedInFlac(flac, {std::nullopt,
                                              "PERFORMER \"Someone\"\nTRACK 01 AUDIO\n"
                                              "  INDEX 01 00:00:00\nTRACK 02 AUDIO\n"
                                              "  INDEX 00 00:01:00\n  INDEX 01 00:01:25\n"})
                     .has_value());
    const DiscImageResult loaded = LoadDiscImage(flac);
    ASSERT_NE(loaded.image, nullptr) << loaded.error->text;
    const Toc& toc = *loaded.image->SharedToc();
    ASSERT_EQ(toc.tracks.size(), 2U);
    EXPECT_EQ(toc.tracks[1].start, 100);
    EXPECT_EQ(toc.tracks[0].playableEnd, 100);
    EXPECT_EQ(toc.leadOut, 225);
    EXPECT_EQ(loaded.image->Info().texts.performer, "Someone");
}

TEST(EmbeddedCueSheetTest, AFileLineNamesTheCarrierWhateverItsName) {
    const TemporaryFolder folder;
    const std::filesystem::path flac = BareFlac(folder);
    ASSERT_FALSE(imagegen::EmbedInFlac(flac, {std::nullopt,
                                              "FILE \"C:\\Rips\\Another Name.wav\" WAVE\n"
                                              "TRACK 01 AUDIO\n  INDEX 01 00:00:00\n"})
                     .has_value());
    const DiscImageResult loaded = LoadDiscImage(flac);
    ASSERT_NE(loaded.image, nullptr) << loaded.error->text;
    EXPECT_EQ(loaded.image->SharedToc()->leadOut, 225);
}

struct BadCarrier {
    const char* name;
    // Puts a faulty sheet into the bare FLAC file, or writes another in its place.
    std::function<void(const std::filesystem::path&)> spoil;
    std::vector<std::string> said;  // what the error says, besides the carrier's path
};

imagegen::CueBlock BareBlock() {
    return imagegen::CueBlockOf(FlacDisc({Track(100), Track(125)}, EmbeddedSheet::Block));
}

void Embed(const std::filesystem::path& flac, const imagegen::EmbeddedParts& parts) {
    const std::optional<std::string> problem = imagegen::EmbedInFlac(flac, parts);
    ASSERT_FALSE(problem.has_value()) << *problem;
}

std::vector<BadCarrier> BadCarriers() {
    imagegen::CueBlock pastTheEnd = BareBlock();
    pastTheEnd.tracks[1].offset = 300 * SAMPLE_FRAMES_PER_SECTOR;
    pastTheEnd.leadOut = 400 * SAMPLE_FRAMES_PER_SECTOR;
    imagegen::CueBlock notCd = BareBlock();
    notCd.medium = imagegen::BlockMedium::Other;
    imagegen::CueBlock noStart = BareBlock();
    noStart.tracks[1].indexes[0].number = 0;
    return {
        {"NoSheet", [](const auto&) {}, {"carries no cue sheet"}},
        {"GarbageTag",
         [](const auto& flac) {
             Embed(flac, {std::nullopt, "REM a sheet\nTRACK 01 AUDIO\n  INDEX 01 banana\n"});
         },
         {"CUESHEET tag, line 3", "banana"}},
        {"TagNamingOtherFiles",
         [](const auto& flac) {
             Embed(flac, {std::nullopt,
                          "FILE \"one.wav\" WAVE\nTRACK 01 AUDIO\n  INDEX 01 00:00:00\n"
                          "FILE \"two.wav\" WAVE\nTRACK 02 AUDIO\n  INDEX 01 00:00:00\n"});
         },
         {"line 4", "second FILE"}},
        {"TagOfNoTrack",
         [](const auto& flac) {
             Embed(flac, {std::nullopt, "TITLE \"x\"\n"});
         },
         {"CUESHEET tag that is not a cue sheet"}},
        {"TagPastTheEnd",
         [](const auto& flac) {
             Embed(flac, {std::nullopt,
                          "TRACK 01 AUDIO\n  INDEX 01 00:00:00\nTRACK 02 AUDIO\n"
                          "  INDEX 01 00:04:00\n"});
         },
         {"ends before track 2"}},
        {"BlockPastTheEnd",
         [=](const auto& flac) {
             Embed(flac, {pastTheEnd, std::nullopt});
         },
         {"CUESHEET block whose track 2 lies past the end of the audio"}},
        {"BlockNotOfACd",
         [=](const auto& flac) {
             Embed(flac, {notCd, std::nullopt});
         },
         {"CUESHEET block that is not of a CD"}},
        {"BlockWithoutIndexOne",
         [=](const auto& flac) {
             Embed(flac, {noStart, std::nullopt});
         },
         {"track 2 has no INDEX 01"}},
        {"NotCdSampleRate",
         [](const auto& flac) {
             SF_INFO info{};
             info.samplerate = 48000;
             info.channels = CHANNELS;
             info.format = SF_FORMAT_FLAC | SF_FORMAT_PCM_16;
             SNDFILE* file = sf_open(flac.c_str(), SFM_WRITE, &info);
             ASSERT_NE(file, nullptr);
             const std::vector<std::int16_t> samples(48000 * CHANNELS, 7);
             sf_writef_short(file, samples.data(), 48000);
             sf_close(file);
             Embed(flac, {BareBlock(), std::nullopt});
         },
         {"48000 Hz"}},
    };
}

TEST(EmbeddedCueSheetTest, FaultyCarriersAreOpenErrorsThatNameTheFile) {
    for (const BadCarrier& bad : BadCarriers()) {
        SCOPED_TRACE(bad.name);
        const TemporaryFolder folder;
        const std::filesystem::path flac = BareFlac(folder);
        // Alone: a sheet beside it would make the disc instead.
        std::filesystem::remove(folder / "disc.cue");
        bad.spoil(flac);
        const DiscImageResult loaded = LoadDiscImage(flac);
        ASSERT_EQ(loaded.image, nullptr);
        ASSERT_TRUE(loaded.error.has_value());
        EXPECT_NE(loaded.error->text.find("The disc image " + flac.string() + " "),
                  std::string::npos)
            << loaded.error->text;
        for (const std::string& said : bad.said) {
            EXPECT_NE(loaded.error->text.find(said), std::string::npos) << loaded.error->text;
        }
    }
}

TEST(EmbeddedCueSheetTest, AMissingOrForeignCarrierIsAnOpenError) {
    const TemporaryFolder folder;
    const DiscImageResult missing = LoadDiscImage(folder / "gone.flac");
    ASSERT_TRUE(missing.error.has_value());
    EXPECT_NE(missing.error->text.find("gone.flac does not exist"), std::string::npos);
    const DiscImageResult notFlac = LoadDiscImage(folder.Write("text.flac", "not audio at all"));
    ASSERT_TRUE(notFlac.error.has_value());
    EXPECT_NE(notFlac.error->text.find("text.flac is not a FLAC file"), std::string::npos)
        << notFlac.error->text;
}

TEST(EmbeddedCueSheetTest, GeneratorRefusesWhatABlockCannotHold) {
    DiscDescription pregap = FlacDisc({Track(50), Track(50)}, EmbeddedSheet::Block);
    pregap.tracks[1].pregap = 10;
    EXPECT_TRUE(imagegen::CheckDescription(pregap).has_value());
    pregap.embedded = EmbeddedSheet::Tag;
    EXPECT_FALSE(imagegen::CheckDescription(pregap).has_value());
    DiscDescription wave = FlacDisc({Track(50)}, EmbeddedSheet::Tag);
    wave.format = imagegen::AudioFormat::Wave;
    EXPECT_TRUE(imagegen::CheckDescription(wave).has_value());
    DiscDescription perTrack = FlacDisc({Track(50), Track(50)}, EmbeddedSheet::Block);
    perTrack.layout = imagegen::FileLayout::FilePerTrack;
    EXPECT_TRUE(imagegen::CheckDescription(perTrack).has_value());
}

}  // namespace
}  // namespace corvid::cdrom
