#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "platform/cdrom/CueParser.h"
#include "platform/cdrom/Drive.h"
#include "platform/cdrom/ImageAudioFile.h"

namespace corvid::cdrom {

// A run of sectors of the disc that lie one after the other in one file, or
// silence that no file holds.
struct ImageSegment {
    static constexpr int SILENCE = -1;

    Lba begin = 0;
    Lba end = 0;
    int file = SILENCE;                              // index into the image's files
    std::int64_t firstFrame = 0;                     // the file's sample frame at `begin`
    int framesPerSector = SAMPLE_FRAMES_PER_SECTOR;  // fewer for cooked data sectors
};

struct ImageFileEntry {
    std::string name;  // as the cue sheet names it
    std::unique_ptr<ImageAudioFile> audio;
};

// An index mark inside a track (INDEX 02 to 99), where it lies on the disc.
struct ImageIndexMark {
    int number = 0;
    Lba sector = 0;

    bool operator==(const ImageIndexMark&) const = default;
};

struct ImageTrackInfo {
    CueTexts texts;  // TITLE, PERFORMER, SONGWRITER
    std::string isrc;
    std::vector<ImageIndexMark> indexMarks;  // in order
};

// What the cue sheet tells of the disc beyond its table of contents.
struct ImageDiscInfo {
    CueTexts texts;
    std::string catalog;
    std::vector<CueRemark> remarks;
    std::vector<ImageTrackInfo> tracks;  // one per TOC track, in order
    std::string encoding;                // what the sheet's bytes were read as
};

// A loaded image: its table of contents and where each sector's samples are.
// Read is for one thread at a time.
class DiscImage {
  public:
    DiscImage(std::filesystem::path cueSheet, Toc toc, std::vector<ImageFileEntry> files,
              std::vector<ImageSegment> segments, ImageDiscInfo info = {});

    [[nodiscard]] const std::shared_ptr<const Toc>& SharedToc() const { return m_toc; }
    [[nodiscard]] const ImageDiscInfo& Info() const { return m_info; }

    // Whole sectors from `start`. Sectors of cooked data (shorter than 2352
    // bytes) read as silence, like PREGAP sectors.
    ReadResult Read(Lba start, std::span<std::int16_t> samples);

  private:
    const ImageSegment* SegmentAt(Lba sector) const;
    std::optional<DriveError> ReadFromFile(const ImageSegment& segment, Lba first, Lba count,
                                           std::span<std::int16_t> samples, int& sectorsRead);

    std::filesystem::path m_cueSheet;
    std::shared_ptr<const Toc> m_toc;
    std::vector<ImageFileEntry> m_files;
    std::vector<ImageSegment> m_segments;
    ImageDiscInfo m_info;
};

}  // namespace corvid::cdrom
