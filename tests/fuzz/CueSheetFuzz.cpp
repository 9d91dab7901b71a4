// libFuzzer target for the cue sheet loading: the input is written as a cue
// sheet beside a short WAVE file, a raw one, a FLAC one in a folder whose
// names differ in letter case, and a Monkey's Audio header, and opened as an
// image drive. It is then put into a FLAC file's CUESHEET tag, whose sheet
// describes that file alone, and that file is opened too.
// Every input gives either an open error or a drive, never both, never
// neither, and a drive answers, reads and moves its tray without a crash.

#include <FLAC/metadata.h>
#include <sndfile.h>
#include <stdlib.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/cdrom/Drive.h"
#include "platform/cdrom/ImageDrive.h"

namespace {

using namespace corvid::cdrom;

// One second of sound per file, so that sheets pointing past it are common.
constexpr int FILE_SECTORS = 75;
constexpr int READ_SECTORS = 2;

void Require(bool holds) {
    if (!holds) {
        std::abort();
    }
}

std::vector<std::int16_t> Ramp() {
    std::vector<std::int16_t> samples(static_cast<std::size_t>(FILE_SECTORS) * SAMPLES_PER_SECTOR);
    for (std::size_t index = 0; index < samples.size(); ++index) {
        samples[index] = static_cast<std::int16_t>(index % 30011);
    }
    return samples;
}

void WriteSoundFile(const std::filesystem::path& path, int format,
                    const std::vector<std::int16_t>& samples) {
    SF_INFO info{};
    info.samplerate = SAMPLE_RATE;
    info.channels = CHANNELS;
    info.format = format;
    SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
    Require(file != nullptr);
    const auto frames = static_cast<sf_count_t>(samples.size() / CHANNELS);
    Require(sf_writef_short(file, samples.data(), frames) == frames);
    Require(sf_close(file) == 0);
}

void WriteRaw(const std::filesystem::path& path, const std::vector<std::int16_t>& samples) {
    std::ofstream file(path, std::ios::binary);
    file.write(reinterpret_cast<const char*>(samples.data()),
               static_cast<std::streamsize>(samples.size() * sizeof(std::int16_t)));
    Require(file.good());
}

struct ChainDeleter {
    void operator()(FLAC__Metadata_Chain* chain) const { FLAC__metadata_chain_delete(chain); }
};
struct IteratorDeleter {
    void operator()(FLAC__Metadata_Iterator* iterator) const {
        FLAC__metadata_iterator_delete(iterator);
    }
};

// The folder of the sheet and its audio files, made once per run.
class ImageFolder {
  public:
    ImageFolder() {
        std::string pattern = (std::filesystem::temp_directory_path() / "cue-fuzz-XXXXXX").string();
        Require(::mkdtemp(pattern.data()) != nullptr);
        m_folder = pattern;
        const std::vector<std::int16_t> samples = Ramp();
        WriteSoundFile(m_folder / "audio.wav", SF_FORMAT_WAV | SF_FORMAT_PCM_16, samples);
        WriteRaw(m_folder / "audio.bin", samples);
        std::filesystem::create_directory(m_folder / "Disc 1");
        WriteSoundFile(m_folder / "Disc 1" / "Track.FLAC", SF_FORMAT_FLAC | SF_FORMAT_PCM_16,
                       samples);
        WriteRaw(m_folder / "other.ape", {0x414D, 0x2043, 0x0F9A, 0});
        WriteSoundFile(m_folder / "carrier.flac", SF_FORMAT_FLAC | SF_FORMAT_PCM_16, samples);
    }
    ~ImageFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(m_folder, ignored);
    }
    ImageFolder(const ImageFolder&) = delete;
    ImageFolder& operator=(const ImageFolder&) = delete;

