#include <gtest/gtest.h>
#include <sndfile.h>

#include "platform/cdrom/ImageDrive.h"
#include "tests/support/TemporaryFolder.h"

namespace corvid::cdrom {
namespace {

using testing::TemporaryFolder;

// Little-endian samples counting up from `first`.
std::string CountingBytes(int first, int samples) {
    std::string bytes;
    for (int index = 0; index < samples; ++index) {
        const auto value = static_cast<std::uint16_t>(first + index);
        bytes.push_back(static_cast<char>(value & 0xFFU));
        bytes.push_back(static_cast<char>(value >> 8U));
    }
    return bytes;
}

std::vector<std::int16_t> Counting(int first, int samples) {
    std::vector<std::int16_t> values;
    for (int index = 0; index < samples; ++index) {
        values.push_back(static_cast<std::int16_t>(static_cast<std::uint16_t>(first + index)));
    }
    return values;
}

std::unique_ptr<Drive> Open(const std::filesystem::path& sheet) {
    DriveOpenResult opened = OpenImageDrive(sheet);
    EXPECT_FALSE(opened.error.has_value()) << opened.error->text;
    return std::move(opened.drive);
}

std::vector<std::int16_t> Read(Drive& drive, Lba start, Lba count) {
    std::vector<std::int16_t> samples(static_cast<std::size_t>(count) * SAMPLES_PER_SECTOR, -1);
    const ReadResult result = drive.ReadAudio(start, samples);
    EXPECT_EQ(result.sectorsRead, count);
    return samples;
}

TEST(CueSheetTest, CookedDataSectorsTakeTheirOwnSizeInTheFileAndReadAsSilence) {
    const TemporaryFolder folder;
    constexpr int DATA_SECTORS = 10;
    const std::string data(static_cast<std::size_t>(DATA_SECTORS) * 2048, '\x7F');
    folder.Write("mixed.bin", data + CountingBytes(1, 3 * SAMPLES_PER_SECTOR));
    const std::unique_ptr<Drive> drive = Open(
        folder.Write("disc.cue",
                     "FILE \"mixed.bin\" BINARY\n  TRACK 01 MODE1/2048\n    INDEX 01 00:00:00\n"
                     "  TRACK 02 AUDIO\n    INDEX 01 00:00:10\n"));
    ASSERT_NE(drive, nullptr);

    const Toc& toc = *drive->CurrentToc();
    ASSERT_EQ(toc.tracks.size(), 2U);
    EXPECT_EQ(toc.tracks[0].kind, TrackKind::Data);
    EXPECT_EQ(toc.tracks[1].start, DATA_SECTORS);
    EXPECT_EQ(toc.leadOut, DATA_SECTORS + 3);
    EXPECT_TRUE(Read(*drive, DATA_SECTORS, 3) == Counting(1, 3 * SAMPLES_PER_SECTOR));
    EXPECT_TRUE(Read(*drive, 0, 1) == std::vector<std::int16_t>(SAMPLES_PER_SECTOR, 0));
}

TEST(CueSheetTest, APartialLastSectorEndsInSilence) {
    const TemporaryFolder folder;
    folder.Write("a.bin", CountingBytes(0, 3 * SAMPLES_PER_SECTOR + 200));
    const std::unique_ptr<Drive> drive = Open(folder.Write(
        "disc.cue", "FILE \"a.bin\" BINARY\n  TRACK 01 AUDIO\n    INDEX 01 00:00:00\n"));
    ASSERT_NE(drive, nullptr);
    EXPECT_EQ(drive->CurrentToc()->leadOut, 4);

    std::vector<std::int16_t> expected = Counting(3 * SAMPLES_PER_SECTOR, 200);
    expected.resize(SAMPLES_PER_SECTOR, 0);
    EXPECT_TRUE(Read(*drive, 3, 1) == expected);
}

TEST(CueSheetTest, FileNamesMayHoldSpacesFoldersOrAbsolutePaths) {
    const TemporaryFolder folder;
    std::filesystem::create_directory(folder / "sub");
    folder.Write("sub/first part.bin", CountingBytes(0, 2 * SAMPLES_PER_SECTOR));
    const std::filesystem::path second =
        folder.Write("second.bin", CountingBytes(7, SAMPLES_PER_SECTOR));
    // With a byte-order mark and CR LF line ends, as Windows programs write.
    const std::unique_ptr<Drive> drive = Open(folder.Write(
        "disc.cue",
        "\xEF\xBB\xBF"
        "FILE \"sub/first part.bin\" BINARY\r\n  TRACK 01 AUDIO\r\n"
        "    INDEX 01 00:00:00\r\nFILE \"" +
            second.string() + "\" BINARY\r\n  TRACK 02 AUDIO\r\n    INDEX 01 00:00:00\r\n"));
    ASSERT_NE(drive, nullptr);
    EXPECT_EQ(drive->CurrentToc()->tracks[1].start, 2);
    EXPECT_TRUE(Read(*drive, 2, 1) == Counting(7, SAMPLES_PER_SECTOR));
}

TEST(CueSheetTest, AiffFilesAreReadByTheirHeader) {
    const TemporaryFolder folder;
    SF_INFO info{};
    info.samplerate = SAMPLE_RATE;
    info.channels = CHANNELS;
    info.format = SF_FORMAT_AIFF | SF_FORMAT_PCM_16;
    SNDFILE* file = sf_open((folder / "a.aiff").c_str(), SFM_WRITE, &info);
    ASSERT_NE(file, nullptr);
    const std::vector<std::int16_t> samples = Counting(-500, 2 * SAMPLES_PER_SECTOR);
    sf_write_short(file, samples.data(), static_cast<sf_count_t>(samples.size()));
    sf_close(file);

    const std::unique_ptr<Drive> drive = Open(folder.Write(
        "disc.cue", "FILE \"a.aiff\" AIFF\n  TRACK 01 AUDIO\n    INDEX 01 00:00:00\n"));
    ASSERT_NE(drive, nullptr);
    EXPECT_TRUE(Read(*drive, 0, 2) == samples);
}

}  // namespace
}  // namespace corvid::cdrom
