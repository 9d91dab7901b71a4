// An image's audio file cut short while it is open: what is left of it is
// read again whole, whatever its format.
#include <gtest/gtest.h>

#include <filesystem>
#include <vector>

#include "cdaudio/DiscTime.h"
#include "platform/cdrom/ImageAudioFile.h"
#include "tests/support/TemporaryFolder.h"
#include "tools/imagegen/ImageGen.h"

namespace corvid::faults {
namespace {

constexpr int TRACK_SECONDS = 20;
constexpr std::int64_t SECOND_FRAMES = cdrom::SAMPLE_RATE;

std::vector<std::int16_t> ReadFrames(cdrom::ImageAudioFile& file, std::int64_t first,
                                     std::int64_t frames, bool& failed) {
    std::vector<std::int16_t> samples(static_cast<std::size_t>(frames) * cdrom::CHANNELS);
    failed = file.Read(first, samples).problem.has_value();
    return samples;
}

class CutAudioFile : public ::testing::TestWithParam<imagegen::AudioFormat> {};

TEST_P(CutAudioFile, ReadsItsStartAgainAfterARunIntoTheCut) {
    testing::TemporaryFolder folder("corvid-cut");
    imagegen::DiscDescription disc;
    disc.format = GetParam();
    disc.tracks.resize(1);
    disc.tracks[0].length = TRACK_SECONDS * FRAMES_PER_SECOND;
    const imagegen::WriteResult written = imagegen::WriteImage(disc, folder.Path(), "cut");
    ASSERT_FALSE(written.error) << *written.error;
    std::filesystem::path audio;
    for (const auto& entry : std::filesystem::directory_iterator(folder.Path())) {
        if (entry.path().extension() != ".cue") {
            audio = entry.path();
        }
    }
    const cdrom::FileType type = GetParam() == imagegen::AudioFormat::Binary
                                     ? cdrom::FileType::LittleEndianPcm
                                     : cdrom::FileType::WithHeader;
    cdrom::ImageAudioFile::OpenResult opened = cdrom::ImageAudioFile::Open(audio, type);
    ASSERT_NE(opened.file, nullptr) << opened.problem;
    bool failed = false;
    const std::vector<std::int16_t> start = ReadFrames(*opened.file, 0, SECOND_FRAMES, failed);
    ASSERT_FALSE(failed);

    std::filesystem::resize_file(audio, std::filesystem::file_size(audio) / 4);
    ReadFrames(*opened.file, SECOND_FRAMES, (TRACK_SECONDS - 1) * SECOND_FRAMES, failed);
    EXPECT_TRUE(failed) << "a read through the cut must fail";

    EXPECT_EQ(ReadFrames(*opened.file, 0, SECOND_FRAMES, failed), start);
    EXPECT_FALSE(failed) << "what is left before the cut must read again";
}

INSTANTIATE_TEST_SUITE_P(Formats, CutAudioFile,
                         ::testing::Values(imagegen::AudioFormat::Binary,
                                           imagegen::AudioFormat::Wave,
                                           imagegen::AudioFormat::Flac));

}  // namespace
}  // namespace corvid::faults