    // The FLAC file with the input as its CUESHEET tag, in place of the last.
    [[nodiscard]] std::filesystem::path WriteTag(const std::uint8_t* data, std::size_t size) const {
        const std::filesystem::path carrier = m_folder / "carrier.flac";
        std::unique_ptr<FLAC__Metadata_Chain, ChainDeleter> chain(FLAC__metadata_chain_new());
        Require(chain && FLAC__metadata_chain_read(chain.get(), carrier.c_str()));
        std::unique_ptr<FLAC__Metadata_Iterator, IteratorDeleter> iterator(
            FLAC__metadata_iterator_new());
        Require(iterator != nullptr);
        FLAC__metadata_iterator_init(iterator.get(), chain.get());
        while (FLAC__metadata_iterator_next(iterator.get())) {
            if (FLAC__metadata_iterator_get_block_type(iterator.get()) ==
                FLAC__METADATA_TYPE_VORBIS_COMMENT) {
                Require(FLAC__metadata_iterator_delete_block(iterator.get(), true));
            }
        }
        // Set by hand: libFLAC's own setters refuse text that is not UTF-8,
        // which files written by other programs may still hold.
        FLAC__StreamMetadata* comment =
            FLAC__metadata_object_new(FLAC__METADATA_TYPE_VORBIS_COMMENT);
        Require(comment != nullptr &&
                FLAC__metadata_object_vorbiscomment_resize_comments(comment, 1));
        const std::string_view name = "CUESHEET=";
        auto* bytes = static_cast<FLAC__byte*>(std::malloc(name.size() + size + 1));
        Require(bytes != nullptr);
        std::memcpy(bytes, name.data(), name.size());
        if (size > 0) {
            std::memcpy(bytes + name.size(), data, size);
        }
        bytes[name.size() + size] = 0;
        const auto entryLength = static_cast<FLAC__uint32>(name.size() + size);
        std::free(comment->data.vorbis_comment.comments[0].entry);
        comment->data.vorbis_comment.comments[0] = {entryLength, bytes};
        // The block's length as the format counts it: the vendor string and
        // the one comment, each after its 32-bit length, and the count.
        comment->length =
            4 + comment->data.vorbis_comment.vendor_string.length + 4 + 4 + entryLength;
        FLAC__metadata_iterator_init(iterator.get(), chain.get());
        Require(FLAC__metadata_iterator_insert_block_after(iterator.get(), comment));
        Require(FLAC__metadata_chain_write(chain.get(), true, false));
        return carrier;
    }

    [[nodiscard]] std::filesystem::path WriteSheet(const std::uint8_t* data,
                                                   std::size_t size) const {
        const std::filesystem::path sheet = m_folder / "disc.cue";
        std::ofstream file(sheet, std::ios::binary | std::ios::trunc);
        file.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
        Require(file.good());
        return sheet;
    }

  private:
    std::filesystem::path m_folder;
};

void ReadAt(Drive& drive, Lba start) {
    std::vector<std::int16_t> samples(static_cast<std::size_t>(READ_SECTORS) * SAMPLES_PER_SECTOR);
    const ReadResult result = drive.ReadAudio(start, samples);
    Require(result.sectorsRead >= 0 && result.sectorsRead <= READ_SECTORS);
    Require(result.sectorsRead == READ_SECTORS || result.error.has_value());
}

void Exercise(Drive& drive) {
    Require(drive.State() == DriveState::Ready);
    const std::shared_ptr<const Toc> toc = drive.CurrentToc();
    Require(toc != nullptr);
    Lba previousStart = -1;
    for (const TocTrack& track : toc->tracks) {
        Require(track.start > previousStart && track.playableEnd >= track.start);
        Require(track.playableEnd <= toc->leadOut);
        previousStart = track.start;
        ReadAt(drive, track.start);
    }
    ReadAt(drive, toc->leadOut - READ_SECTORS);
    Require(!drive.OpenTray().has_value());
    Require(drive.State() == DriveState::TrayOpen);
    const std::optional<DriveError> closed = drive.CloseTray();
    Require(closed.has_value() != (drive.State() == DriveState::Ready));
}

void OpenAndExercise(const std::filesystem::path& image) {
    const DriveOpenResult opened = OpenImageDrive(image);
    Require((opened.drive != nullptr) != opened.error.has_value());
    if (opened.error) {
        Require(!opened.error->text.empty());
        return;
    }
    Exercise(*opened.drive);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const ImageFolder folder;
    OpenAndExercise(folder.WriteSheet(data, size));
    OpenAndExercise(folder.WriteTag(data, size));
    return 0;
}
