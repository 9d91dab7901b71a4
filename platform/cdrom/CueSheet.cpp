#include "platform/cdrom/CueSheet.h"

#include <sys/stat.h>

#include <algorithm>
#include <charconv>

#include "platform/cdrom/CueFiles.h"
#include "platform/cdrom/CueText.h"
#include "platform/cdrom/EmbeddedCue.h"

namespace corvid::cdrom {

namespace {

// The shortest track a disc may hold (four seconds): the length given to a
// data track whose sectors no file holds, as rippers leave them out.
constexpr Lba UNRIPPED_DATA_SECTORS = 4 * 75;

// A place in a FILE where an index of a track lies.
struct Mark {
    enum class Kind : std::uint8_t { Gap, Start, IndexMark };
    CuePosition position;
    std::size_t track = 0;
    Kind kind = Kind::Start;
    int number = 0;
    int line = 0;
};

// Where a track landed on the disc.
struct TrackPlace {
    Lba gapStart = 0;  // the first sector of its PREGAP or INDEX 00 gap
    Lba start = -1;    // INDEX 01
};

FileType AudioFileType(CueFileType type) {
    switch (type) {
        case CueFileType::Binary:
            return FileType::LittleEndianPcm;
        case CueFileType::Motorola:
            return FileType::BigEndianPcm;
        case CueFileType::Wave:
            break;
    }
    return FileType::WithHeader;
}

// A file as the file system knows it, whatever names lead to it.
struct FileIdentity {
    dev_t device = 0;
    ino_t inode = 0;

    bool operator==(const FileIdentity&) const = default;
};

std::optional<FileIdentity> IdentityOf(const std::filesystem::path& path) {
    struct stat status {};
    if (::stat(path.c_str(), &status) != 0) {
        return std::nullopt;
    }
    return FileIdentity{status.st_dev, status.st_ino};
}

std::string TwoDigits(int value) {
    return (value < 10 ? "0" : "") + std::to_string(value);
}

class Loader {
  public:
    explicit Loader(std::filesystem::path cueSheet)
        : m_cueSheet(std::move(cueSheet)), m_source(ImageSourceOf(m_cueSheet)) {}

    DiscImageResult Load();

  private:
    DriveError Error(MciError code, const std::string& what) const {
        return ImageError(code, m_cueSheet, what);
    }
    DriveError EndsEarly(int file, std::size_t track) const;
    // As the sheet writes it, which need not be the track's place on the disc.
    std::string SheetTrackNumber(std::size_t track) const {
        return std::to_string(m_sheet.tracks[track].number);
    }
    DriveError TooLong() const {
        return Error(MCIERR_INVALID_DEVICE_NAME, "is longer than a CD can be.");
    }

    CueTextResult ReadSheet() const;
    std::optional<std::filesystem::path> FindFile(const ParsedCueSheet& sheet,
                                                  const CueFileLine& file);
    bool AllFilesFound(const ParsedCueSheet& sheet);
    void ChooseReadingByFiles(std::string& encoding);
    std::optional<DriveError> OpenFiles();
    std::optional<DriveError> OpenCarrier();
    void MakeMarks();
    std::optional<DriveError> LayOutFile(int file, std::size_t& mark);
    std::optional<DriveError> LayOutMark(const Mark& mark);
    std::int64_t SessionGapBefore(std::size_t track) const;
    std::optional<DriveError> BeginTrack(const Mark& mark);
    std::optional<DriveError> EndFile(int file);
    std::optional<DriveError> AddFileSectors(int file, std::size_t track, std::int64_t sectors);
    std::optional<DriveError> AddSilence(std::int64_t sectors);
    std::optional<DriveError> Advance(std::int64_t sectors);
    Toc MakeToc() const;
    ImageDiscInfo MakeInfo(std::string encoding) const;

