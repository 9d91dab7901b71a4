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
constexpr std::int64_t MAX_DISC_SECTORS = std::int64_t{100} * 60 * 75;

// A track as the sheet gives it. Sectors count from the start of the FILE
// that holds the index.
struct SheetTrack {
    int number = 0;
    int gapFile = 0;  // the FILE of its INDEX 00, or of its INDEX 01 without one
    long gapStart = 0;
    int startFile = 0;
    long start = 0;   // INDEX 01
    long pregap = 0;  // silence that no file holds, just before INDEX 01
    bool hasIndexZero = false;
    TrackKind kind = TrackKind::Audio;
    int framesPerSector = SAMPLE_FRAMES_PER_SECTOR;
};

// A place in a FILE where a track's gap or the track itself begins.
struct Mark {
    enum class Kind : std::uint8_t { Gap, Start };
    int file = 0;
    long sector = 0;
    std::size_t track = 0;
    Kind kind = Kind::Start;
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

// Before (file, sector) of the other, in the order the disc holds them.
bool Before(int file, long sector, int otherFile, long otherSector) {
    return file < otherFile || (file == otherFile && sector < otherSector);
}

class Loader {
  public:
    explicit Loader(std::filesystem::path cueSheet) : m_cueSheet(std::move(cueSheet)) {}

    DiscImageResult Load();

  private:
    DriveError Error(MciError code, const std::string& what) const {
        return ImageError(code, m_cueSheet, what);
    }
    DriveError SheetError(const SheetTrack& track, const std::string& what) const {
        return Error(MCIERR_INVALID_DEVICE_NAME,
                     "gives track " + std::to_string(track.number) + " " + what + ".");
    }
    DriveError EndsEarly(int file, const SheetTrack& track) const;

    std::optional<DriveError> ReadTracks(const CueText& text, const Cd& cd);
    std::optional<DriveError> CheckTrack(const SheetTrack& track) const;
    std::optional<DriveError> CheckOrder() const;
    std::optional<DriveError> OpenFiles(const CueText& text);
    void MakeMarks();
    std::optional<DriveError> LayOutFile(int file, std::size_t& mark);
    std::optional<DriveError> AddFileSectors(int file, const SheetTrack& track, long sectors);
    std::optional<DriveError> Advance(std::int64_t sectors);
    Toc MakeToc() const;

