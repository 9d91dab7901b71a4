#include <iconv.h>
#include <sndfile.h>

#include <fstream>
#include <memory>
#include <sstream>
#include <system_error>

#include "tools/imagegen/ImageGen.h"
#include "tools/imagegen/Layout.h"
#include "tools/imagegen/Signals.h"

namespace corvid::imagegen {

namespace {

struct SndFileCloser {
    void operator()(SNDFILE* file) const { sf_close(file); }
};
using SndFile = std::unique_ptr<SNDFILE, SndFileCloser>;

constexpr Lba SECTORS_PER_WRITE = 75;

// Sectors [first, first + count) of a track's region (its INDEX 00 gap and
// the track itself).
struct Piece {
    std::size_t track = 0;
    Lba first = 0;
    Lba count = 0;
};

struct FilePlan {
    std::string name;
    std::string type;  // the cue sheet's FILE type
    int soundFormat = 0;
    std::vector<Piece> pieces;
};

struct FileKind {
    const char* extension;
    const char* type;
    int soundFormat;
};

FileKind KindOf(AudioFormat format) {
    switch (format) {
        case AudioFormat::BinaryBigEndian:
            return {".bin", "MOTOROLA", SF_FORMAT_RAW | SF_FORMAT_PCM_16 | SF_ENDIAN_BIG};
        case AudioFormat::Wave:
            return {".wav", "WAVE", SF_FORMAT_WAV | SF_FORMAT_PCM_16};
        case AudioFormat::Flac:
            return {".flac", "WAVE", SF_FORMAT_FLAC | SF_FORMAT_PCM_16};
        case AudioFormat::Binary:
            break;
    }
    return {".bin", "BINARY", SF_FORMAT_RAW | SF_FORMAT_PCM_16 | SF_ENDIAN_LITTLE};
}

std::string TwoDigits(long value) {
    return std::string(value < 10 ? "0" : "") + std::to_string(value);
}

std::string Msf(Lba sectors) {
    return TwoDigits(sectors / (75 * 60)) + ":" + TwoDigits(sectors / 75 % 60) + ":" +
           TwoDigits(sectors % 75);
}

bool NotRipped(const TrackDescription& track) {
    return track.type == TrackType::Data && track.dataMode == DataMode::NotRipped;
}

// The sectors of a track's region that its file holds.
Lba FileRegionLength(const TrackDescription& track) {
    return NotRipped(track) ? track.index00 : track.index00 + track.length;
}

// Whether a track's INDEX 00 gap ends the previous track's file.
bool GapAppended(const DiscDescription& disc, std::size_t index) {
    return disc.layout == FileLayout::FilePerTrackGapsAppended && index > 0 &&
           disc.tracks[index].index00 > 0 && disc.tracks[index].type == TrackType::Audio &&
           disc.tracks[index - 1].type == TrackType::Audio;
}

std::vector<FilePlan> PlanFiles(const DiscDescription& disc, const std::string& baseName) {
    const FileKind kind = KindOf(disc.format);
    if (disc.layout == FileLayout::SingleFile) {
        FilePlan plan{baseName + kind.extension, kind.type, kind.soundFormat, {}};
        for (std::size_t index = 0; index < disc.tracks.size(); ++index) {
            plan.pieces.push_back({index, 0, FileRegionLength(disc.tracks[index])});
        }
        return {plan};
    }
    std::vector<FilePlan> plans;
    for (std::size_t index = 0; index < disc.tracks.size(); ++index) {
        const TrackDescription& track = disc.tracks[index];
        // What was not ripped has no file: its gap, if any, ends the one before.
        if (NotRipped(track)) {
            plans.back().pieces.push_back({index, 0, track.index00});
            continue;
        }
        const FileKind own = track.type == TrackType::Data ? KindOf(AudioFormat::Binary) : kind;
        const std::string name =
            baseName + "-" + TwoDigits(static_cast<long>(index) + 1) + own.extension;
        const Lba first = GapAppended(disc, index) ? track.index00 : 0;
        FilePlan plan{
            name, own.type, own.soundFormat, {{index, first, FileRegionLength(track) - first}}};
        if (index + 1 < disc.tracks.size() && GapAppended(disc, index + 1)) {
            plan.pieces.push_back({index + 1, 0, disc.tracks[index + 1].index00});
        }
        plans.push_back(plan);
    }
    return plans;
}

// Cooked data sectors: fewer bytes a sector than CD audio, read as silence.
std::optional<std::string> WriteCookedPiece(const DiscDescription& disc, const Piece& piece,
                                            SNDFILE* file) {
    const TrackDescription& track = disc.tracks[piece.track];
    const int frames = FileFramesPerSector(track);
    const Lba firstLba = LayOut(disc)[piece.track].index00Start + piece.first;
    std::vector<std::int16_t> samples(static_cast<std::size_t>(frames) * cdrom::CHANNELS);
    for (Lba sector = 0; sector < piece.count; ++sector) {
        for (std::size_t index = 0; index < samples.size(); ++index) {
            const auto offset = static_cast<int>(index * 2);
            samples[index] =
                static_cast<std::int16_t>(DataSectorByte(firstLba + sector, offset) |
                                          (DataSectorByte(firstLba + sector, offset + 1) << 8U));
        }
        if (sf_writef_short(file, samples.data(), frames) != frames) {
            return std::string(sf_strerror(file));
        }
    }
    return std::nullopt;
}

std::optional<std::string> WritePiece(const DiscDescription& disc, const Piece& piece,
                                      SNDFILE* file) {
    if (FileFramesPerSector(disc.tracks[piece.track]) != cdrom::SAMPLE_FRAMES_PER_SECTOR) {
        return WriteCookedPiece(disc, piece, file);
    }
    std::vector<std::int16_t> samples;
    for (Lba done = 0; done < piece.count; done += SECTORS_PER_WRITE) {
        const Lba count = std::min(SECTORS_PER_WRITE, piece.count - done);
        samples.resize(static_cast<std::size_t>(count) * cdrom::SAMPLES_PER_SECTOR);
        RegionSamples(disc, piece.track, piece.first + done, count, samples);
        const sf_count_t frames = sf_count_t{count} * cdrom::SAMPLE_FRAMES_PER_SECTOR;
        if (sf_writef_short(file, samples.data(), frames) != frames) {
            return std::string(sf_strerror(file));
        }
    }
    return std::nullopt;
}

std::optional<std::string> WriteAudioFile(const DiscDescription& disc, const FilePlan& plan,
                                          const std::filesystem::path& path) {
    SF_INFO info{};
    info.samplerate = cdrom::SAMPLE_RATE;
    info.channels = cdrom::CHANNELS;
    info.format = plan.soundFormat;
    SndFile file(sf_open(path.c_str(), SFM_WRITE, &info));
    if (!file) {
        return "Cannot create " + path.string() + ": " + sf_strerror(nullptr);
    }
    for (const Piece& piece : plan.pieces) {
        if (auto error = WritePiece(disc, piece, file.get())) {
            return "Cannot write " + path.string() + ": " + *error;
        }
    }
    if (sf_close(file.release()) != 0) {
        return "Cannot finish " + path.string() + ".";
    }
    return std::nullopt;
}

const char* ModeWord(const TrackDescription& track) {
    if (track.type == TrackType::Audio) {
        return "AUDIO";
    }
    switch (track.dataMode) {
        case DataMode::Mode1Cooked:
            return "MODE1/2048";
        case DataMode::Mode2Formless:
            return "MODE2/2336";
        case DataMode::Mode2Raw:
            return "MODE2/2352";
        case DataMode::CdiRaw:
            return "CDI/2352";
        case DataMode::NotRipped:
            return "MODEx/2xxx";
        case DataMode::Mode1Raw:
            break;
    }
    return "MODE1/2352";
}

// Writes the sheet's lines in UTF-8 in the style asked for.
class SheetWriter {
  public:
    SheetWriter(const DiscDescription& disc, std::string baseName)
        : m_disc(disc), m_style(disc.style), m_baseName(std::move(baseName)) {}

