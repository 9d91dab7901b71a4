// Images whose audio is in the file types rippers use beside WAVE and FLAC:
// WavPack, Ogg Vorbis and MP3, and a raw type written for a file that has a
// header.

#include <gtest/gtest.h>
#include <sndfile.h>
#include <wavpack/wavpack.h>

#include <cstdio>
#include <fstream>
#include <iterator>

#include "platform/cdrom/CueSheet.h"
#include "tests/support/TemporaryFolder.h"
#include "tools/imagegen/ImageGen.h"

namespace corvid::cdrom {
namespace {

using testing::TemporaryFolder;

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};

int WriteBlock(void* file, void* data, std::int32_t bytes) {
    const auto size = static_cast<std::size_t>(bytes);
    return std::fwrite(data, 1, size, static_cast<std::FILE*>(file)) == size ? 1 : 0;
}

enum class UnknownLength { No, Yes };

// Encodes 16-bit stereo samples as a lossless WavPack file, with a cue
// sheet in its APEv2 "cuesheet" tag when one is given; with an unknown
// length, its header does not tell how long it is, as when written to a pipe.
void WriteWavPack(const std::filesystem::path& path, const std::vector<std::int16_t>& samples,
                  const std::string& cueSheet = {},
                  UnknownLength unknownLength = UnknownLength::No) {
    const std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path.c_str(), "wb"));
    ASSERT_NE(file, nullptr);
    WavpackContext* context = WavpackOpenFileOutput(WriteBlock, file.get(), nullptr);
    ASSERT_NE(context, nullptr);
    WavpackConfig config{};
    config.bytes_per_sample = 2;
    config.bits_per_sample = 16;
    config.channel_mask = 3;
    config.num_channels = CHANNELS;
    config.sample_rate = SAMPLE_RATE;
    const auto frames = static_cast<std::int64_t>(samples.size() / CHANNELS);
    const std::int64_t told = unknownLength == UnknownLength::Yes ? -1 : frames;
    ASSERT_TRUE(WavpackSetConfiguration64(context, &config, told, nullptr));
    ASSERT_TRUE(WavpackPackInit(context));
    std::vector<std::int32_t> wide(samples.begin(), samples.end());
    ASSERT_TRUE(WavpackPackSamples(context, wide.data(), static_cast<std::uint32_t>(frames)));
    ASSERT_TRUE(WavpackFlushSamples(context));
    if (!cueSheet.empty()) {
        ASSERT_TRUE(WavpackAppendTagItem(context, "cuesheet", cueSheet.data(),
                                         static_cast<int>(cueSheet.size())));
        ASSERT_TRUE(WavpackWriteTag(context));
    }
    WavpackCloseFile(context);
}

void WriteSoundFile(const std::filesystem::path& path, int format,
                    const std::vector<std::int16_t>& samples) {
    SF_INFO info{};
    info.samplerate = SAMPLE_RATE;
    info.channels = CHANNELS;
    info.format = format;
    SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
    ASSERT_NE(file, nullptr) << sf_strerror(nullptr);
    sf_writef_short(file, samples.data(), static_cast<sf_count_t>(samples.size() / CHANNELS));
    sf_close(file);
}

imagegen::DiscDescription TwoTracks() {
    imagegen::DiscDescription disc;
    disc.format = imagegen::AudioFormat::Wave;
    disc.tracks.resize(2);
    disc.tracks[0].length = 60;
    disc.tracks[1].length = 45;
    disc.tracks[1].index00 = 10;
    return disc;
}

// A generated WAVE image whose sheet still says disc.wav.
std::filesystem::path WaveImage(const TemporaryFolder& folder) {
    const imagegen::WriteResult written = imagegen::WriteImage(TwoTracks(), folder.Path(), "disc");
    EXPECT_FALSE(written.error.has_value()) << *written.error;
    return written.cueSheet;
}

TEST(ImageAudioFormatsTest, WavPackIsReadSampleExact) {
    const TemporaryFolder folder;
    const std::filesystem::path sheet = WaveImage(folder);
    const imagegen::DiscDescription disc = TwoTracks();
    const cdrom::Toc expected = imagegen::ExpectedToc(disc);
    // Converted as people convert their rips: the sheet keeps naming the WAVE.
    WriteWavPack(folder / "disc.wv", imagegen::DiscSamples(disc, 0, expected.leadOut));
    std::filesystem::remove(folder / "disc.wav");

    const DiscImageResult loaded = LoadDiscImage(sheet);
    ASSERT_NE(loaded.image, nullptr) << loaded.error->text;
    EXPECT_EQ(*loaded.image->SharedToc(), expected);
    // Read back to front, so that the decoder has to seek.
    for (const Lba start : {Lba{90}, Lba{3}, Lba{60}}) {
        std::vector<std::int16_t> samples(15 * SAMPLES_PER_SECTOR);
        const ReadResult read = loaded.image->Read(start, samples);
        ASSERT_FALSE(read.error.has_value()) << read.error->text;
        EXPECT_TRUE(samples == imagegen::DiscSamples(disc, start, start + 15)) << start;
    }
}

