#include "platform/cdrom/CueSheet.h"

#include <libcue.h>

#include <algorithm>

#include "platform/cdrom/CueText.h"

namespace corvid::cdrom {

namespace {

struct CdDeleter {
    void operator()(Cd* cd) const { cd_delete(cd); }
};

// 100 minutes: more than any CD holds, far less than overflows a sector number.
constexpr std::int64_t MAX_DISC_SECTORS = 100 * 60 * 75;

// A track as the sheet gives it, in sectors from the start of its FILE.
struct SheetTrack {
    int number = 0;
    std::string fileName;
    CueText::TrackFile file;
    long index00 = -1;
    long start = 0;
    long pregap = 0;  // silence that no file holds
    TrackKind kind = TrackKind::Audio;
    int framesPerSector = SAMPLE_FRAMES_PER_SECTOR;
};

// Where a track landed on the disc.
struct TrackPlace {
    Lba gapStart = 0;  // the first sector of its PREGAP or INDEX 00 gap
    Lba start = 0;
};

int FramesPerSector(TrackMode mode) {
    switch (mode) {
        case MODE_MODE1:
        case MODE_MODE2_FORM1:
            return 2048 / 4;
        case MODE_MODE2:
            return 2336 / 4;
        case MODE_MODE2_FORM2:
            return 2324 / 4;
        case MODE_MODE2_FORM_MIX:
            return 2332 / 4;
        default:
            return SAMPLE_FRAMES_PER_SECTOR;
    }
}

class Loader {
  public:
    explicit Loader(std::filesystem::path cueSheet) : m_cueSheet(std::move(cueSheet)) {}

    DiscImageResult Load();

  private:
    DriveError Error(MciError code, const std::string& what) const {
        return ImageError(code, m_cueSheet, what);
    }
    DriveError FileError(const SheetTrack& track, const std::string& what) const {
        return Error(MCIERR_HARDWARE, "names the file " + track.fileName + ", " + what + ".");
    }
    std::optional<DriveError> ReadTracks(const CueText& text, const Cd& cd);
    std::optional<DriveError> CheckTrack(const SheetTrack& track) const;
    std::optional<DriveError> LayOutFile(std::size_t first, std::size_t last);
    std::optional<DriveError> AddFileSectors(const SheetTrack& track, long sectors, int frames);
    std::optional<DriveError> Advance(std::int64_t sectors);
    Toc MakeToc() const;

