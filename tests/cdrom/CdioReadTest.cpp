#include <cdio/cdio.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <vector>

#include "platform/cdrom/CdioDisc.h"
#include "platform/cdrom/CdioToc.h"
#include "tests/support/TemporaryFolder.h"
#include "tools/imagegen/ImageGen.h"

// libcdio and paranoia read generated images through libcdio's own BIN/CUE
// driver here, as they would read a disc in a drive.
namespace corvid::cdrom {
namespace {

using imagegen::DiscDescription;
using imagegen::TrackDescription;
using imagegen::TrackType;

constexpr const char* DRIVE_NAME = "/dev/test-cdrom";
constexpr int SECTORS_PER_READ = 75;

CdioHandle OpenBinCue(const std::filesystem::path& cueSheet) {
    return CdioHandle(cdio_open(cueSheet.c_str(), DRIVER_BINCUE));
}

TrackDescription Track(TrackType type, Lba length, Lba index00 = 0) {
    imagegen::TrackDescription track;
    track.type = type;
    track.length = length;
    track.index00 = index00;
    return track;
}

// Two audio tracks that play into each other, a data track with its gap in
// the file, and an audio track after it.
DiscDescription MixedDisc() {
    DiscDescription disc;
    disc.tracks = {Track(TrackType::Audio, 300), Track(TrackType::Audio, 200, 20),
                   Track(TrackType::Data, 150, 150), Track(TrackType::Audio, 120, 10)};
    return disc;
}

std::filesystem::path WriteImage(const DiscDescription& disc,
                                 const testing::TemporaryFolder& folder) {
    const imagegen::WriteResult written = imagegen::WriteImage(disc, folder.Path(), "disc");
    EXPECT_FALSE(written.error.has_value()) << written.error.value_or("");
    return written.cueSheet;
}

std::optional<std::size_t> FirstDifference(const std::vector<std::int16_t>& actual,
                                           const std::vector<std::int16_t>& expected) {
    const auto [actualAt, expectedAt] =
        std::mismatch(actual.begin(), actual.end(), expected.begin(), expected.end());
    if (actualAt == actual.end() && expectedAt == expected.end()) {
        return std::nullopt;
    }
    return static_cast<std::size_t>(actualAt - actual.begin());
}

// Reads [begin, end) as the engine does, in bursts; stops at the first error.
std::vector<std::int16_t> ReadRange(CdioDisc& disc, Lba begin, Lba end,
                                    std::optional<DriveError>* error = nullptr) {
    std::vector<std::int16_t> samples;
    for (Lba sector = begin; sector < end;) {
        const int count = std::min(SECTORS_PER_READ, end - sector);
        std::vector<std::int16_t> burst(static_cast<std::size_t>(count) * SAMPLES_PER_SECTOR);
        const ReadResult result = disc.ReadAudio(sector, burst);
        burst.resize(static_cast<std::size_t>(result.sectorsRead) * SAMPLES_PER_SECTOR);
        samples.insert(samples.end(), burst.begin(), burst.end());
        if (result.error) {
            if (error != nullptr) {
                *error = result.error;
            }
            break;
        }
        sector += count;
    }
    return samples;
}

class CdioReadTest : public ::testing::Test {
  protected:
    std::shared_ptr<CdioDisc> LoadDisc(const DiscDescription& description) {
        std::shared_ptr<CdioDisc> disc =
            CdioDisc::Load(OpenBinCue(WriteImage(description, m_folder)), DRIVE_NAME);
        EXPECT_NE(disc, nullptr);
        return disc;
    }