TEST(ImageAudioFormatsTest, AWavPackFileOpensByTheCueSheetInItsTag) {
    const TemporaryFolder folder;
    const imagegen::DiscDescription disc = TwoTracks();
    const cdrom::Toc expected = imagegen::ExpectedToc(disc);
    const std::filesystem::path carrier = folder / "disc.wv";
    WriteWavPack(carrier, imagegen::DiscSamples(disc, 0, expected.leadOut),
                 "TITLE \"Packed\"\r\nFILE \"disc.wav\" WAVE\r\n  TRACK 01 AUDIO\r\n"
                 "    INDEX 01 00:00:00\r\n  TRACK 02 AUDIO\r\n    INDEX 00 00:00:60\r\n"
                 "    INDEX 01 00:00:70\r\n");

    const DiscImageResult loaded = LoadDiscImage(carrier);
    ASSERT_NE(loaded.image, nullptr) << loaded.error->text;
    EXPECT_EQ(*loaded.image->SharedToc(), expected);
    EXPECT_EQ(loaded.image->Info().texts.title, "Packed");
    std::vector<std::int16_t> samples(5 * SAMPLES_PER_SECTOR);
    ASSERT_FALSE(loaded.image->Read(68, samples).error.has_value());
    EXPECT_TRUE(samples == imagegen::DiscSamples(disc, 68, 73));
}

TEST(ImageAudioFormatsTest, AWavPackFileWithoutCueSheetIsNoDisc) {
    const TemporaryFolder folder;
    const std::filesystem::path carrier = folder / "disc.wv";
    WriteWavPack(carrier, std::vector<std::int16_t>(SAMPLES_PER_SECTOR, 1));
    const DiscImageResult loaded = LoadDiscImage(carrier);
    ASSERT_TRUE(loaded.error.has_value());
    EXPECT_EQ(loaded.error->text, "The disc image " + carrier.string() + " carries no cue sheet.");
}

// Opened by itself, an audio file whose sheet lies beside it plays as the
// disc that sheet describes, whatever case the sheet's name is in.
TEST(ImageAudioFormatsTest, AnAudioFileOpensWithTheSheetBesideIt) {
    const char* const sheetNames[] = {"disc.cue", "DISC.CUE", "disc.wv.cue"};
    for (const char* sheetName : sheetNames) {
        SCOPED_TRACE(sheetName);
        const TemporaryFolder folder;
        const std::filesystem::path carrier = folder / "disc.wv";
        WriteWavPack(carrier, std::vector<std::int16_t>(4 * SAMPLES_PER_SECTOR, 1));
        folder.Write(sheetName,
                     "TITLE \"Beside\"\nFILE \"disc.wv\" WAVE\n  TRACK 01 AUDIO\n"
                     "    INDEX 01 00:00:00\n  TRACK 02 AUDIO\n    INDEX 01 00:00:02\n");
        const DiscImageResult loaded = LoadDiscImage(carrier);
        ASSERT_NE(loaded.image, nullptr) << loaded.error->text;
        EXPECT_EQ(loaded.image->Info().texts.title, "Beside");
        EXPECT_TRUE(loaded.image->SharedToc()->HasTrack(2));
    }
}

// The audio of a one-file image double-clicked instead of its sheet.
TEST(ImageAudioFormatsTest, AnImagesAudioOpensWithItsSheet) {
    const TemporaryFolder folder;
    const std::filesystem::path audio = folder / "CDImage.BIN";
    {
        std::ofstream out(audio, std::ios::binary);
        const std::string samples(4 * SAMPLES_PER_SECTOR * 2, '\x01');
        out << samples;
    }
    folder.Write("cdimage.cue",
                 "FILE \"CDImage.BIN\" BINARY\n  TRACK 01 AUDIO\n"
                 "    INDEX 01 00:00:00\n");
    const DiscImageResult loaded = LoadDiscImage(audio);
    ASSERT_NE(loaded.image, nullptr) << loaded.error->text;
    EXPECT_TRUE(loaded.image->SharedToc()->HasTrack(1));

    std::filesystem::remove(folder / "cdimage.cue");
    const DiscImageResult alone = LoadDiscImage(audio);
    ASSERT_TRUE(alone.error.has_value());
    EXPECT_EQ(alone.error->text, "The disc image " + audio.string() +
                                     " is audio without a cue sheet: no sheet of its name lies "
                                     "beside it.");
}

TEST(ImageAudioFormatsTest, LossyFilesOpenWithTheirLength) {
    struct Lossy {
        const char* name;
        int format;
    };
    for (const Lossy lossy : {Lossy{"disc.ogg", SF_FORMAT_OGG | SF_FORMAT_VORBIS},
                              Lossy{"disc.mp3", SF_FORMAT_MPEG | SF_FORMAT_MPEG_LAYER_III}}) {
        SCOPED_TRACE(lossy.name);
        const TemporaryFolder folder;
        const std::vector<std::int16_t> samples(75 * SAMPLES_PER_SECTOR, 1000);
        WriteSoundFile(folder / lossy.name, lossy.format, samples);
        const std::filesystem::path sheet = folder.Write(
            "disc.cue", "FILE \"" + std::string(lossy.name) +
                            "\" MP3\nTRACK 01 AUDIO\nINDEX 01 00:00:00\nTRACK 02 AUDIO\n"
                            "INDEX 01 00:00:40\n");
        const DiscImageResult loaded = LoadDiscImage(sheet);
        ASSERT_NE(loaded.image, nullptr) << loaded.error->text;
        EXPECT_EQ(loaded.image->SharedToc()->tracks[1].start, 40);
        EXPECT_EQ(loaded.image->SharedToc()->leadOut, 75);
        std::vector<std::int16_t> read(10 * SAMPLES_PER_SECTOR);
        EXPECT_FALSE(loaded.image->Read(50, read).error.has_value());
    }
}

