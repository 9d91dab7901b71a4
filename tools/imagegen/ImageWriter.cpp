#include <sndfile.h>

#include <fstream>
#include <memory>
#include <sstream>
#include <system_error>

#include "tools/imagegen/ImageGen.h"
#include "tools/imagegen/Layout.h"

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

Lba RegionLength(const TrackDescription& track) {
    return track.index00 + track.length;
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
            plan.pieces.push_back({index, 0, RegionLength(disc.tracks[index])});
        }
        return {plan};
    }
    std::vector<FilePlan> plans;
    for (std::size_t index = 0; index < disc.tracks.size(); ++index) {
        const TrackDescription& track = disc.tracks[index];
        const FileKind own = track.type == TrackType::Data ? KindOf(AudioFormat::Binary) : kind;
        const std::string name =
            baseName + "-" + TwoDigits(static_cast<long>(index) + 1) + own.extension;
        const Lba first = GapAppended(disc, index) ? track.index00 : 0;
        FilePlan plan{
            name, own.type, own.soundFormat, {{index, first, RegionLength(track) - first}}};
        if (index + 1 < disc.tracks.size() && GapAppended(disc, index + 1)) {
            plan.pieces.push_back({index + 1, 0, disc.tracks[index + 1].index00});
        }
        plans.push_back(plan);
    }
    return plans;
}

std::optional<std::string> WritePiece(const DiscDescription& disc, const Piece& piece,
                                      SNDFILE* file) {
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

void WriteTexts(std::ostream& cue, const std::string& title, const std::string& performer,
                const char* indent) {
    if (!performer.empty()) {
        cue << indent << "PERFORMER \"" << performer << "\"\n";
    }
    if (!title.empty()) {
        cue << indent << "TITLE \"" << title << "\"\n";
    }
}

void WriteTrackHead(std::ostream& cue, const TrackDescription& track, std::size_t index) {
    cue << "  TRACK " << TwoDigits(static_cast<long>(index) + 1)
        << (track.type == TrackType::Data ? " MODE1/2352\n" : " AUDIO\n");
    WriteTexts(cue, track.title, track.performer, "    ");
    if (track.pregap > 0) {
        cue << "    PREGAP " << Msf(track.pregap) << "\n";
    }
}

std::string CueText(const DiscDescription& disc, const std::vector<FilePlan>& plans) {
    std::ostringstream cue;
    WriteTexts(cue, disc.title, disc.performer, "");
    for (const FilePlan& plan : plans) {
        cue << "FILE \"" << plan.name << "\" " << plan.type << "\n";
        Lba offset = 0;  // sectors of this file before the piece
        for (const Piece& piece : plan.pieces) {
            const TrackDescription& track = disc.tracks[piece.track];
            if (piece.first == 0) {
                WriteTrackHead(cue, track, piece.track);
                if (track.index00 > 0) {
                    cue << "    INDEX 00 " << Msf(offset) << "\n";
                }
            }
            // A piece that is only a gap leaves INDEX 01 to the next file.
            if (piece.first + piece.count > track.index00) {
                cue << "    INDEX 01 " << Msf(offset + track.index00 - piece.first) << "\n";
            }
            offset += piece.count;
        }
    }
    return cue.str();
}

std::optional<std::string> CheckBaseName(const std::string& baseName) {
    if (baseName.empty() ||
        baseName.find_first_of(std::string("/\"\r\n\0", 5)) != std::string::npos) {
        return "The image name \"" + baseName + "\" cannot name a file.";
    }
    return std::nullopt;
}

}  // namespace

WriteResult WriteImage(const DiscDescription& disc, const std::filesystem::path& folder,
                       const std::string& baseName) {
    if (auto error = CheckDescription(disc)) {
        return {{}, error};
    }
    if (auto error = CheckBaseName(baseName)) {
        return {{}, error};
    }
    std::error_code failure;
    std::filesystem::create_directories(folder, failure);
    if (failure) {
        return {{}, "Cannot create the folder " + folder.string() + ": " + failure.message()};
    }
    const std::vector<FilePlan> plans = PlanFiles(disc, baseName);
    for (const FilePlan& plan : plans) {
        if (auto error = WriteAudioFile(disc, plan, folder / plan.name)) {
            return {{}, error};
        }
    }
    const std::filesystem::path cuePath = folder / (baseName + ".cue");
    std::ofstream cue(cuePath, std::ios::binary | std::ios::trunc);
    cue << CueText(disc, plans);
    cue.close();
    if (!cue) {
        return {{}, "Cannot write " + cuePath.string() + "."};
    }
    return {cuePath, std::nullopt};
}

}  // namespace corvid::imagegen