    std::string Write(const std::vector<FilePlan>& plans);

  private:
    bool Extras() const { return m_style.extras == SheetExtras::Everything; }
    std::string Word(std::string_view word) const;
    void Line(int depth, std::string_view keyword, const std::string& rest);
    void Texts(int depth, const std::string& title, const std::string& performer,
               const std::string& songwriter);
    void DiscHead();
    void FileLine(const FilePlan& plan);
    void TrackHead(std::size_t index);
    void PieceLines(const Piece& piece, Lba offset);

    const DiscDescription& m_disc;
    const SheetStyle& m_style;
    std::string m_baseName;
    std::vector<std::string> m_lines;
};

// A keyword or a type word in the letter case of the style.
std::string SheetWriter::Word(std::string_view word) const {
    std::string styled(word);
    for (std::size_t index = 0; index < styled.size(); ++index) {
        const bool lower = m_style.keywords == KeywordCase::Lower ||
                           (m_style.keywords == KeywordCase::Mixed && index > 0);
        if (lower && styled[index] >= 'A' && styled[index] <= 'Z') {
            styled[index] = static_cast<char>(styled[index] - 'A' + 'a');
        }
    }
    return styled;
}

void SheetWriter::Line(int depth, std::string_view keyword, const std::string& rest) {
    const std::string indent = Extras() ? std::string(static_cast<std::size_t>(depth), '\t')
                                        : std::string(static_cast<std::size_t>(depth) * 2, ' ');
    m_lines.push_back(indent + Word(keyword) + (rest.empty() ? "" : " " + rest));
}

std::string Quoted(const std::string& text) {
    return "\"" + text + "\"";
}

void SheetWriter::Texts(int depth, const std::string& title, const std::string& performer,
                        const std::string& songwriter) {
    if (!performer.empty()) {
        Line(depth, "PERFORMER", Quoted(performer));
    }
    if (!title.empty()) {
        Line(depth, "TITLE", Quoted(title));
    }
    if (!songwriter.empty()) {
        Line(depth, "SONGWRITER", Quoted(songwriter));
    }
}

void SheetWriter::DiscHead() {
    if (Extras()) {
        Line(0, "REM", "GENRE \"Generated Test\"");
        Line(0, "REM", "DATE 2024");
        Line(0, "REM", "DISCID 0A0B0C0D");
        Line(0, "REM", "COMMENT \"corvid-make-image\"");
        Line(0, "REM", "COMPOSER \"Nobody in Particular\"");
        Line(0, "REM", "DISCNUMBER 1");
        Line(0, "REM", "TOTALDISCS 1");
        Line(0, "REM", "REPLAYGAIN_ALBUM_GAIN -6.50 dB");
        Line(0, "REM", "REPLAYGAIN_ALBUM_PEAK 0.988525");
        Line(0, "CATALOG", "0000000000000");
        Line(0, "CDTEXTFILE", Quoted(m_baseName + ".cdt"));
        Line(0, "X-CORVID-UNKNOWN", "a keyword no reader knows");
        m_lines.emplace_back(" \t");
    }
    Texts(0, m_disc.title, m_disc.performer, m_disc.songwriter);
}

std::string UpperCase(std::string text) {
    for (char& letter : text) {
        if (letter >= 'a' && letter <= 'z') {
            letter = static_cast<char>(letter - 'a' + 'A');
        }
    }
    return text;
}

void SheetWriter::FileLine(const FilePlan& plan) {
    std::string name = plan.name;
    switch (m_style.naming) {
        case FileNaming::WindowsPath:
            name = "C:\\Rips\\" + m_baseName + "\\" + name;
            break;
        case FileNaming::OtherLetterCase:
            name = UpperCase(name);
            break;
        case FileNaming::OtherAudioExtension:
            if (name.ends_with(".flac")) {
                name = name.substr(0, name.size() - 5) + ".wav";
            } else if (name.ends_with(".wav")) {
                name = name.substr(0, name.size() - 4) + ".flac";
            }
            break;
        case FileNaming::AsWritten:
        case FileNaming::Unquoted:
            break;
    }
    const bool quoted = m_style.naming != FileNaming::Unquoted;
    Line(0, "FILE", (quoted ? Quoted(name) : name) + " " + Word(plan.type));
}

void SheetWriter::TrackHead(std::size_t index) {
    const TrackDescription& track = m_disc.tracks[index];
    Line(1, "TRACK", TwoDigits(static_cast<long>(index) + 1) + " " + Word(ModeWord(track)));
    Texts(2, track.title, track.performer, track.songwriter);
    if (Extras()) {
        Line(2, "ISRC", "XXCRV24000" + TwoDigits(static_cast<long>(index) + 1));
        Line(2, "FLAGS", track.type == TrackType::Audio ? "DCP SCMS" : "DCP");
        Line(2, "REM", "REPLAYGAIN_TRACK_GAIN -5.25 dB");
    }
    if (track.pregap > 0) {
        Line(2, "PREGAP", Msf(track.pregap));
    }
}

// The lines of one piece that starts `offset` sectors into its file.
void SheetWriter::PieceLines(const Piece& piece, Lba offset) {
    const TrackDescription& track = m_disc.tracks[piece.track];
    if (piece.first == 0) {
        TrackHead(piece.track);
        const bool unmarked = piece.track == 0 && m_style.firstTrackGap == FirstTrackGap::Unmarked;
        if (track.index00 > 0 && !unmarked) {
            Line(2, "INDEX", "00 " + Msf(offset));
        }
    }
    // A piece that is only a gap leaves INDEX 01 to the next file; a data
    // track that was not ripped has none unless it has no gap either.
    const bool holdsStart =
        NotRipped(track) ? track.index00 == 0 : piece.first + piece.count > track.index00;
    if (!holdsStart) {
        return;
    }
    const Lba start = offset + track.index00 - piece.first;
    Line(2, "INDEX", "01 " + Msf(start));
    for (std::size_t mark = 0; mark < track.indexMarks.size(); ++mark) {
        Line(2, "INDEX",
             TwoDigits(static_cast<long>(mark) + 2) + " " + Msf(start + track.indexMarks[mark]));
    }
    if (track.postgap > 0) {
        Line(2, "POSTGAP", Msf(track.postgap));
    }
}

std::string SheetWriter::Write(const std::vector<FilePlan>& plans) {
    DiscHead();
    for (const FilePlan& plan : plans) {
        FileLine(plan);
        Lba offset = 0;  // sectors of this file before the piece
        for (const Piece& piece : plan.pieces) {
            PieceLines(piece, offset);
            offset += piece.count;
        }
    }
    const char* lineEnd = m_style.lineEnd == LineEnd::CarriageReturnLineFeed ? "\r\n"
                          : m_style.lineEnd == LineEnd::CarriageReturn       ? "\r"
                                                                             : "\n";
    std::string text =
        m_style.byteOrderMark == ByteOrderMark::Present && m_style.encoding == SheetEncoding::Utf8
            ? "\xEF\xBB\xBF"
            : "";
    for (std::size_t index = 0; index < m_lines.size(); ++index) {
        const bool last = index + 1 == m_lines.size();
        text += m_lines[index];
        text += last && m_style.lastLineEnd == LastLineEnd::Absent ? "" : lineEnd;
    }
    return text;
}

const char* IconvName(SheetEncoding encoding) {
    switch (encoding) {
        case SheetEncoding::Windows1252:
            return "WINDOWS-1252";
        case SheetEncoding::ShiftJis:
            return "CP932";
        case SheetEncoding::Windows1251:
            return "WINDOWS-1251";
        case SheetEncoding::Utf8:
            break;
    }
    return "UTF-8";
}

// The sheet's text in the encoding of its style.
std::optional<std::string> Encoded(const std::string& text, SheetEncoding encoding) {
    if (encoding == SheetEncoding::Utf8) {
        return text;
    }
    const iconv_t handle = iconv_open(IconvName(encoding), "UTF-8");
    if (handle == reinterpret_cast<iconv_t>(-1)) {
        return std::nullopt;
    }
    std::string input = text;
    std::string output(input.size() * 2 + 4, '\0');
    char* in = input.data();
    std::size_t inLeft = input.size();
    char* out = output.data();
    std::size_t outLeft = output.size();
    const std::size_t converted = iconv(handle, &in, &inLeft, &out, &outLeft);
    iconv_close(handle);
    if (converted == static_cast<std::size_t>(-1)) {
        return std::nullopt;
    }
    output.resize(output.size() - outLeft);
    return output;
}

std::optional<std::string> CheckBaseName(const std::string& baseName) {
    if (baseName.empty() ||
        baseName.find_first_of(std::string("/\"\r\n\0", 5)) != std::string::npos) {
        return "The image name \"" + baseName + "\" cannot name a file.";
    }
    return std::nullopt;
}

// The sheet's text goes into the tag in UTF-8, as Vorbis comments are.
std::optional<std::string> EmbedSheet(const DiscDescription& disc, const std::string& text,
                                      const std::filesystem::path& carrier) {
    EmbeddedParts parts;
    if (disc.embedded == EmbeddedSheet::Block || disc.embedded == EmbeddedSheet::BlockAndTag) {
        parts.block = CueBlockOf(disc);
    }
    if (disc.embedded == EmbeddedSheet::Tag || disc.embedded == EmbeddedSheet::BlockAndTag) {
        parts.tag = text;
    }
    if (!parts.block && !parts.tag) {
        return std::nullopt;
    }
    return EmbedInFlac(carrier, parts);
}

WriteResult Failed(std::string error) {
    return {{}, std::move(error), {}};
}

}  // namespace

WriteResult WriteImage(const DiscDescription& disc, const std::filesystem::path& folder,
                       const std::string& baseName) {
    if (auto error = CheckDescription(disc)) {
        return Failed(*error);
    }
    if (auto error = CheckBaseName(baseName)) {
        return Failed(*error);
    }
    std::error_code failure;
    std::filesystem::create_directories(folder, failure);
    if (failure) {
        return Failed("Cannot create the folder " + folder.string() + ": " + failure.message());
    }
    const DiscDescription imaged = AsImaged(disc);
    const std::vector<FilePlan> plans = PlanFiles(imaged, baseName);
    const std::string text = SheetWriter(imaged, baseName).Write(plans);
    const std::optional<std::string> sheet = Encoded(text, disc.style.encoding);
    if (!sheet) {
        return Failed(std::string("The disc's texts cannot be written in ") +
                      IconvName(disc.style.encoding) + ".");
    }
    for (const FilePlan& plan : plans) {
        if (auto error = WriteAudioFile(imaged, plan, folder / plan.name)) {
            return Failed(*error);
        }
    }
    const std::filesystem::path carrier = folder / plans.front().name;
    if (auto error = EmbedSheet(disc, text, carrier)) {
        return Failed(*error);
    }
    const std::filesystem::path cuePath = folder / (baseName + ".cue");
    std::ofstream cue(cuePath, std::ios::binary | std::ios::trunc);
    cue << *sheet;
    cue.close();
    if (!cue) {
        return Failed("Cannot write " + cuePath.string() + ".");
    }
    return {cuePath, std::nullopt,
            disc.embedded == EmbeddedSheet::None ? std::filesystem::path() : carrier};
}

}  // namespace corvid::imagegen