    testing::TemporaryFolder m_folder;
};

TEST_F(CdioReadTest, TableOfContentsMatchesTheImage) {
    const DiscDescription description = MixedDisc();
    const std::shared_ptr<CdioDisc> disc = LoadDisc(description);
    ASSERT_NE(disc, nullptr);
    EXPECT_EQ(*disc->GetToc(), imagegen::ExpectedToc(description));
    // The data track's gap ends the audio before it.
    EXPECT_EQ(disc->GetToc()->tracks[1].playableEnd, disc->GetToc()->tracks[2].start - 150);
}

TEST_F(CdioReadTest, SamplesMatchTheImageAcrossTracksToTheLeadOut) {
    const DiscDescription description = MixedDisc();
    const std::shared_ptr<CdioDisc> disc = LoadDisc(description);
    ASSERT_NE(disc, nullptr);
    const Toc& toc = *disc->GetToc();
    const Lba firstRunEnd = toc.tracks[1].playableEnd;
    EXPECT_EQ(FirstDifference(ReadRange(*disc, 0, firstRunEnd),
                              imagegen::DiscSamples(description, 0, firstRunEnd)),
              std::nullopt);
    const Lba lastStart = toc.tracks[3].start;
    EXPECT_EQ(FirstDifference(ReadRange(*disc, lastStart, toc.leadOut),
                              imagegen::DiscSamples(description, lastStart, toc.leadOut)),
              std::nullopt);
}

TEST_F(CdioReadTest, ReadsBackwardsAndAfterAJump) {
    const DiscDescription description = MixedDisc();
    const std::shared_ptr<CdioDisc> disc = LoadDisc(description);
    ASSERT_NE(disc, nullptr);
    const std::pair<Lba, Lba> ranges[] = {{200, 260}, {10, 40}, {450, 470}, {0, 5}};
    for (const auto& [begin, end] : ranges) {
        EXPECT_EQ(FirstDifference(ReadRange(*disc, begin, end),
                                  imagegen::DiscSamples(description, begin, end)),
                  std::nullopt)
            << begin;
    }
}

TEST_F(CdioReadTest, StopsWhereTheAudioEnds) {
    const DiscDescription description = MixedDisc();
    const std::shared_ptr<CdioDisc> disc = LoadDisc(description);
    ASSERT_NE(disc, nullptr);
    const Lba audioEnd = disc->GetToc()->tracks[1].playableEnd;

    std::vector<std::int16_t> samples(static_cast<std::size_t>(20) * SAMPLES_PER_SECTOR);
    const ReadResult result = disc->ReadAudio(audioEnd - 5, samples);
    EXPECT_EQ(result.sectorsRead, 5);
    ASSERT_TRUE(result.error.has_value());
    EXPECT_EQ(result.error->code, MCIERR_OUTOFRANGE);
    EXPECT_EQ(result.error->text, "Sector " + std::to_string(audioEnd) +
                                      " of the disc in /dev/test-cdrom holds no audio.");
    samples.resize(static_cast<std::size_t>(5) * SAMPLES_PER_SECTOR);
    EXPECT_EQ(FirstDifference(samples, imagegen::DiscSamples(description, audioEnd - 5, audioEnd)),
              std::nullopt);

    const Lba dataStart = disc->GetToc()->tracks[2].start;
    EXPECT_EQ(disc->ReadAudio(dataStart, samples).sectorsRead, 0);
}

// Little-endian samples whose byte-swapped reading is the quieter one:
// paranoia's guess from the samples would take them for big-endian.
std::vector<std::int16_t> MisleadingSamples(Lba sectors) {
    std::vector<std::int16_t> samples(static_cast<std::size_t>(sectors) * SAMPLES_PER_SECTOR);
    std::uint32_t state = 12345;
    for (std::int16_t& sample : samples) {
        state = state * 1664525U + 1013904223U;
        const auto quiet = static_cast<std::uint16_t>(static_cast<int>(state >> 26) - 32);
        sample = static_cast<std::int16_t>(static_cast<std::uint16_t>((quiet << 8) | (quiet >> 8)));
    }
    return samples;
}

TEST_F(CdioReadTest, SamplesKeepTheirByteOrderWhereAGuessWouldSwapThem) {
    const Lba sectors = 100;
    const std::vector<std::int16_t> samples = MisleadingSamples(sectors);
    std::string bytes(samples.size() * 2, '\0');
    for (std::size_t index = 0; index < samples.size(); ++index) {
        const auto value = static_cast<std::uint16_t>(samples[index]);
        bytes[index * 2] = static_cast<char>(value & 0xFF);
        bytes[index * 2 + 1] = static_cast<char>(value >> 8);
    }
    m_folder.Write("noise.bin", bytes);
    const std::filesystem::path cueSheet = m_folder.Write(
        "noise.cue", "FILE \"noise.bin\" BINARY\n  TRACK 01 AUDIO\n    INDEX 01 00:00:00\n");

    const std::shared_ptr<CdioDisc> disc = CdioDisc::Load(OpenBinCue(cueSheet), DRIVE_NAME);
    ASSERT_NE(disc, nullptr);
    EXPECT_EQ(FirstDifference(ReadRange(*disc, 0, sectors), samples), std::nullopt);
}

// libcdio's BIN/CUE driver reports a read that runs past the end of its file
// as whole, so the unreadable sectors are the ones past the end of a shortened
// file, read from past the end.
TEST_F(CdioReadTest, AnUnreadableSectorEndsTheReadWithItsNumber) {
    DiscDescription description;
    description.tracks = {Track(TrackType::Audio, 400)};
    const std::filesystem::path cueSheet = WriteImage(description, m_folder);
    const std::shared_ptr<CdioDisc> disc = CdioDisc::Load(OpenBinCue(cueSheet), DRIVE_NAME);
    ASSERT_NE(disc, nullptr);
    std::filesystem::resize_file(m_folder / "disc.bin",
                                 static_cast<std::uintmax_t>(250) * BYTES_PER_SECTOR);

    std::optional<DriveError> error;
    EXPECT_EQ(FirstDifference(ReadRange(*disc, 0, 240, &error),
                              imagegen::DiscSamples(description, 0, 240)),
              std::nullopt);
    EXPECT_FALSE(error.has_value());

    std::vector<std::int16_t> samples(static_cast<std::size_t>(10) * SAMPLES_PER_SECTOR);
    const ReadResult result = disc->ReadAudio(300, samples);
    EXPECT_EQ(result.sectorsRead, 0);
    ASSERT_TRUE(result.error.has_value());
    EXPECT_EQ(result.error->code, MCIERR_HARDWARE);
    EXPECT_EQ(result.error->text, "Sector 300 of the disc in /dev/test-cdrom could not be read.");
}

TEST(CdioReadTrouble, MarksTheSectorsOfAFailedReadUpToItsEnd) {
    ReadTrouble trouble;
    trouble.OnReadEnd(242);  // a read that went well
    trouble.OnReadError(268);
    trouble.OnReadEnd(292);
    trouble.OnSkip(300);
    const std::pair<Lba, bool> touched[] = {{242, false}, {267, false}, {268, true},
                                            {292, true},  {293, false}, {300, true}};
    for (const auto& [sector, expected] : touched) {
        EXPECT_EQ(trouble.Touches(sector), expected) << sector;
    }
    trouble.ForgetBefore(293);
    EXPECT_FALSE(trouble.Touches(270));
    EXPECT_TRUE(trouble.Touches(300));

    // A read error whose read has not ended yet touches everything after it.
    trouble.OnReadError(400);
    EXPECT_TRUE(trouble.Touches(5000));
    trouble.Clear();
    EXPECT_FALSE(trouble.Touches(5000));
    EXPECT_FALSE(trouble.Touches(300));
}

}  // namespace
}  // namespace corvid::cdrom
