#include "platform/cdrom/DiscImage.h"

#include <algorithm>

#include "platform/cdrom/CueText.h"

namespace corvid::cdrom {

DiscImage::DiscImage(std::filesystem::path cueSheet, Toc toc, std::vector<ImageFileEntry> files,
                     std::vector<ImageSegment> segments, ImageDiscInfo info)
    : m_cueSheet(std::move(cueSheet)),
      m_toc(std::make_shared<const Toc>(std::move(toc))),
      m_files(std::move(files)),
      m_segments(std::move(segments)),
      m_info(std::move(info)) {}

const ImageSegment* DiscImage::SegmentAt(Lba sector) const {
    const auto after = std::upper_bound(
        m_segments.begin(), m_segments.end(), sector,
        [](Lba value, const ImageSegment& segment) { return value < segment.begin; });
    if (after == m_segments.begin() || sector >= (after - 1)->end) {
        return nullptr;
    }
    return &*(after - 1);
}

ReadResult DiscImage::Read(Lba start, std::span<std::int16_t> samples) {
    const auto wanted = static_cast<Lba>(samples.size() / SAMPLES_PER_SECTOR);
    ReadResult result;
    while (result.sectorsRead < wanted) {
        const Lba sector = start + result.sectorsRead;
        const ImageSegment* segment = SegmentAt(sector);
        if (segment == nullptr) {
            result.error = ImageError(MCIERR_OUTOFRANGE, m_cueSheet,
                                      "has no sector " + std::to_string(sector) + ".");
            return result;
        }
        const Lba count = std::min(wanted - result.sectorsRead, segment->end - sector);
        const auto out =
            samples.subspan(static_cast<std::size_t>(result.sectorsRead) * SAMPLES_PER_SECTOR,
                            static_cast<std::size_t>(count) * SAMPLES_PER_SECTOR);
        const bool silent = segment->file == ImageSegment::SILENCE ||
                            segment->framesPerSector != SAMPLE_FRAMES_PER_SECTOR;
        if (silent) {
            std::fill(out.begin(), out.end(), std::int16_t{0});
            result.sectorsRead += count;
            continue;
        }
        if (auto error = ReadFromFile(*segment, sector, count, out, result.sectorsRead)) {
            result.error = std::move(error);
            return result;
        }
    }
    return result;
}

std::optional<DriveError> DiscImage::ReadFromFile(const ImageSegment& segment, Lba first, Lba count,
                                                  std::span<std::int16_t> samples,
                                                  int& sectorsRead) {
    ImageFileEntry& file = m_files[static_cast<std::size_t>(segment.file)];
    const std::int64_t firstFrame =
        segment.firstFrame + std::int64_t{first - segment.begin} * SAMPLE_FRAMES_PER_SECTOR;
    // The last sector of a file may be partly missing: the rest is silence.
    const std::int64_t available = std::clamp<std::int64_t>(
        file.audio->Frames() - firstFrame, 0, std::int64_t{count} * SAMPLE_FRAMES_PER_SECTOR);
    const auto held = samples.first(static_cast<std::size_t>(available) * CHANNELS);
    const ImageAudioFile::ReadOutcome outcome = file.audio->Read(firstFrame, held);
    if (outcome.problem) {
        sectorsRead += static_cast<int>(outcome.frames / SAMPLE_FRAMES_PER_SECTOR);
        return ImageError(MCIERR_HARDWARE, m_cueSheet,
                          "could not read its file " + file.name + ": " + *outcome.problem + ".");
    }
    std::fill(samples.begin() + static_cast<std::ptrdiff_t>(held.size()), samples.end(),
              std::int16_t{0});
    sectorsRead += count;
    return std::nullopt;
}

}  // namespace corvid::cdrom