    std::filesystem::path m_cueSheet;  // or the audio file that carries the sheet
    FolderListings m_listings;         // for this opening
    ImageSource m_source;
    ParsedCueSheet m_sheet;
    std::vector<Mark> m_marks;  // in the order the disc holds them
    std::vector<TrackPlace> m_places;
    std::vector<std::vector<ImageIndexMark>> m_indexMarks;
    std::vector<ImageFileEntry> m_files;
    std::vector<ImageSegment> m_segments;
    std::optional<std::size_t> m_track;                // the track being laid out
    std::int64_t m_next = 0;                           // the disc's next sector to lay out
    std::int64_t m_fileFrame = 0;                      // the current file's sample frame at m_next
    std::int64_t m_fileSector = 0;                     // the current file's sector at m_next
    int m_framesPerSector = SAMPLE_FRAMES_PER_SECTOR;  // of the sectors being laid out
};

DriveError Loader::EndsEarly(int file, std::size_t track) const {
    if (m_source != ImageSource::CueSheet) {
        return Error(MCIERR_HARDWARE,
                     "ends before track " + SheetTrackNumber(track) + " of its cue sheet starts.");
    }
    return Error(MCIERR_HARDWARE, "names the file " + m_files[static_cast<std::size_t>(file)].name +
                                      ", which ends before track " + SheetTrackNumber(track) +
                                      " starts.");
}

CueTextResult Loader::ReadSheet() const {
    if (m_source == ImageSource::CueSheet) {
        return ReadCueText(m_cueSheet);
    }
    return ReadEmbeddedCue(m_cueSheet, m_source);
}

std::optional<std::filesystem::path> Loader::FindFile(const ParsedCueSheet& sheet,
                                                      const CueFileLine& file) {
    if (std::optional<std::filesystem::path> found =
            FindCueFile(m_cueSheet.parent_path(), file.name, m_listings)) {
        return found;
    }
    // Only a sheet of one file can say which file was renamed with it.
    if (sheet.files.size() == 1) {
        return FindAudioNamedAfterSheet(m_cueSheet, m_listings);
    }
    return std::nullopt;
}

bool Loader::AllFilesFound(const ParsedCueSheet& sheet) {
    return std::all_of(sheet.files.begin(), sheet.files.end(),
                       [&](const CueFileLine& file) { return FindFile(sheet, file).has_value(); });
}

// A short sheet in a legacy code page gives the detector little to go on,
// and its guess can name files that are not there. The reading under which
// every file is found beside the sheet is then the right one; when there is
// none, the first reading stands, and its message names what is missing.
void Loader::ChooseReadingByFiles(std::string& encoding) {
    if (m_source != ImageSource::CueSheet || AllFilesFound(m_sheet)) {
        return;
    }
    for (CueTextResult& reading : OtherCueTextReadings(m_cueSheet)) {
        if (AllFilesFound(*reading.sheet)) {
            m_sheet = std::move(*reading.sheet);
            encoding = std::move(reading.encoding);
            return;
        }
    }
}

// A sheet inside an audio file describes that file, whatever its FILE line says.
std::optional<DriveError> Loader::OpenCarrier() {
    ImageAudioFile::OpenResult opened = ImageAudioFile::Open(m_cueSheet, FileType::WithHeader);
    if (!opened.file) {
        return Error(MCIERR_HARDWARE,
                     "carries a cue sheet for its own audio, " + opened.problem + ".");
    }
    m_files.push_back({m_cueSheet.filename().string(), std::move(opened.file)});
    return std::nullopt;
}

std::optional<DriveError> Loader::OpenFiles() {
    if (m_source != ImageSource::CueSheet) {
        return OpenCarrier();
    }
    // Known once: asking the file system for both names of each pair costs
    // a large share of opening a sheet of many files.
    const std::optional<FileIdentity> sheet = IdentityOf(m_cueSheet);
    for (const CueFileLine& file : m_sheet.files) {
        const std::optional<std::filesystem::path> found = FindFile(m_sheet, file);
        if (!found) {
            return Error(MCIERR_HARDWARE,
                         "names the file " + file.name + ", which does not exist.");
        }
        // When the file was found under another name, the message says which.
        const bool renamed = found->filename() != std::filesystem::path(file.name).filename();
        const std::string named =
            "names the file " + file.name +
            (renamed ? " (found as " + found->filename().string() + ")" : "") + ", ";
        if (sheet && IdentityOf(*found) == sheet) {
            return Error(MCIERR_HARDWARE, named + "which is the cue sheet itself.");
        }
        ImageAudioFile::OpenResult opened = ImageAudioFile::Open(*found, AudioFileType(file.type));
        if (!opened.file) {
            return Error(MCIERR_HARDWARE, named + opened.problem + ".");
        }
        m_files.push_back({file.name, std::move(opened.file)});
    }
    return std::nullopt;
}

std::optional<DriveError> Loader::Advance(std::int64_t sectors) {
    m_next += sectors;
    if (m_next > MAX_DISC_SECTORS) {
        return TooLong();
    }
    return std::nullopt;
}

std::optional<DriveError> Loader::AddSilence(std::int64_t sectors) {
    if (sectors <= 0) {
        return std::nullopt;
    }
    if (m_next + sectors > MAX_DISC_SECTORS) {
        return TooLong();
    }
    m_segments.push_back({static_cast<Lba>(m_next), static_cast<Lba>(m_next + sectors)});
    return Advance(sectors);
}

// Lays out the current file's next `sectors` sectors; the file must hold
// them all, up to where an index of `track` lies.
std::optional<DriveError> Loader::AddFileSectors(int file, std::size_t track,
                                                 std::int64_t sectors) {
    if (sectors <= 0) {
        return std::nullopt;
    }
    const std::int64_t frames = sectors * m_framesPerSector;
    if (m_fileFrame + frames > m_files[static_cast<std::size_t>(file)].audio->Frames()) {
        return EndsEarly(file, track);
    }
    if (m_next + sectors > MAX_DISC_SECTORS) {
        return TooLong();
    }
    m_segments.push_back({static_cast<Lba>(m_next), static_cast<Lba>(m_next + sectors), file,
                          m_fileFrame, m_framesPerSector});
    m_fileFrame += frames;
    m_fileSector += sectors;
    return Advance(sectors);
}

// The first index of a track: the track before ends with its POSTGAP, and
// this one's sectors, of its own size, begin with its PREGAP.
// A track that opens a later session of the disc ("REM SESSION 02", as
// Redump's sheets mark it, before its TRACK line) lies after the first
// session's lead-out and the next one's lead-in, which no file holds: the
// sheet's REM LEAD-OUT and REM LEAD-IN where it gives them, else the usual
// 6750 and 4500 sectors, and a pregap of two seconds (REM PREGAP) where the
// track has none of its own. An enhanced CD's data track then lies where it
// lies on the disc, and the disc's identifiers come out as the disc's.
std::int64_t Loader::SessionGapBefore(std::size_t track) const {
    constexpr std::int32_t LEAD_OUT_SECTORS = 6750;
    constexpr std::int32_t LEAD_IN_SECTORS = 4500;
    constexpr std::int32_t SESSION_PREGAP_SECTORS = 150;
    if (track == 0) {
        return 0;
    }
    const std::vector<CueRemark>& remarks = m_sheet.tracks[track - 1].remarks;
    const auto valueOf = [&remarks](std::string_view name) -> std::optional<std::string> {
        const auto found =
            std::find_if(remarks.rbegin(), remarks.rend(),
                         [name](const CueRemark& remark) { return remark.name == name; });
        return found == remarks.rend() ? std::nullopt : std::optional(found->value);
    };
    const auto timeOf = [&valueOf](std::string_view name, std::int32_t usual) {
        const std::optional<std::string> value = valueOf(name);
        return value ? ParseCueTime(*value).value_or(usual) : usual;
    };
    const std::optional<std::string> session = valueOf("SESSION");
    int number = 0;
    if (!session ||
        std::from_chars(session->data(), session->data() + session->size(), number).ec !=
            std::errc() ||
        number < 2) {
        return 0;
    }
    std::int64_t gap =
        std::int64_t{timeOf("LEAD-OUT", LEAD_OUT_SECTORS)} + timeOf("LEAD-IN", LEAD_IN_SECTORS);
    const CueTrack& opening = m_sheet.tracks[track];
    if (opening.pregap == 0 && opening.FindIndex(0) == nullptr) {
        gap += timeOf("PREGAP", SESSION_PREGAP_SECTORS);
    }
    return gap;
}

std::optional<DriveError> Loader::BeginTrack(const Mark& mark) {
    if (m_track) {
        const TrackPlace& previous = m_places[*m_track];
        if (previous.start < 0) {
            return SheetError(
                m_cueSheet,
                {mark.line, "INDEX " + TwoDigits(mark.number) + " is in the FILE of track " +
                                SheetTrackNumber(*m_track) + ", which has no INDEX 01"});
        }
        if (auto error = AddSilence(m_sheet.tracks[*m_track].postgap)) {
            return error;
        }
    }
    m_track = mark.track;
    const CueTrack& track = m_sheet.tracks[mark.track];
    m_framesPerSector = CueSampleFramesPerSector(track.mode);
    m_places[mark.track].gapStart = static_cast<Lba>(m_next);
    if (auto error = AddSilence(SessionGapBefore(mark.track))) {
        return error;
    }
    return AddSilence(track.pregap);
}

std::optional<DriveError> Loader::LayOutMark(const Mark& mark) {
    if (auto error =
            AddFileSectors(mark.position.file, mark.track, mark.position.sector - m_fileSector)) {
        return error;
    }
    if (m_track != mark.track) {
        if (auto error = BeginTrack(mark)) {
            return error;
        }
    }
    if (mark.kind == Mark::Kind::Start) {
        m_places[mark.track].start = static_cast<Lba>(m_next);
    } else if (mark.kind == Mark::Kind::IndexMark) {
        m_indexMarks[mark.track].push_back({mark.number, static_cast<Lba>(m_next)});
    }
    return std::nullopt;
}

// Lays out the rest of a file, a partial last sector included. A track
// that starts here needs a sector of it; a data track that has none, or no
// INDEX 01 at all, is a track that was not ripped.
std::optional<DriveError> Loader::EndFile(int file) {
    const std::int64_t rest = m_files[static_cast<std::size_t>(file)].audio->Frames() - m_fileFrame;
    // Compared before rounding up, which a length near the largest count
    // would overflow.
    if (rest / m_framesPerSector > MAX_DISC_SECTORS) {
        return TooLong();
    }
    const std::int64_t sectors = (rest + m_framesPerSector - 1) / m_framesPerSector;
    if (sectors > MAX_DISC_SECTORS) {
        return TooLong();
    }
    if (sectors > 0) {
        m_segments.push_back({static_cast<Lba>(m_next), static_cast<Lba>(m_next + sectors), file,
                              m_fileFrame, m_framesPerSector});
        if (auto error = Advance(sectors)) {
            return error;
        }
    }
    if (!m_track) {
        return std::nullopt;
    }
    TrackPlace& place = m_places[*m_track];
    const bool unripped = m_sheet.tracks[*m_track].IsData() &&
                          (place.start < 0 || (place.start == m_next && sectors <= 0));
    if (unripped) {
        place.start = static_cast<Lba>(m_next);
        return AddSilence(UNRIPPED_DATA_SECTORS);
    }
    if (place.start == m_next) {
        return EndsEarly(file, *m_track);
    }
    return std::nullopt;
}

// Lays out one FILE with the indexes that lie in it, from m_marks[mark] on;
// leaves `mark` at the first mark of a later file.
std::optional<DriveError> Loader::LayOutFile(int file, std::size_t& mark) {
    m_fileFrame = 0;
    m_fileSector = 0;
    for (; mark < m_marks.size() && m_marks[mark].position.file == file; ++mark) {
        if (auto error = LayOutMark(m_marks[mark])) {
            return error;
        }
    }
    return EndFile(file);
}

void Loader::MakeMarks() {
    for (std::size_t track = 0; track < m_sheet.tracks.size(); ++track) {
        for (const CueIndex& index : m_sheet.tracks[track].indexes) {
            const Mark::Kind kind = index.number == 0   ? Mark::Kind::Gap
                                    : index.number == 1 ? Mark::Kind::Start
                                                        : Mark::Kind::IndexMark;
            m_marks.push_back({index.position, track, kind, index.number, index.line});
        }
    }
    m_places.resize(m_sheet.tracks.size());
    m_indexMarks.resize(m_sheet.tracks.size());
}

Toc Loader::MakeToc() const {
    Toc toc;
    toc.leadOut = static_cast<Lba>(m_next);
    for (std::size_t index = 0; index < m_places.size(); ++index) {
        TocTrack track;
        track.number = static_cast<int>(index) + 1;
        track.start = m_places[index].start;
        track.kind = m_sheet.tracks[index].IsData() ? TrackKind::Data : TrackKind::Audio;
        if (index + 1 == m_places.size()) {
            track.playableEnd = toc.leadOut;
        } else {
            const bool gapOfData =
                track.kind == TrackKind::Audio && m_sheet.tracks[index + 1].IsData();
            track.playableEnd =
                gapOfData ? m_places[index + 1].gapStart : m_places[index + 1].start;
        }
        toc.tracks.push_back(track);
    }
    return toc;
}

ImageDiscInfo Loader::MakeInfo(std::string encoding) const {
    ImageDiscInfo info{m_sheet.texts, m_sheet.catalog, m_sheet.remarks, {}, std::move(encoding)};
    for (std::size_t index = 0; index < m_sheet.tracks.size(); ++index) {
        const CueTrack& track = m_sheet.tracks[index];
        info.tracks.push_back({track.texts, track.isrc, m_indexMarks[index]});
    }
    return info;
}

DiscImageResult Loader::Load() {
    CueTextResult text = ReadSheet();
    if (!text.sheet) {
        return {nullptr, text.error};
    }
    m_sheet = std::move(*text.sheet);
    ChooseReadingByFiles(text.encoding);
    if (auto error = OpenFiles()) {
        return {nullptr, error};
    }
    MakeMarks();
    std::size_t mark = 0;
    for (int file = 0; file < static_cast<int>(m_files.size()); ++file) {
        if (auto error = LayOutFile(file, mark)) {
            return {nullptr, error};
        }
    }
    if (auto error = AddSilence(m_sheet.tracks.back().postgap)) {
        return {nullptr, error};
    }
    auto image = std::make_unique<DiscImage>(m_cueSheet, MakeToc(), std::move(m_files),
                                             std::move(m_segments), MakeInfo(text.encoding));
    return {std::move(image), std::nullopt};
}

}  // namespace

DiscImageResult LoadDiscImage(const std::filesystem::path& cueSheet) {
    if (ImageSourceOf(cueSheet) != ImageSource::CueSheet) {
        DiscImageResult loaded = Loader(cueSheet).Load();
        if (loaded.image) {
            return loaded;
        }
        // Its sheet may lie beside it rather than inside it: that sheet then
        // makes the disc, and tells what keeps it from playing, as it is the
        // file the user would mend.
        std::optional<std::filesystem::path> sheet = FindSheetNamedAfterAudio(cueSheet);
        return sheet ? Loader(*sheet).Load() : std::move(loaded);
    }
    if (!IsAudioFileName(cueSheet)) {
        return Loader(cueSheet).Load();
    }
    // The audio of an image opened by itself (a .bin or .wav double-clicked)
    // plays as its sheet describes it.
    if (std::optional<std::filesystem::path> sheet = FindSheetNamedAfterAudio(cueSheet)) {
        return Loader(*sheet).Load();
    }
    std::error_code error;
    if (!std::filesystem::is_regular_file(cueSheet, error)) {
        return Loader(cueSheet).Load();  // says why it cannot be read
    }
    return {nullptr, ImageError(MCIERR_INVALID_DEVICE_NAME, cueSheet,
                                "is audio without a cue sheet: no sheet of its name lies "
                                "beside it.")};
}

}  // namespace corvid::cdrom