    std::filesystem::path m_cueSheet;
    std::vector<SheetTrack> m_tracks;
    std::vector<Mark> m_marks;  // in the order the disc holds them
    std::vector<TrackPlace> m_places;
    std::vector<ImageFileEntry> m_files;
    std::vector<ImageSegment> m_segments;
    std::int64_t m_next = 0;                           // the disc's next sector to lay out
    std::int64_t m_fileFrame = 0;                      // the current file's sample frame at m_next
    long m_fileSector = 0;                             // the current file's sector at m_next
    int m_framesPerSector = SAMPLE_FRAMES_PER_SECTOR;  // of the sectors being laid out
};

DriveError Loader::EndsEarly(int file, const SheetTrack& track) const {
    return Error(MCIERR_HARDWARE, "names the file " + m_files[static_cast<std::size_t>(file)].name +
                                      ", which ends before track " + std::to_string(track.number) +
                                      " starts.");
}

std::optional<DriveError> Loader::CheckTrack(const SheetTrack& track) const {
    if (track.start < 0) {
        return SheetError(track, "no INDEX 01");
    }
    const bool inRange = track.start <= MAX_DISC_SECTORS && track.gapStart >= 0 &&
                         track.gapStart <= MAX_DISC_SECTORS && track.pregap >= 0 &&
                         track.pregap <= MAX_DISC_SECTORS;
    if (!inRange) {
        return SheetError(track, "an impossible INDEX or PREGAP");
    }
    if (Before(track.startFile, track.start, track.gapFile, track.gapStart)) {
        return SheetError(track, "an INDEX 00 after its INDEX 01");
    }
    return std::nullopt;
}

std::optional<DriveError> Loader::ReadTracks(const CueText& text, const Cd& cd) {
    const int count = cd_get_ntrack(&cd);
    if (count != static_cast<int>(text.tracks.size())) {
        return Error(MCIERR_INVALID_DEVICE_NAME, "is not a cue sheet that can be read in full.");
    }
    for (int number = 1; number <= count; ++number) {
        const Track* track = cd_get_track(&cd, number);
        const CueText::TrackLines& lines = text.tracks[static_cast<std::size_t>(number - 1)];
        if (track == nullptr || lines.indexOneFile < 0) {
            return Error(MCIERR_INVALID_DEVICE_NAME,
                         "gives track " + std::to_string(number) + " no INDEX 01.");
        }
        SheetTrack sheetTrack;
        sheetTrack.number = number;
        sheetTrack.startFile = lines.indexOneFile;
        sheetTrack.start = track_get_start(track);
        const long indexZero = track_get_index(track, 0);
        sheetTrack.hasIndexZero = indexZero >= 0;
        sheetTrack.gapFile = indexZero >= 0 ? lines.indexZeroFile : lines.indexOneFile;
        sheetTrack.gapStart = indexZero >= 0 ? indexZero : sheetTrack.start;
        // Without INDEX 00 the pregap libcue reports is a PREGAP line.
        sheetTrack.pregap = indexZero < 0 ? std::max(0L, track_get_zero_pre(track)) : 0;
        const TrackMode mode = track_get_mode(track);
        sheetTrack.kind = mode == MODE_AUDIO ? TrackKind::Audio : TrackKind::Data;
        sheetTrack.framesPerSector = FramesPerSector(mode);
        if (sheetTrack.gapFile < 0) {
            return SheetError(sheetTrack, "an INDEX 00 that libcue and the sheet disagree on");
        }
        if (auto error = CheckTrack(sheetTrack)) {
            return error;
        }
        m_tracks.push_back(sheetTrack);
    }
    return CheckOrder();
}

// Each track needs a sector of its own before the next one's gap begins.
std::optional<DriveError> Loader::CheckOrder() const {
    for (std::size_t index = 1; index < m_tracks.size(); ++index) {
        const SheetTrack& previous = m_tracks[index - 1];
        const SheetTrack& track = m_tracks[index];
        if (!Before(previous.startFile, previous.start, track.gapFile, track.gapStart)) {
            return SheetError(track, "an INDEX that does not follow track " +
                                         std::to_string(previous.number) + "'s INDEX 01");
        }
    }
    return std::nullopt;
}

std::optional<DriveError> Loader::OpenFiles(const CueText& text) {
    for (const CueText::File& file : text.files) {
        std::filesystem::path path = file.name;
        if (path.is_relative()) {
            path = m_cueSheet.parent_path() / path;
        }
        ImageAudioFile::OpenResult opened = ImageAudioFile::Open(path, file.type);
        if (!opened.file) {
            return Error(MCIERR_HARDWARE,
                         "names the file " + file.name + ", " + opened.problem + ".");
        }
        m_files.push_back({file.name, std::move(opened.file)});
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

// Lays out the current file's next `sectors` sectors; the file must hold
// them all, up to where `track` begins.
std::optional<DriveError> Loader::AddFileSectors(int file, const SheetTrack& track, long sectors) {
    if (sectors <= 0) {
        return std::nullopt;
    }
    const std::int64_t frames = std::int64_t{sectors} * m_framesPerSector;
    if (m_fileFrame + frames > m_files[static_cast<std::size_t>(file)].audio->Frames()) {
        return EndsEarly(file, track);
    }
    m_segments.push_back({static_cast<Lba>(m_next), static_cast<Lba>(m_next + sectors), file,
                          m_fileFrame, m_framesPerSector});
    m_fileFrame += frames;
    m_fileSector += sectors;
    return Advance(sectors);
}

// Lays out one FILE with the gaps and starts that lie in it, from
// m_marks[mark] on; leaves `mark` at the first mark of a later file.
std::optional<DriveError> Loader::LayOutFile(int file, std::size_t& mark) {
    m_fileFrame = 0;
    m_fileSector = 0;
    const SheetTrack* startedHere = nullptr;
    for (; mark < m_marks.size() && m_marks[mark].file == file; ++mark) {
        const Mark& current = m_marks[mark];
        const SheetTrack& track = m_tracks[current.track];
        TrackPlace& place = m_places[current.track];
        if (auto error = AddFileSectors(file, track, current.sector - m_fileSector)) {
            return error;
        }
        if (current.kind == Mark::Kind::Gap || !track.hasIndexZero) {
            m_framesPerSector = track.framesPerSector;
            place.gapStart = static_cast<Lba>(m_next);
        }
        if (current.kind == Mark::Kind::Start) {
            if (track.pregap > 0) {
                m_segments.push_back({place.gapStart, static_cast<Lba>(m_next + track.pregap)});
                if (auto error = Advance(track.pregap)) {
                    return error;
                }
            }
            place.start = static_cast<Lba>(m_next);
            startedHere = &track;
        }
    }
    // The rest of the file, a partial last sector included.
    const std::int64_t rest = m_files[static_cast<std::size_t>(file)].audio->Frames() - m_fileFrame;
    if (startedHere != nullptr && rest <= 0) {
        return EndsEarly(file, *startedHere);
    }
    const std::int64_t sectors = (rest + m_framesPerSector - 1) / m_framesPerSector;
    if (sectors > MAX_DISC_SECTORS) {
        return Error(MCIERR_INVALID_DEVICE_NAME, "is longer than a CD can be.");
    }
    if (sectors > 0) {
        m_segments.push_back({static_cast<Lba>(m_next), static_cast<Lba>(m_next + sectors), file,
                              m_fileFrame, m_framesPerSector});
    }
    return Advance(sectors);
}

void Loader::MakeMarks() {
    for (std::size_t index = 0; index < m_tracks.size(); ++index) {
        const SheetTrack& track = m_tracks[index];
        if (track.hasIndexZero) {
            m_marks.push_back({track.gapFile, track.gapStart, index, Mark::Kind::Gap});
        }
        m_marks.push_back({track.startFile, track.start, index, Mark::Kind::Start});
    }
    m_places.resize(m_tracks.size());
    m_framesPerSector = m_tracks.front().framesPerSector;
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
    if (auto error = OpenFiles(*text.sheet)) {
        return {nullptr, error};
    }
    MakeMarks();
    std::size_t mark = 0;
    for (int file = 0; file < static_cast<int>(m_files.size()); ++file) {
        if (auto error = LayOutFile(file, mark)) {
            return {nullptr, error};
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
