#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <span>
#include <string>

namespace corvid::cdrom {

// How a cue sheet's FILE line says its samples are stored.
enum class FileType : std::uint8_t {
    // BINARY: raw 16-bit stereo, little-endian, unless the file starts as
    // a WAVE, AIFF, FLAC, Ogg, MP3 or WavPack file does
    LittleEndianPcm,
    BigEndianPcm,  // MOTOROLA: raw, big-endian, or a file with a header as above
    WithHeader,    // WAVE, AIFF, FLAC, Ogg, MP3, WavPack...: the file's own bytes tell
};

// One audio file of an image, open for reading 16-bit stereo at 44100 Hz:
// raw PCM and what libsndfile reads (WAVE, AIFF, FLAC, Ogg Vorbis, Opus,
// MP3) through libsndfile, WavPack through libwavpack. Used by one thread at
// a time.
// A decoding library's message as part of one of ours, which ends with its
// own full stop: without the one some of its messages end with.
std::string LibraryMessage(const char* text);

class ImageAudioFile {
  public:
    // The decoding library behind a file.
    class Decoder {
      public:
        virtual ~Decoder() = default;
        // Moves to sample frame `frame`; false when the decoder cannot.
        [[nodiscard]] virtual bool Seek(std::int64_t frame) = 0;
        // Reads samples.size() / 2 frames or fewer at the end; the frames read.
        virtual std::int64_t Read(std::span<std::int16_t> samples) = 0;
        // What went wrong in the last call, or empty when nothing did.
        [[nodiscard]] virtual std::string Problem() const = 0;
    };

    struct OpenResult {
        std::unique_ptr<ImageAudioFile> file;  // null on failure
        std::string problem;                   // on failure, what is wrong: "which does not exist"
    };
    static OpenResult Open(const std::filesystem::path& path, FileType type);

    [[nodiscard]] std::int64_t Frames() const { return m_frames; }

    struct ReadOutcome {
        std::int64_t frames = 0;             // sample frames read
        std::optional<std::string> problem;  // set when fewer than asked were read
    };
    // Reads samples.size() / 2 sample frames from `firstFrame`, interleaved,
    // in host byte order. Seeks only when the read does not follow the last.
    // A seek that fails is tried once more on the file opened again, as a
    // decoder that met a damaged or cut file may refuse every seek after.
    ReadOutcome Read(std::int64_t firstFrame, std::span<std::int16_t> samples);

  private:
    ImageAudioFile(std::unique_ptr<Decoder> decoder, std::int64_t frames,
                   std::filesystem::path path, FileType type);

    // Opens the file anew in place of the decoder there is; false, keeping
    // that decoder, when it cannot be opened.
    [[nodiscard]] bool Reopen();

    std::unique_ptr<Decoder> m_decoder;
    std::int64_t m_frames = 0;
    std::int64_t m_position = 0;
    std::filesystem::path m_path;
    FileType m_type;
};

// The first `count` bytes of a file, fewer when it is shorter or cannot be
// read: enough to tell a file's type by its magic.
std::string FirstBytesOf(const std::filesystem::path& path, std::size_t count);

}  // namespace corvid::cdrom
