#include "platform/cdrom/ImageAudioFile.h"

#include <fcntl.h>
#include <sndfile.h>
#include <sys/stat.h>
#include <unistd.h>
#include <wavpack/wavpack.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <limits>
#include <optional>
#include <string_view>
#include <system_error>
#include <utility>
#include <vector>

#include "platform/cdrom/CueFiles.h"
#include "platform/cdrom/CueParser.h"
#include "platform/cdrom/Toc.h"

namespace corvid::cdrom {

namespace {

constexpr int CD_BITS_PER_SAMPLE = 16;

struct Opened {
    std::unique_ptr<ImageAudioFile::Decoder> decoder;  // null on failure
    std::int64_t frames = 0;
    std::string problem;
};

// Files whose own bytes name a type that no library here decodes.
struct UnreadableType {
    std::string_view magic;
    std::string_view extension;
    std::string_view name;
};
constexpr std::array<UnreadableType, 3> UNREADABLE_TYPES = {{
    {"MAC ", ".ape", "Monkey's Audio"},
    {"TTA1", ".tta", "True Audio (TTA)"},
    {"ajkg", ".shn", "Shorten"},
}};

constexpr std::string_view WAVPACK_MAGIC = "wvpk";

// The first bytes of the files with a header that rippers' sheets call
// BINARY now and then; raw samples never start with them in practice.
constexpr std::array<std::string_view, 7> HEADER_MAGICS = {
    "RIFF", "FORM", "fLaC", "OggS", "ID3\x03", "ID3\x04", WAVPACK_MAGIC};

std::string Lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(), [](char letter) {
        return letter >= 'A' && letter <= 'Z' ? static_cast<char>(letter - 'A' + 'a') : letter;
    });
    return text;
}

// An open file descriptor, closed by its owner.
class FileHandle {
  public:
    explicit FileHandle(int descriptor) : m_descriptor(descriptor) {}
    ~FileHandle() {
        if (m_descriptor >= 0) {
            ::close(m_descriptor);
        }
    }
    FileHandle(FileHandle&& other) noexcept : m_descriptor(std::exchange(other.m_descriptor, -1)) {}
    FileHandle(const FileHandle&) = delete;
    FileHandle& operator=(const FileHandle&) = delete;
    FileHandle& operator=(FileHandle&&) = delete;

    [[nodiscard]] int Get() const { return m_descriptor; }

  private:
    int m_descriptor;
};

