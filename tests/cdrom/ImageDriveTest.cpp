#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "platform/cdrom/ImageDrive.h"
#include "tests/support/TemporaryFolder.h"
#include "tools/imagegen/ImageGen.h"

namespace corvid::cdrom {
namespace {

using imagegen::AudioFormat;
using imagegen::DiscDescription;
using imagegen::FileLayout;
using imagegen::TrackDescription;
using imagegen::TrackType;
using testing::TemporaryFolder;

TrackDescription Track(TrackType type, Lba length, Lba index00, Lba pregap) {
    TrackDescription track;
    track.type = type;
    track.length = length;
    track.index00 = index00;
    track.pregap = pregap;
    return track;
}

TrackDescription Audio(Lba length, Lba index00 = 0, Lba pregap = 0) {
    return Track(TrackType::Audio, length, index00, pregap);
}

TrackDescription Data(Lba length, Lba index00 = 0, Lba pregap = 0) {
    return Track(TrackType::Data, length, index00, pregap);
}

std::vector<std::int16_t> ReadSectors(Drive& drive, Lba start, Lba count) {
    std::vector<std::int16_t> samples(static_cast<std::size_t>(count) * SAMPLES_PER_SECTOR, -1);
    const ReadResult result = drive.ReadAudio(start, samples);
    EXPECT_EQ(result.sectorsRead, count) << (result.error ? result.error->text : "");
    EXPECT_FALSE(result.error.has_value());
    return samples;
}

void ExpectSameToc(const Toc& actual, const Toc& expected) {
    EXPECT_EQ(actual.leadOut, expected.leadOut);
    ASSERT_EQ(actual.tracks.size(), expected.tracks.size());
    for (std::size_t index = 0; index < expected.tracks.size(); ++index) {
        SCOPED_TRACE("track " + std::to_string(expected.tracks[index].number));
        EXPECT_EQ(actual.tracks[index].number, expected.tracks[index].number);
        EXPECT_EQ(actual.tracks[index].start, expected.tracks[index].start);
        EXPECT_EQ(actual.tracks[index].playableEnd, expected.tracks[index].playableEnd);
        EXPECT_EQ(actual.tracks[index].kind, expected.tracks[index].kind);
    }
}

struct LayoutCase {
    const char* name;
    FileLayout layout;
    AudioFormat format;
    std::vector<TrackDescription> tracks;
};

void PrintTo(const LayoutCase& layoutCase, std::ostream* out) {
    *out << layoutCase.name;
}

class ImageLayoutTest : public ::testing::TestWithParam<LayoutCase> {
  protected:
    DiscDescription Disc() const {
        DiscDescription disc;
        disc.layout = GetParam().layout;
        disc.format = GetParam().format;
        disc.tracks = GetParam().tracks;
        return disc;
    }
    std::unique_ptr<Drive> Open(const DiscDescription& disc) {
        const imagegen::WriteResult written = imagegen::WriteImage(disc, m_folder.Path(), "disc");
        EXPECT_FALSE(written.error.has_value()) << *written.error;
        DriveOpenResult opened = OpenImageDrive(written.cueSheet);
        EXPECT_FALSE(opened.error.has_value()) << opened.error->text;
        return std::move(opened.drive);
    }

