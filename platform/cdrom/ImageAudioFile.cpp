#include "platform/cdrom/ImageAudioFile.h"

#include <system_error>

#include "platform/cdrom/Toc.h"

namespace corvid::cdrom {

namespace {

int RawFormat(FileType type) {
    const int endian = type == FileType::BigEndianPcm ? SF_ENDIAN_BIG : SF_ENDIAN_LITTLE;
    return SF_FORMAT_RAW | SF_FORMAT_PCM_16 | endian;
}

bool IsCdAudio(const SF_INFO& info) {
    return info.samplerate == SAMPLE_RATE && info.channels == CHANNELS &&
           (info.format & SF_FORMAT_SUBMASK) == SF_FORMAT_PCM_16;
}

SNDFILE* OpenForReading(const std::filesystem::path& path, FileType type, SF_INFO& info) {
    info = SF_INFO{};
    if (type != FileType::WithHeader) {
        info.samplerate = SAMPLE_RATE;
        info.channels = CHANNELS;
        info.format = RawFormat(type);
    }
    return sf_open(path.c_str(), SFM_READ, &info);
}

}  // namespace

ImageAudioFile::OpenResult ImageAudioFile::Open(const std::filesystem::path& path, FileType type) {
    std::error_code failure;
    if (!std::filesystem::exists(path, failure)) {
        return {nullptr, "which does not exist"};
    }
    if (!std::filesystem::is_regular_file(path, failure)) {
        return {nullptr, "which is not a file"};
    }
    SF_INFO info{};
    SNDFILE* opened = OpenForReading(path, type, info);
    if (opened == nullptr) {
        return {nullptr, std::string("which cannot be read: ") + sf_strerror(nullptr)};
    }
    std::unique_ptr<ImageAudioFile> file(new ImageAudioFile(opened, info.frames, path, type));
    if (!IsCdAudio(info)) {
        return {nullptr, "which is not 44100 Hz stereo 16-bit audio"};
    }
    if (info.frames <= 0) {
        return {nullptr, "which holds no audio"};
    }
    return {std::move(file), {}};
}

bool ImageAudioFile::Seek(std::int64_t frame) {
    return sf_seek(m_file.get(), frame, SEEK_SET) == frame;
}

bool ImageAudioFile::Reopen() {
    SF_INFO info{};
    std::unique_ptr<SNDFILE, Closer> opened(OpenForReading(m_path, m_type, info));
    // A file put in its place that holds other audio would not fit the reads.
    if (!opened || !IsCdAudio(info)) {
        return false;
    }
    m_file = std::move(opened);
    return true;
}

ImageAudioFile::ReadOutcome ImageAudioFile::Read(std::int64_t firstFrame,
                                                 std::span<std::int16_t> samples) {
    const auto wanted = static_cast<sf_count_t>(samples.size() / CHANNELS);
    if (firstFrame != m_position) {
        if (!Seek(firstFrame) && !(Reopen() && Seek(firstFrame))) {
            m_position = -1;
            return {0, std::string("cannot seek: ") + sf_strerror(m_file.get())};
        }
        m_position = firstFrame;
    }
    const sf_count_t got = sf_readf_short(m_file.get(), samples.data(), wanted);
    m_position += got;
    if (got == wanted) {
        return {got, std::nullopt};
    }
    // A short read at the end of the file leaves the position unknown to us.
    m_position = -1;
    const int code = sf_error(m_file.get());
    return {got, code != SF_ERR_NO_ERROR ? std::string(sf_strerror(m_file.get()))
                                         : std::string("it ends early")};
}

}  // namespace corvid::cdrom