// Without waiting for a writer, should the path name a FIFO.
FileHandle OpenForReading(const std::filesystem::path& path) {
    return FileHandle(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
}

std::string ErrnoText() {
    return std::error_code(errno, std::generic_category()).message();
}

// Why an opened file cannot be read as audio: a folder, a FIFO or a device
// would hang or never end. Empty when it is a regular file.
std::string NotAFile(const FileHandle& file) {
    struct stat status {};
    if (::fstat(file.Get(), &status) != 0) {
        return "which cannot be read: " + ErrnoText();
    }
    return S_ISREG(status.st_mode) ? "" : "which is not a file";
}

// Leaves the file's position where it was, for the decoder that reads it next.
std::string ReadFirstBytes(const FileHandle& file, std::size_t count) {
    std::string bytes(count, '\0');
    const ssize_t got = ::pread(file.Get(), bytes.data(), count, 0);
    bytes.resize(static_cast<std::size_t>(std::max<ssize_t>(0, got)));
    return bytes;
}

// libsndfile reads the descriptor that told the file's type, so that a file
// is opened once; the descriptor is closed after libsndfile is done with it.
class SoundFileDecoder final : public ImageAudioFile::Decoder {
  public:
    SoundFileDecoder(FileHandle handle, SNDFILE* file)
        : m_handle(std::move(handle)), m_file(file) {}

    bool Seek(std::int64_t frame) override {
        return sf_seek(m_file.get(), frame, SEEK_SET) == frame;
    }
    std::int64_t Read(std::span<std::int16_t> samples) override {
        return sf_readf_short(m_file.get(), samples.data(),
                              static_cast<sf_count_t>(samples.size() / CHANNELS));
    }
    std::string Problem() const override {
        return sf_error(m_file.get()) != SF_ERR_NO_ERROR ? LibraryMessage(sf_strerror(m_file.get()))
                                                         : "";
    }

  private:
    struct Closer {
        void operator()(SNDFILE* file) const { sf_close(file); }
    };
    FileHandle m_handle;
    std::unique_ptr<SNDFILE, Closer> m_file;
};

bool IsCdAudio(const SF_INFO& info) {
    const int encoding = info.format & SF_FORMAT_SUBMASK;
    // Lossy files decode to samples of any size: 16 bits are as good as any.
    const bool decodable = encoding == SF_FORMAT_PCM_16 || encoding == SF_FORMAT_VORBIS ||
                           encoding == SF_FORMAT_OPUS || encoding == SF_FORMAT_MPEG_LAYER_I ||
                           encoding == SF_FORMAT_MPEG_LAYER_II ||
                           encoding == SF_FORMAT_MPEG_LAYER_III;
    return info.samplerate == SAMPLE_RATE && info.channels == CHANNELS && decodable;
}

Opened OpenSoundFile(FileHandle handle, FileType type) {
    SF_INFO info{};
    if (type != FileType::WithHeader) {
        const int endian = type == FileType::BigEndianPcm ? SF_ENDIAN_BIG : SF_ENDIAN_LITTLE;
        info.samplerate = SAMPLE_RATE;
        info.channels = CHANNELS;
        info.format = SF_FORMAT_RAW | SF_FORMAT_PCM_16 | endian;
    }
    SNDFILE* file = sf_open_fd(handle.Get(), SFM_READ, &info, SF_FALSE);
    if (file == nullptr) {
        return {nullptr, 0, "which cannot be read: " + LibraryMessage(sf_strerror(nullptr))};
    }
    auto decoder = std::make_unique<SoundFileDecoder>(std::move(handle), file);
    if (!IsCdAudio(info)) {
        return {nullptr, 0, "which is not 44100 Hz stereo 16-bit audio"};
    }
    return {std::move(decoder), info.frames, {}};
}

class WavPackDecoder final : public ImageAudioFile::Decoder {
  public:
    explicit WavPackDecoder(WavpackContext* context) : m_context(context) {}

    bool Seek(std::int64_t frame) override {
        return WavpackSeekSample64(m_context.get(), frame) != 0;
    }
    std::int64_t Read(std::span<std::int16_t> samples) override {
        m_wide.resize(samples.size());
        const auto wanted = static_cast<std::uint32_t>(samples.size() / CHANNELS);
        const std::uint32_t got = WavpackUnpackSamples(m_context.get(), m_wide.data(), wanted);
        // 16-bit files unpack to values that fit; clamping guards a damaged one.
        std::transform(m_wide.begin(), m_wide.begin() + std::ptrdiff_t{got} * CHANNELS,
                       samples.begin(), [](std::int32_t value) {
                           return static_cast<std::int16_t>(std::clamp(value, -32768, 32767));
                       });
        return got;
    }
    std::string Problem() const override {
        return LibraryMessage(WavpackGetErrorMessage(m_context.get()));
    }

  private:
    struct Closer {
        void operator()(WavpackContext* context) const { WavpackCloseFile(context); }
    };
    std::unique_ptr<WavpackContext, Closer> m_context;
    std::vector<std::int32_t> m_wide;
};

Opened OpenWavPack(const std::filesystem::path& path) {
    // The size libwavpack asks for its error text.
    std::array<char, 80> error{};
    // A correction file beside a hybrid one makes it lossless again.
    WavpackContext* context = WavpackOpenFileInput(path.c_str(), error.data(), OPEN_WVC, 0);
    if (context == nullptr) {
        return {nullptr, 0, "which cannot be read as WavPack: " + LibraryMessage(error.data())};
    }
    auto decoder = std::make_unique<WavPackDecoder>(context);
    const bool cdAudio = WavpackGetSampleRate(context) == SAMPLE_RATE &&
                         WavpackGetNumChannels(context) == CHANNELS &&
                         WavpackGetBitsPerSample(context) == CD_BITS_PER_SAMPLE &&
                         (WavpackGetMode(context) & MODE_FLOAT) == 0;
    if (!cdAudio) {
        return {nullptr, 0, "which is not 44100 Hz stereo 16-bit audio"};
    }
    return {std::move(decoder), WavpackGetNumSamples64(context), {}};
}

Opened OpenDecoder(const std::filesystem::path& path, FileType type) {
    FileHandle handle = OpenForReading(path);
    if (handle.Get() < 0) {
        return {nullptr, 0,
                errno == ENOENT ? "which does not exist" : "which cannot be read: " + ErrnoText()};
    }
    if (std::string problem = NotAFile(handle); !problem.empty()) {
        return {nullptr, 0, problem};
    }
    const std::string magic = ReadFirstBytes(handle, 4);
    const bool hasHeader =
        std::find(HEADER_MAGICS.begin(), HEADER_MAGICS.end(), magic) != HEADER_MAGICS.end();
    if (type != FileType::WithHeader && !hasHeader) {
        return OpenSoundFile(std::move(handle), type);
    }
    if (magic == WAVPACK_MAGIC) {
        return OpenWavPack(path);
    }
    const std::string extension = Lower(path.extension().string());
    for (const UnreadableType& unreadable : UNREADABLE_TYPES) {
        if (magic == unreadable.magic || extension == unreadable.extension) {
            return {nullptr, 0,
                    "which is " + std::string(unreadable.name) + ", a type that cannot be read"};
        }
    }
    // A sheet that calls a file of raw samples WAVE, when its bytes start as
    // no file with a header does, means its raw samples.
    if (IsRawAudioFileName(path) && !hasHeader) {
        return OpenSoundFile(std::move(handle), FileType::LittleEndianPcm);
    }
    return OpenSoundFile(std::move(handle), FileType::WithHeader);
}

// An encoder that wrote to a pipe could not go back to put the length in
// the header: a FLAC then says 0 samples, which libsndfile passes on as the
// largest count it has, and a WavPack says -1.
bool LengthUnknown(std::int64_t frames) {
    return frames < 0 || frames == std::numeric_limits<sf_count_t>::max();
}

// Decodes the whole file once to learn its length. Counting stops once the
// file is longer than any disc, which is all that laying it out needs to know.
std::optional<std::int64_t> CountFramesByDecoding(ImageAudioFile::Decoder& decoder) {
    constexpr std::size_t CHUNK_FRAMES = 16384;
    constexpr std::int64_t ENOUGH_FRAMES =
        (std::int64_t{MAX_DISC_SECTORS} + 1) * SAMPLE_FRAMES_PER_SECTOR;
    std::vector<std::int16_t> chunk(CHUNK_FRAMES * CHANNELS);
    std::int64_t frames = 0;
    while (frames <= ENOUGH_FRAMES) {
        const std::int64_t got = decoder.Read(chunk);
        if (got < 0) {
            return std::nullopt;
        }
        // A damaged end plays as far as it decodes, as a file of known length does.
        if (got == 0) {
            break;
        }
        frames += got;
    }
    return frames;
}

// The decoder with the file's length, counted when its header does not tell
// it, and at the file's start.
Opened OpenWithLength(const std::filesystem::path& path, FileType type) {
    Opened opened = OpenDecoder(path, type);
    if (!opened.decoder || !LengthUnknown(opened.frames)) {
        return opened;
    }
    const std::optional<std::int64_t> frames = CountFramesByDecoding(*opened.decoder);
    if (!frames) {
        const std::string problem = opened.decoder->Problem();
        return {nullptr, 0,
                "which cannot be read to its end" + (problem.empty() ? "" : ": " + problem)};
    }
    // Opened afresh rather than sought back, which not every decoder can do.
    opened = OpenDecoder(path, type);
    opened.frames = *frames;
    return opened;
}

}  // namespace

