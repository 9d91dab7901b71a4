#include "tools/imagegen/ImageGen.h"

#include <algorithm>

#include "tools/imagegen/Layout.h"
#include "tools/imagegen/Signals.h"

namespace corvid::imagegen {

namespace {

constexpr std::size_t MAX_TRACKS = 99;
// 99:59:74 is the largest time a cue sheet can write.
constexpr Lba MAX_DISC_SECTORS = (99 * 60 + 59) * 75 + 74;
constexpr std::size_t MAX_TEXT_LENGTH = 80;
constexpr std::size_t MAX_INDEX_MARKS = 98;

bool NotRipped(const TrackDescription& track) {
    return track.type == TrackType::Data && track.dataMode == DataMode::NotRipped;
}

bool Cooked(const TrackDescription& track) {
    return track.type == TrackType::Data &&
           (track.dataMode == DataMode::Mode1Cooked || track.dataMode == DataMode::Mode2Formless);
}

bool Increasing(const std::vector<Lba>& marks, Lba length) {
    Lba previous = 0;
    for (const Lba mark : marks) {
        if (mark <= previous || mark >= length) {
            return false;
        }
        previous = mark;
    }
    return true;
}

bool IsWritableText(const std::string& text) {
    return text.size() <= MAX_TEXT_LENGTH &&
           text.find_first_of(std::string("\"\r\n\0", 4)) == std::string::npos;
}

std::optional<std::string> CheckTrack(const TrackDescription& track, std::size_t number) {
    const std::string name = "Track " + std::to_string(number);
    if (track.length < 1) {
        return name + " has no sectors.";
    }
    if (track.index00 < 0 || track.pregap < 0 || track.postgap < 0) {
        return name + " has a negative gap.";
    }
    if (!IsWritableText(track.title) || !IsWritableText(track.performer) ||
        !IsWritableText(track.songwriter)) {
        return name + " has a title, performer or songwriter that a cue sheet cannot hold.";
    }
    if (!Increasing(track.indexMarks, track.length)) {
        return name + " has index marks that are not inside it in order.";
    }
    if (track.indexMarks.size() > MAX_INDEX_MARKS) {
        return name + " has more index marks than INDEX 02 to 99.";
    }
    return std::nullopt;
}

void AppendSectors(const DiscDescription& disc, const std::vector<TrackLayout>& layout, Lba begin,
                   Lba end, std::vector<std::int16_t>& samples) {
    for (std::size_t index = 0; index < layout.size() && begin < end; ++index) {
        const TrackLayout& track = layout[index];
        if (begin >= track.end) {
            continue;
        }
        const Lba silentEnd = std::min(end, track.index00Start);
        if (begin < silentEnd) {
            samples.insert(samples.end(),
                           static_cast<std::size_t>(silentEnd - begin) * cdrom::SAMPLES_PER_SECTOR,
                           0);
            begin = silentEnd;
        }
        const Lba regionEnd = std::min(end, track.end);
        if (begin < regionEnd) {
            const std::size_t offset = samples.size();
            samples.resize(offset +
                           static_cast<std::size_t>(regionEnd - begin) * cdrom::SAMPLES_PER_SECTOR);
            RegionSamples(disc, index, begin - track.index00Start, regionEnd - begin,
                          std::span(samples).subspan(offset));
            begin = regionEnd;
        }
    }
    // Past the lead-out there is nothing; a drive would fail such a read.
    samples.insert(samples.end(),
                   static_cast<std::size_t>(std::max(0, end - begin)) * cdrom::SAMPLES_PER_SECTOR,
                   0);
}

}  // namespace

int FileFramesPerSector(const TrackDescription& track) {
    if (track.type == TrackType::Audio) {
        return cdrom::SAMPLE_FRAMES_PER_SECTOR;
    }
    switch (track.dataMode) {
        case DataMode::Mode1Cooked:
            return 2048 / 4;
        case DataMode::Mode2Formless:
            return 2336 / 4;
        case DataMode::Mode1Raw:
        case DataMode::Mode2Raw:
        case DataMode::CdiRaw:
        case DataMode::NotRipped:
            break;
    }
    return cdrom::SAMPLE_FRAMES_PER_SECTOR;
}

DiscDescription AsImaged(const DiscDescription& disc) {
    DiscDescription imaged = disc;
    for (TrackDescription& track : imaged.tracks) {
        if (disc.layout == FileLayout::FilePerTrackGapsLeftOut && track.type == TrackType::Audio) {
            track.index00 = 0;
        }
        if (NotRipped(track)) {
            track.length = UNRIPPED_DATA_SECTORS;
        }
    }
    return imaged;
}

std::vector<TrackLayout> LayOut(const DiscDescription& disc) {
    std::vector<TrackLayout> layout;
    Lba next = 0;
    for (const TrackDescription& track : disc.tracks) {
        TrackLayout place;
        place.gapStart = next;
        place.index00Start = place.gapStart + track.pregap;
        place.start = place.index00Start + track.index00;
        place.end = place.start + track.length;
        place.postgapEnd = place.end + track.postgap;
        layout.push_back(place);
        next = place.postgapEnd;
    }
    return layout;
}

ByteOrder FileByteOrder(const DiscDescription& disc, std::size_t trackIndex) {
    const bool ownBinary =
        disc.layout != FileLayout::SingleFile && disc.tracks[trackIndex].type == TrackType::Data;
    return disc.format == AudioFormat::BinaryBigEndian && !ownBinary ? ByteOrder::Big
                                                                     : ByteOrder::Little;
}

void RegionSamples(const DiscDescription& disc, std::size_t trackIndex, Lba firstSector,
                   Lba sectorCount, std::span<std::int16_t> samples) {
    const TrackDescription& track = disc.tracks[trackIndex];
    const int number = static_cast<int>(trackIndex) + 1;
    auto out = samples.begin();
    // What a drive reads of sectors that no file holds as CD audio.
    const Lba silentFrom = Cooked(track)      ? 0
                           : NotRipped(track) ? track.index00
                                              : sectorCount + firstSector;
    if (firstSector + sectorCount > silentFrom) {
        std::fill(samples.begin(), samples.end(), std::int16_t{0});
        if (silentFrom <= firstSector) {
            return;
        }
        sectorCount = silentFrom - firstSector;
    }
    if (track.type == TrackType::Data) {
        const Lba firstLba = LayOut(disc)[trackIndex].index00Start + firstSector;
        const bool big = FileByteOrder(disc, trackIndex) == ByteOrder::Big;
        for (Lba sector = 0; sector < sectorCount; ++sector) {
            for (int offset = 0; offset < cdrom::BYTES_PER_SECTOR; offset += 2) {
                const unsigned first = DataSectorByte(firstLba + sector, offset);
                const unsigned second = DataSectorByte(firstLba + sector, offset + 1);
                *out++ = static_cast<std::int16_t>(big ? (first << 8U) | second
                                                       : (second << 8U) | first);
            }
        }
        return;
    }
    const std::int64_t firstFrame = std::int64_t{firstSector} * cdrom::SAMPLE_FRAMES_PER_SECTOR;
    const std::int64_t frameCount = std::int64_t{sectorCount} * cdrom::SAMPLE_FRAMES_PER_SECTOR;
    const std::int64_t gapFrames = std::int64_t{track.index00} * cdrom::SAMPLE_FRAMES_PER_SECTOR;
    const std::int64_t trackFrames = std::int64_t{track.length} * cdrom::SAMPLE_FRAMES_PER_SECTOR;
    for (std::int64_t frame = firstFrame; frame < firstFrame + frameCount; ++frame) {
        const StereoFrame value =
            disc.signal == Signal::Test
                ? TestSignalFrame(number, frame)
                : MusicFrame(static_cast<int>(trackIndex), frame - gapFrames, trackFrames);
        *out++ = value.left;
        *out++ = value.right;
    }
}

std::optional<std::string> CheckDescription(const DiscDescription& disc) {
    if (disc.tracks.empty()) {
        return "The disc has no tracks.";
    }
    if (disc.tracks.size() > MAX_TRACKS) {
        return "The disc has more than 99 tracks.";
    }
    for (std::size_t index = 0; index < disc.tracks.size(); ++index) {
        if (auto error = CheckTrack(disc.tracks[index], index + 1)) {
            return error;
        }
    }
    if (!IsWritableText(disc.title) || !IsWritableText(disc.performer)) {
        return "The disc has a title or performer that a cue sheet cannot hold.";
    }
    for (std::size_t index = 0; index + 1 < disc.tracks.size(); ++index) {
        if (NotRipped(disc.tracks[index])) {
            return "Only the last track can be a data track that was not ripped.";
        }
    }
    if (NotRipped(disc.tracks.front())) {
        return "A data track that was not ripped needs a track before it.";
    }
    if (!IsWritableText(disc.songwriter)) {
        return "The disc has a songwriter that a cue sheet cannot hold.";
    }
    if (auto error = CheckEmbedding(disc)) {
        return error;
    }
    std::int64_t total = 0;
    for (const TrackDescription& track : AsImaged(disc).tracks) {
        total += std::int64_t{track.pregap} + track.index00 + track.length + track.postgap;
    }
    if (total > MAX_DISC_SECTORS) {
        return "The disc is longer than a cue sheet can describe.";
    }
    return std::nullopt;
}

cdrom::Toc ExpectedToc(const DiscDescription& described) {
    const DiscDescription disc = AsImaged(described);
    const std::vector<TrackLayout> layout = LayOut(disc);
    cdrom::Toc toc;
    toc.leadOut = layout.empty() ? 0 : layout.back().postgapEnd;
    for (std::size_t index = 0; index < layout.size(); ++index) {
        const bool isData = disc.tracks[index].type == TrackType::Data;
        const bool last = index + 1 == layout.size();
        const bool dataNext = !last && disc.tracks[index + 1].type == TrackType::Data;
        cdrom::TocTrack track;
        track.number = static_cast<int>(index) + 1;
        track.start = layout[index].start;
        track.kind = isData ? cdrom::TrackKind::Data : cdrom::TrackKind::Audio;
        if (last) {
            track.playableEnd = toc.leadOut;
        } else {
            track.playableEnd =
                dataNext && !isData ? layout[index + 1].gapStart : layout[index + 1].start;
        }
        toc.tracks.push_back(track);
    }
    return toc;
}

std::vector<std::vector<Lba>> ExpectedIndexMarks(const DiscDescription& described) {
    const DiscDescription disc = AsImaged(described);
    const std::vector<TrackLayout> layout = LayOut(disc);
    std::vector<std::vector<Lba>> marks;
    for (std::size_t index = 0; index < layout.size(); ++index) {
        std::vector<Lba>& track = marks.emplace_back();
        for (const Lba mark : disc.tracks[index].indexMarks) {
            track.push_back(layout[index].start + mark);
        }
    }
    return marks;
}

std::vector<std::int16_t> DiscSamples(const DiscDescription& described, Lba begin, Lba end) {
    const DiscDescription disc = AsImaged(described);
    std::vector<std::int16_t> samples;
    if (end <= begin) {
        return samples;
    }
    samples.reserve(static_cast<std::size_t>(end - begin) * cdrom::SAMPLES_PER_SECTOR);
    const Lba firstSector = std::max(begin, 0);
    samples.insert(samples.end(),
                   static_cast<std::size_t>(firstSector - begin) * cdrom::SAMPLES_PER_SECTOR, 0);
    AppendSectors(disc, LayOut(disc), firstSector, end, samples);
    return samples;
}

std::vector<std::int16_t> ExpectedPlayback(const DiscDescription& described, int fromTrack) {
    const DiscDescription disc = AsImaged(described);
    const cdrom::Toc toc = ExpectedToc(disc);
    const std::vector<TrackLayout> layout = LayOut(disc);
    std::vector<std::int16_t> samples;
    for (const cdrom::TocTrack& track : toc.tracks) {
        if (track.number >= fromTrack && track.kind == cdrom::TrackKind::Audio) {
            AppendSectors(disc, layout, track.start, track.playableEnd, samples);
        }
    }
    return samples;
}

}  // namespace corvid::imagegen