    std::filesystem::path m_cueSheet;
    std::vector<SheetTrack> m_tracks;
    std::vector<TrackPlace> m_places;
    std::vector<ImageFileEntry> m_files;
    std::vector<ImageSegment> m_segments;
    std::int64_t m_next = 0;       // the disc's next sector to lay out
    std::int64_t m_fileFrame = 0;  // the current file's frame at m_next
};

std::optional<DriveError> Loader::CheckTrack(const SheetTrack& track) const {
    const std::string name = "track " + std::to_string(track.number);
    if (track.fileName.empty()) {
        return Error(MCIERR_INVALID_DEVICE_NAME, "gives " + name + " no file.");
    }
    if (track.start < 0) {
        return Error(MCIERR_INVALID_DEVICE_NAME, "gives " + name + " no INDEX 01.");
    }
    const bool inRange = track.start <= MAX_DISC_SECTORS && track.index00 >= -1 &&
                         track.pregap >= 0 && track.pregap <= MAX_DISC_SECTORS;
    if (!inRange) {
        return Error(MCIERR_INVALID_DEVICE_NAME,
                     "gives " + name + " an impossible INDEX or PREGAP.");
    }
    if (track.index00 > track.start) {
        return Error(MCIERR_INVALID_DEVICE_NAME,
                     "gives " + name + " an INDEX 00 after its INDEX 01.");
    }
    return std::nullopt;
}

std::optional<DriveError> Loader::ReadTracks(const CueText& text, const Cd& cd) {
    const int count = cd_get_ntrack(&cd);
    if (count != static_cast<int>(text.trackFiles.size())) {
        return Error(MCIERR_INVALID_DEVICE_NAME, "is not a cue sheet that can be read in full.");
    }
    for (int number = 1; number <= count; ++number) {
        const Track* track = cd_get_track(&cd, number);
        if (track == nullptr) {
            return Error(MCIERR_INVALID_DEVICE_NAME,
                         "is not a cue sheet that can be read in full.");
        }
        SheetTrack sheetTrack;
        sheetTrack.number = number;
        const char* fileName = track_get_filename(track);
        sheetTrack.fileName = fileName != nullptr ? fileName : "";
        sheetTrack.file = text.trackFiles[static_cast<std::size_t>(number - 1)];
        sheetTrack.index00 = track_get_index(track, 0);
        sheetTrack.start = track_get_start(track);
        // Without INDEX 00 the pregap libcue reports is a PREGAP line.
        sheetTrack.pregap = sheetTrack.index00 < 0 ? std::max(0L, track_get_zero_pre(track)) : 0;
        const TrackMode mode = track_get_mode(track);
        sheetTrack.kind = mode == MODE_AUDIO ? TrackKind::Audio : TrackKind::Data;
        sheetTrack.framesPerSector = FramesPerSector(mode);
        if (auto error = CheckTrack(sheetTrack)) {
            return error;
        }
        m_tracks.push_back(std::move(sheetTrack));
    }
    return std::nullopt;
}

std::optional<DriveError> Loader::Advance(std::int64_t sectors) {
    m_next += sectors;
    if (m_next > MAX_DISC_SECTORS) {
        return Error(MCIERR_INVALID_DEVICE_NAME, "is longer than a CD can be.");
    }
    return std::nullopt;
}

// Lays out the next `sectors` sectors of the current file, `frames` sample
// frames each; the file must hold them all.
std::optional<DriveError> Loader::AddFileSectors(const SheetTrack& track, long sectors,
                                                 int frames) {
    if (sectors <= 0) {
        return std::nullopt;
    }
    const ImageAudioFile& audio = *m_files.back().audio;
    if (m_fileFrame + std::int64_t{sectors} * frames > audio.Frames()) {
        return FileError(track,
                         "which ends before track " + std::to_string(track.number) + " starts");
    }
    m_segments.push_back({static_cast<Lba>(m_next), static_cast<Lba>(m_next + sectors),
                          static_cast<int>(m_files.size() - 1), m_fileFrame, frames});
    m_fileFrame += std::int64_t{sectors} * frames;
    return Advance(sectors);
}

// Tracks [first, last) share one FILE.
std::optional<DriveError> Loader::LayOutFile(std::size_t first, std::size_t last) {
    const SheetTrack& opener = m_tracks[first];
    std::filesystem::path path = opener.fileName;
    if (path.is_relative()) {
        path = m_cueSheet.parent_path() / path;
    }
    ImageAudioFile::OpenResult opened = ImageAudioFile::Open(path, opener.file.type);
    if (!opened.file) {
        return FileError(opener, opened.problem);
    }
    m_files.push_back({opener.fileName, std::move(opened.file)});
    m_fileFrame = 0;
    long sector = 0;  // of the file, at m_next
    int frames = opener.framesPerSector;
    for (std::size_t index = first; index < last; ++index) {
        const SheetTrack& track = m_tracks[index];
        const long gapStart = track.index00 >= 0 ? track.index00 : track.start;
        if (index > first && gapStart <= m_tracks[index - 1].start) {
            return Error(MCIERR_INVALID_DEVICE_NAME, "gives track " + std::to_string(track.number) +
                                                         " an INDEX that does not follow track " +
                                                         std::to_string(track.number - 1) +
                                                         "'s INDEX 01.");
        }
        if (auto error = AddFileSectors(track, gapStart - sector, frames)) {
            return error;
        }
        sector = gapStart;
        frames = track.framesPerSector;
        const auto placeGap = static_cast<Lba>(m_next);
        if (track.pregap > 0) {
            m_segments.push_back({placeGap, static_cast<Lba>(m_next + track.pregap)});
            if (auto error = Advance(track.pregap)) {
                return error;
            }
        }
        m_places.push_back({placeGap, static_cast<Lba>(m_next + (track.start - gapStart))});
    }
    // The last track of the file runs to the file's end, a partial last
    // sector included.
    const SheetTrack& closer = m_tracks[last - 1];
    const std::int64_t startFrame = m_fileFrame + std::int64_t{closer.start - sector} * frames;
    const std::int64_t fileFrames = m_files.back().audio->Frames();
    if (fileFrames <= startFrame) {
        return FileError(closer,
                         "which ends before track " + std::to_string(closer.number) + " starts");
    }
    const std::int64_t tail = (fileFrames - m_fileFrame + frames - 1) / frames;
    if (tail > MAX_DISC_SECTORS) {
        return Error(MCIERR_INVALID_DEVICE_NAME, "is longer than a CD can be.");
    }
    m_segments.push_back({static_cast<Lba>(m_next), static_cast<Lba>(m_next + tail),
                          static_cast<int>(m_files.size() - 1), m_fileFrame, frames});
    return Advance(tail);
}

Toc Loader::MakeToc() const {
    Toc toc;
    toc.leadOut = static_cast<Lba>(m_next);
    for (std::size_t index = 0; index < m_tracks.size(); ++index) {
        TocTrack track;
        track.number = m_tracks[index].number;
        track.start = m_places[index].start;
        track.kind = m_tracks[index].kind;
        if (index + 1 == m_tracks.size()) {
            track.playableEnd = toc.leadOut;
        } else {
            const bool gapOfData =
                track.kind == TrackKind::Audio && m_tracks[index + 1].kind == TrackKind::Data;
            track.playableEnd =
                gapOfData ? m_places[index + 1].gapStart : m_places[index + 1].start;
        }
        toc.tracks.push_back(track);
    }
    return toc;
}

DiscImageResult Loader::Load() {
    CueTextResult text = ReadCueText(m_cueSheet);
    if (!text.sheet) {
        return {nullptr, text.error};
    }
    const std::unique_ptr<Cd, CdDeleter> cd(cue_parse_string(text.sheet->text.c_str()));
    if (!cd) {
        return {nullptr, Error(MCIERR_INVALID_DEVICE_NAME, "is not a cue sheet that can be read.")};
    }
    if (auto error = ReadTracks(*text.sheet, *cd)) {
        return {nullptr, error};
    }
    std::size_t first = 0;
    for (std::size_t index = 1; index <= m_tracks.size(); ++index) {
        if (index == m_tracks.size() ||
            m_tracks[index].file.ordinal != m_tracks[first].file.ordinal) {
            if (auto error = LayOutFile(first, index)) {
                return {nullptr, error};
            }
            first = index;
        }
    }
    auto image = std::make_unique<DiscImage>(m_cueSheet, MakeToc(), std::move(m_files),
                                             std::move(m_segments));
    return {std::move(image), std::nullopt};
}

}  // namespace

DiscImageResult LoadDiscImage(const std::filesystem::path& cueSheet) {
    return Loader(cueSheet).Load();
}

}  // namespace corvid::cdrom