std::string LibraryMessage(const char* text) {
    if (text == nullptr) {
        return {};
    }
    std::string message(text);
    while (!message.empty() && (message.back() == '.' || message.back() == ' ')) {
        message.pop_back();
    }
    return message;
}

std::string FirstBytesOf(const std::filesystem::path& path, std::size_t count) {
    return ReadFirstBytes(OpenForReading(path), count);
}

ImageAudioFile::ImageAudioFile(std::unique_ptr<Decoder> decoder, std::int64_t frames,
                               std::filesystem::path path, FileType type)
    : m_decoder(std::move(decoder)), m_frames(frames), m_path(std::move(path)), m_type(type) {}

ImageAudioFile::OpenResult ImageAudioFile::Open(const std::filesystem::path& path, FileType type) {
    Opened opened = OpenWithLength(path, type);
    if (!opened.decoder) {
        return {nullptr, opened.problem};
    }
    if (opened.frames <= 0) {
        return {nullptr, "which holds no audio"};
    }
    return {std::unique_ptr<ImageAudioFile>(
                new ImageAudioFile(std::move(opened.decoder), opened.frames, path, type)),
            {}};
}

bool ImageAudioFile::Reopen() {
    Opened opened = OpenDecoder(m_path, m_type);
    // A file put in its place that holds other audio would not fit the reads.
    if (!opened.decoder) {
        return false;
    }
    m_decoder = std::move(opened.decoder);
    return true;
}

ImageAudioFile::ReadOutcome ImageAudioFile::Read(std::int64_t firstFrame,
                                                 std::span<std::int16_t> samples) {
    const auto wanted = static_cast<std::int64_t>(samples.size() / CHANNELS);
    if (firstFrame != m_position) {
        if (!m_decoder->Seek(firstFrame) && !(Reopen() && m_decoder->Seek(firstFrame))) {
            m_position = -1;
            return {0, "cannot seek: " + m_decoder->Problem()};
        }
        m_position = firstFrame;
    }
    const std::int64_t got = std::max<std::int64_t>(0, m_decoder->Read(samples));
    m_position += got;
    if (got == wanted) {
        return {got, std::nullopt};
    }
    // A short read at the end of the file leaves the position unknown to us.
    m_position = -1;
    const std::string problem = m_decoder->Problem();
    return {got, problem.empty() ? std::string("it ends early") : problem};
}

}  // namespace corvid::cdrom