    TemporaryFolder m_folder;
};

TEST_P(ImageLayoutTest, TocIsTheOneTheSheetDescribes) {
    const DiscDescription disc = Disc();
    const std::unique_ptr<Drive> drive = Open(disc);
    ASSERT_NE(drive, nullptr);
    EXPECT_EQ(drive->State(), DriveState::Ready);
    ASSERT_NE(drive->CurrentToc(), nullptr);
    ExpectSameToc(*drive->CurrentToc(), imagegen::ExpectedToc(disc));
}

TEST_P(ImageLayoutTest, ReadsEverySampleAcrossFileBoundaries) {
    const DiscDescription disc = Disc();
    const std::unique_ptr<Drive> drive = Open(disc);
    ASSERT_NE(drive, nullptr);
    const Lba leadOut = drive->CurrentToc()->leadOut;
    // Reads of an odd size so that many of them straddle a file or gap edge.
    constexpr Lba CHUNK = 7;
    std::vector<std::int16_t> whole;
    for (Lba start = 0; start < leadOut; start += CHUNK) {
        const std::vector<std::int16_t> part =
            ReadSectors(*drive, start, std::min(CHUNK, leadOut - start));
        whole.insert(whole.end(), part.begin(), part.end());
    }
    EXPECT_TRUE(whole == imagegen::DiscSamples(disc, 0, leadOut));
}

TEST_P(ImageLayoutTest, ReadsAfterSeekingBack) {
    const DiscDescription disc = Disc();
    const std::unique_ptr<Drive> drive = Open(disc);
    ASSERT_NE(drive, nullptr);
    const Lba leadOut = drive->CurrentToc()->leadOut;
    const Lba late = leadOut - 5;
    const Lba early = 3;
    EXPECT_TRUE(ReadSectors(*drive, late, 5) == imagegen::DiscSamples(disc, late, leadOut));
    EXPECT_TRUE(ReadSectors(*drive, early, 4) == imagegen::DiscSamples(disc, early, early + 4));
}

const LayoutCase LAYOUT_CASES[] = {
    {"SingleBinary",
     FileLayout::SingleFile,
     AudioFormat::Binary,
     {Audio(40), Audio(31), Audio(25)}},
    {"SingleMotorolaWithGaps",
     FileLayout::SingleFile,
     AudioFormat::BinaryBigEndian,
     {Audio(40), Audio(30, 12), Audio(25, 0, 9)}},
    {"SingleWaveDataInTheMiddle",
     FileLayout::SingleFile,
     AudioFormat::Wave,
     {Audio(40), Data(30, 0, 20), Audio(25, 6)}},
    {"SingleFlacDataAtTheEnd",
     FileLayout::SingleFile,
     AudioFormat::Flac,
     {Audio(40, 10), Audio(30), Data(25, 15)}},
    {"SingleBinaryPregapBeforeTrackOne",
     FileLayout::SingleFile,
     AudioFormat::Binary,
     {Audio(20, 0, 15), Audio(20)}},
    {"PerTrackBinaryWithIndexZero",
     FileLayout::FilePerTrack,
     AudioFormat::Binary,
     {Audio(40), Audio(30, 11), Audio(25, 13)}},
    {"PerTrackMotorolaWithPregaps",
     FileLayout::FilePerTrack,
     AudioFormat::BinaryBigEndian,
     {Audio(40), Audio(30, 0, 10), Audio(25, 0, 4)}},
    {"PerTrackWaveDataInTheMiddle",
     FileLayout::FilePerTrack,
     AudioFormat::Wave,
     {Audio(40), Data(30, 8), Audio(25, 6)}},
    {"PerTrackFlacDataAtTheEnd",
     FileLayout::FilePerTrack,
     AudioFormat::Flac,
     {Audio(40, 9), Audio(30, 0, 7), Data(25, 0, 30)}},
    {"GapsAppendedWave",
     FileLayout::FilePerTrackGapsAppended,
     AudioFormat::Wave,
     {Audio(40, 5), Audio(30, 11), Audio(25, 0, 6), Audio(20, 14)}},
    {"GapsAppendedFlacAroundData",
     FileLayout::FilePerTrackGapsAppended,
     AudioFormat::Flac,
     {Audio(40), Audio(30, 9), Data(25, 12), Audio(20, 7), Audio(20, 3)}},
};

INSTANTIATE_TEST_SUITE_P(Layouts, ImageLayoutTest, ::testing::ValuesIn(LAYOUT_CASES),
                         [](const auto& info) { return std::string(info.param.name); });

class ImageTrayTest : public ::testing::Test {
  protected:
    std::filesystem::path Write(const std::vector<TrackDescription>& tracks) {
        DiscDescription disc;
        disc.tracks = tracks;
        const imagegen::WriteResult written = imagegen::WriteImage(disc, m_folder.Path(), "disc");
        EXPECT_FALSE(written.error.has_value()) << *written.error;
        return written.cueSheet;
    }