// What an encoder writing to a pipe leaves: a FLAC whose header says it
// holds 0 samples (the 36 bits after the sample format in STREAMINFO).
void ForgetFlacLength(const std::filesystem::path& path) {
    std::fstream file(path, std::ios::binary | std::ios::in | std::ios::out);
    constexpr std::streamoff TOTAL_SAMPLES_OFFSET = 4 + 4 + 13;
    file.seekg(TOTAL_SAMPLES_OFFSET);
    char first = 0;
    file.get(first);
    file.seekp(TOTAL_SAMPLES_OFFSET);
    file.put(static_cast<char>(static_cast<unsigned char>(first) & 0xF0U));
    file.write("\0\0\0\0", 4);
    ASSERT_TRUE(file.good());
}

TEST(ImageAudioFormatsTest, AFileThatDoesNotTellItsLengthIsReadToItsEnd) {
    const imagegen::DiscDescription disc = TwoTracks();
    const cdrom::Toc expected = imagegen::ExpectedToc(disc);
    const std::vector<std::int16_t> samples = imagegen::DiscSamples(disc, 0, expected.leadOut);
    for (const bool wavPack : {false, true}) {
        SCOPED_TRACE(wavPack ? "WavPack" : "FLAC");
        const TemporaryFolder folder;
        const std::filesystem::path sheet = WaveImage(folder);
        std::filesystem::remove(folder / "disc.wav");
        if (wavPack) {
            WriteWavPack(folder / "disc.wv", samples, {}, UnknownLength::Yes);
        } else {
            WriteSoundFile(folder / "disc.flac", SF_FORMAT_FLAC | SF_FORMAT_PCM_16, samples);
            ForgetFlacLength(folder / "disc.flac");
        }

        const DiscImageResult loaded = LoadDiscImage(sheet);
        ASSERT_NE(loaded.image, nullptr) << loaded.error->text;
        EXPECT_EQ(*loaded.image->SharedToc(), expected);
        // The last sectors, then the first: read from the start after the count.
        for (const Lba start : {expected.leadOut - 5, Lba{0}}) {
            std::vector<std::int16_t> read(5 * SAMPLES_PER_SECTOR);
            ASSERT_FALSE(loaded.image->Read(start, read).error.has_value()) << start;
            EXPECT_TRUE(read == imagegen::DiscSamples(disc, start, start + 5)) << start;
        }
    }
}

TEST(ImageAudioFormatsTest, ARawFileThatTheSheetCallsWaveIsReadAsRawSamples) {
    const TemporaryFolder folder;
    imagegen::DiscDescription disc = TwoTracks();
    disc.format = imagegen::AudioFormat::Binary;
    const imagegen::WriteResult written = imagegen::WriteImage(disc, folder.Path(), "disc");
    ASSERT_FALSE(written.error.has_value()) << *written.error;
    std::ifstream in(written.cueSheet, std::ios::binary);
    std::string text{std::istreambuf_iterator<char>(in), {}};
    text.replace(text.find("BINARY"), 6, "WAVE");
    folder.Write("disc.cue", text);

    const DiscImageResult loaded = LoadDiscImage(written.cueSheet);
    ASSERT_NE(loaded.image, nullptr) << loaded.error->text;
    const cdrom::Toc expected = imagegen::ExpectedToc(disc);
    EXPECT_EQ(*loaded.image->SharedToc(), expected);
    std::vector<std::int16_t> read(5 * SAMPLES_PER_SECTOR);
    ASSERT_FALSE(loaded.image->Read(50, read).error.has_value());
    EXPECT_TRUE(read == imagegen::DiscSamples(disc, 50, 55));
}

TEST(ImageAudioFormatsTest, ABinaryTypeForAWaveFileIsReadByItsHeader) {
    const TemporaryFolder folder;
    const std::filesystem::path sheet = WaveImage(folder);
    std::ifstream in(sheet, std::ios::binary);
    std::string text{std::istreambuf_iterator<char>(in), {}};
    text.replace(text.find("WAVE"), 4, "BINARY");
    folder.Write("disc.cue", text);

    const DiscImageResult loaded = LoadDiscImage(sheet);
    ASSERT_NE(loaded.image, nullptr) << loaded.error->text;
    EXPECT_EQ(*loaded.image->SharedToc(), imagegen::ExpectedToc(TwoTracks()));
}

}  // namespace
}  // namespace corvid::cdrom
