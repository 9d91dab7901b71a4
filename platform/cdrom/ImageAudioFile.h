#pragma once

#include <sndfile.h>

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <span>
#include <string>

namespace corvid::cdrom {

// How a cue sheet's FILE line says its samples are stored.
enum class FileType : std::uint8_t {
    LittleEndianPcm,  // BINARY: raw 16-bit stereo, little-endian
    BigEndianPcm,     // MOTOROLA: raw, big-endian
    WithHeader,       // WAVE, AIFF, FLAC...: the file's own header tells
};

// One audio file of an image, open for reading 16-bit stereo at 44100 Hz.
// Used by one thread at a time.
class ImageAudioFile {
  public:
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
    struct Closer {
        void operator()(SNDFILE* file) const { sf_close(file); }
    };

    ImageAudioFile(SNDFILE* file, std::int64_t frames, std::filesystem::path path, FileType type)
        : m_file(file), m_frames(frames), m_path(std::move(path)), m_type(type) {}

    [[nodiscard]] bool Seek(std::int64_t frame);
    // Opens the file anew in place of the handle there is; false, keeping
    // that handle, when it cannot be opened.
    [[nodiscard]] bool Reopen();

    std::unique_ptr<SNDFILE, Closer> m_file;
    std::int64_t m_frames = 0;
    std::int64_t m_position = 0;
    std::filesystem::path m_path;
    FileType m_type;
};

}  // namespace corvid::cdrom