    TemporaryFolder m_folder;
};

TEST_F(ImageTrayTest, OpenTrayTakesTheImageOut) {
    DriveOpenResult opened = OpenImageDrive(Write({Audio(20), Audio(20)}));
    ASSERT_NE(opened.drive, nullptr);
    Drive& drive = *opened.drive;

    EXPECT_FALSE(drive.OpenTray().has_value());
    EXPECT_EQ(drive.State(), DriveState::TrayOpen);
    EXPECT_EQ(drive.CurrentToc(), nullptr);
    std::vector<std::int16_t> samples(SAMPLES_PER_SECTOR);
    const ReadResult read = drive.ReadAudio(0, samples);
    EXPECT_EQ(read.sectorsRead, 0);
    EXPECT_TRUE(read.error.has_value());

    EXPECT_FALSE(drive.CloseTray().has_value());
    EXPECT_EQ(drive.State(), DriveState::Ready);
    ASSERT_NE(drive.CurrentToc(), nullptr);
    EXPECT_EQ(drive.CurrentToc()->leadOut, 40);
    EXPECT_FALSE(drive.TakeDiscChanged());
}

TEST_F(ImageTrayTest, ClosingOnAChangedImageIsADiscChangeOnce) {
    DriveOpenResult opened = OpenImageDrive(Write({Audio(20), Audio(20)}));
    ASSERT_NE(opened.drive, nullptr);
    Drive& drive = *opened.drive;
    ASSERT_FALSE(drive.OpenTray().has_value());
    Write({Audio(20), Audio(25), Audio(5)});

    ASSERT_FALSE(drive.CloseTray().has_value());
    ASSERT_NE(drive.CurrentToc(), nullptr);
    EXPECT_EQ(drive.CurrentToc()->tracks.size(), 3U);
    EXPECT_TRUE(drive.TakeDiscChanged());
    EXPECT_FALSE(drive.TakeDiscChanged());
}

TEST_F(ImageTrayTest, ClosingOnNoImageAfterADiscIsADiscChangeOnce) {
    const std::filesystem::path sheet = Write({Audio(20)});
    DriveOpenResult opened = OpenImageDrive(sheet);
    ASSERT_NE(opened.drive, nullptr);
    Drive& drive = *opened.drive;
    ASSERT_FALSE(drive.OpenTray().has_value());
    std::filesystem::remove(sheet);

    EXPECT_TRUE(drive.CloseTray().has_value());
    EXPECT_EQ(drive.State(), DriveState::NoDisc);
    EXPECT_TRUE(drive.TakeDiscChanged());
    EXPECT_FALSE(drive.TakeDiscChanged());
    // Closing again on nothing changes nothing more.
    EXPECT_TRUE(drive.CloseTray().has_value());
    EXPECT_FALSE(drive.TakeDiscChanged());
}

TEST_F(ImageTrayTest, ClosingOnAnUnreadableImageLeavesNoDiscAndSaysWhy) {
    const std::filesystem::path sheet = Write({Audio(20)});
    DriveOpenResult opened = OpenImageDrive(sheet);
    ASSERT_NE(opened.drive, nullptr);
    Drive& drive = *opened.drive;
    ASSERT_FALSE(drive.OpenTray().has_value());
    std::filesystem::remove(m_folder / "disc.bin");

    const std::optional<DriveError> error = drive.CloseTray();
    ASSERT_TRUE(error.has_value());
    EXPECT_NE(error->text.find(sheet.string()), std::string::npos) << error->text;
    EXPECT_NE(error->text.find("disc.bin"), std::string::npos) << error->text;
    EXPECT_EQ(drive.State(), DriveState::NoDisc);
    EXPECT_EQ(drive.CurrentToc(), nullptr);
    std::vector<std::int16_t> samples(SAMPLES_PER_SECTOR);
    EXPECT_EQ(drive.ReadAudio(0, samples).error->text, error->text);

    Write({Audio(20)});
    EXPECT_FALSE(drive.CloseTray().has_value());
    EXPECT_EQ(drive.State(), DriveState::Ready);
}

TEST_F(ImageTrayTest, AFileThatShrinksAfterOpeningFailsTheReadAtItsEnd) {
    DriveOpenResult opened = OpenImageDrive(Write({Audio(20)}));
    ASSERT_NE(opened.drive, nullptr);
    std::filesystem::resize_file(m_folder / "disc.bin", 10 * BYTES_PER_SECTOR + 100);

    std::vector<std::int16_t> samples(15 * SAMPLES_PER_SECTOR);
    const ReadResult read = opened.drive->ReadAudio(2, samples);
    EXPECT_EQ(read.sectorsRead, 8);
    ASSERT_TRUE(read.error.has_value());
    EXPECT_NE(read.error->text.find("disc.bin"), std::string::npos) << read.error->text;
}

TEST_F(ImageTrayTest, ReadsOutsideTheDiscFail) {
    DriveOpenResult opened = OpenImageDrive(Write({Audio(20)}));
    ASSERT_NE(opened.drive, nullptr);
    std::vector<std::int16_t> samples(4 * SAMPLES_PER_SECTOR);

    EXPECT_EQ(opened.drive->ReadAudio(-1, samples).sectorsRead, 0);
    const ReadResult pastTheEnd = opened.drive->ReadAudio(18, samples);
    EXPECT_EQ(pastTheEnd.sectorsRead, 2);
    EXPECT_TRUE(pastTheEnd.error.has_value());
}

}  // namespace
}  // namespace corvid::cdrom
