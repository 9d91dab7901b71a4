#include "platform/cdrom/EmbeddedCue.h"

#include <FLAC/metadata.h>
#include <strings.h>
#include <wavpack/wavpack.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <memory>
#include <string_view>
#include <system_error>

#include "platform/cdrom/CueEncoding.h"
#include "platform/cdrom/ImageAudioFile.h"

namespace corvid::cdrom {

namespace {

constexpr std::string_view FLAC_MAGIC = "fLaC";
constexpr std::string_view WAVPACK_MAGIC = "wvpk";
constexpr const char* CUESHEET_TAG = "CUESHEET";
constexpr const char* WAVPACK_CUESHEET_TAG = "cuesheet";
// The lead-out's track number in a CUESHEET block of a CD, and of any other
// medium. The audio's own end is the disc's lead-out, as for a cue sheet.
constexpr unsigned CD_LEAD_OUT_TRACK = 170;
constexpr unsigned OTHER_LEAD_OUT_TRACK = 255;
// A block's numbers are ASCII by the format's rules.
constexpr const char* BLOCK_ENCODING = "ASCII";
// No offset of a CD lies further into its audio; a larger one cannot be
// added to another without overflow either.
constexpr std::uint64_t MAX_DISC_FRAMES =
    std::uint64_t{MAX_DISC_SECTORS} * SAMPLE_FRAMES_PER_SECTOR;

struct BlockDeleter {
    void operator()(FLAC__StreamMetadata* block) const { FLAC__metadata_object_delete(block); }
};
using FlacBlock = std::unique_ptr<FLAC__StreamMetadata, BlockDeleter>;

struct IteratorDeleter {
    void operator()(FLAC__Metadata_SimpleIterator* iterator) const {
        FLAC__metadata_simple_iterator_delete(iterator);
    }
};

struct WavPackCloser {
    void operator()(WavpackContext* context) const { WavpackCloseFile(context); }
};

// What a FLAC file's metadata tells of a disc.
struct FlacSheets {
    std::uint32_t sampleRate = 0;
    std::uint64_t totalSamples = 0;  // 0 when the encoder did not know
    FlacBlock block;                 // the CUESHEET block, if any
    std::optional<std::string> tag;  // the CUESHEET comment's value, if any
    std::optional<std::string> problem;
};

CueTextResult Failure(MciError code, const std::filesystem::path& carrier,
                      const std::string& what) {
    return {std::nullopt, ImageError(code, carrier, what), {}};
}

CueTextResult NoSheet(const std::filesystem::path& carrier) {
    return Failure(MCIERR_INVALID_DEVICE_NAME, carrier, "carries no cue sheet.");
}

std::string IteratorProblem(FLAC__Metadata_SimpleIterator* iterator) {
    switch (FLAC__metadata_simple_iterator_status(iterator)) {
        case FLAC__METADATA_SIMPLE_ITERATOR_STATUS_NOT_A_FLAC_FILE:
            return "is not a FLAC file";
        case FLAC__METADATA_SIMPLE_ITERATOR_STATUS_ERROR_OPENING_FILE:
            return "cannot be opened";
        default:
            break;
    }
    return "has FLAC metadata that cannot be read";
}

void TakeBlock(FlacBlock block, FlacSheets& sheets) {
    switch (block->type) {
        case FLAC__METADATA_TYPE_STREAMINFO:
            sheets.sampleRate = block->data.stream_info.sample_rate;
            sheets.totalSamples = block->data.stream_info.total_samples;
            break;
        case FLAC__METADATA_TYPE_CUESHEET:
            sheets.block = std::move(block);
            break;
        case FLAC__METADATA_TYPE_VORBIS_COMMENT: {
            // The field name is matched in any letter case, as the format says.
            const int found =
                FLAC__metadata_object_vorbiscomment_find_entry_from(block.get(), 0, CUESHEET_TAG);
            if (found < 0) {
                break;
            }
            const FLAC__StreamMetadata_VorbisComment_Entry& entry =
                block->data.vorbis_comment.comments[found];
            const std::string_view comment(reinterpret_cast<const char*>(entry.entry),
                                           entry.length);
            sheets.tag = std::string(comment.substr(std::strlen(CUESHEET_TAG) + 1));
            break;
        }
        default:
            break;
    }
}

// Reads only the metadata blocks that tell of a disc, in one pass.
FlacSheets ReadFlacSheets(const std::filesystem::path& path) {
    FlacSheets sheets;
    const std::unique_ptr<FLAC__Metadata_SimpleIterator, IteratorDeleter> iterator(
        FLAC__metadata_simple_iterator_new());
    if (!iterator ||
        !FLAC__metadata_simple_iterator_init(iterator.get(), path.c_str(), true, false)) {
        sheets.problem = iterator ? IteratorProblem(iterator.get()) : "cannot be read";
        return sheets;
    }
    do {
        const FLAC__MetadataType type =
            FLAC__metadata_simple_iterator_get_block_type(iterator.get());
        if (type != FLAC__METADATA_TYPE_STREAMINFO && type != FLAC__METADATA_TYPE_CUESHEET &&
            type != FLAC__METADATA_TYPE_VORBIS_COMMENT) {
            continue;
        }
        FlacBlock block(FLAC__metadata_simple_iterator_get_block(iterator.get()));
        if (!block) {
            sheets.problem = IteratorProblem(iterator.get());
            return sheets;
        }
        TakeBlock(std::move(block), sheets);
    } while (FLAC__metadata_simple_iterator_next(iterator.get()));
    if (FLAC__metadata_simple_iterator_status(iterator.get()) !=
        FLAC__METADATA_SIMPLE_ITERATOR_STATUS_OK) {
        sheets.problem = IteratorProblem(iterator.get());
    }
    return sheets;
}

CueTextResult SheetFromTag(const std::filesystem::path& carrier, std::string_view bytes) {
    if (bytes.size() > MAX_CUE_SHEET_BYTES) {
        return Failure(MCIERR_INVALID_DEVICE_NAME, carrier,
                       "has a CUESHEET tag larger than a cue sheet can be (1 MiB).");
    }
    CueSheetText text = CueSheetToUtf8(bytes);
    CueParseResult parsed = ParseEmbeddedCueSheet(text.text);
    if (!parsed.error) {
        return {std::move(parsed.sheet), std::nullopt, std::move(text.encoding)};
    }
    const CueParseError& error = *parsed.error;
    const std::string where = error.line == 0
                                  ? "has a CUESHEET tag that "
                                  : "CUESHEET tag, line " + std::to_string(error.line) + ": ";
    return Failure(MCIERR_INVALID_DEVICE_NAME, carrier, where + error.what + ".");
}

// The text of a fixed-size field, up to its first NUL.
template <std::size_t Size>
std::string FieldText(const char (&field)[Size]) {
    return {field, strnlen(field, Size)};
}

std::optional<std::string> AddIndex(const FLAC__StreamMetadata_CueSheet_Track& block,
                                    const FLAC__StreamMetadata_CueSheet_Index& blockIndex,
                                    std::uint64_t totalSamples, CueTrack& track) {
    if (block.offset > MAX_DISC_FRAMES || blockIndex.offset > MAX_DISC_FRAMES) {
        return "lies further than a CD reaches";
    }
    const std::uint64_t frame = block.offset + blockIndex.offset;
    if (frame % SAMPLE_FRAMES_PER_SECTOR != 0) {
        return "has an index off a sector's boundary";
    }
    if ((totalSamples > 0 && frame >= totalSamples) || frame >= MAX_DISC_FRAMES) {
        return "lies past the end of the audio";
    }
    const CueIndex index{
        blockIndex.number, {0, static_cast<std::int32_t>(frame / SAMPLE_FRAMES_PER_SECTOR)}, 0};
    if (!track.indexes.empty() && (index.number <= track.indexes.back().number ||
                                   index.position < track.indexes.back().position)) {
        return "has its indexes out of order";
    }
    track.indexes.push_back(index);
    return std::nullopt;
}

// Each track starts after the INDEX 01 of the one before, and not before
// any of its indexes, as the text reader requires of a sheet.
bool Follows(const CueTrack& previous, const CueTrack& track) {
    const CueIndex* previousStart = previous.FindIndex(1);
    const CuePosition first = track.indexes.front().position;
    return (previousStart == nullptr || previousStart->position < first) &&
           previous.indexes.back().position <= first;
}

std::optional<std::string> AddBlockTrack(const FLAC__StreamMetadata_CueSheet_Track& block,
                                         std::uint64_t totalSamples, ParsedCueSheet& sheet) {
    if (block.number < 1 || block.number > MAX_TRACKS) {
        return "is not a track number from 1 to 99";
    }
    if (sheet.tracks.size() == static_cast<std::size_t>(MAX_TRACKS)) {
        return "is one track more than a CD holds";
    }
    CueTrack track;
    track.number = block.number;
    track.mode = block.type == 0 ? CueTrackMode::Audio : CueTrackMode::Mode1Raw;
    track.isrc = FieldText(block.isrc);
    track.flags = block.pre_emphasis != 0 ? CUE_FLAG_PRE_EMPHASIS : 0;
    for (std::uint8_t index = 0; index < block.num_indices; ++index) {
        if (auto problem = AddIndex(block, block.indices[index], totalSamples, track)) {
            return problem;
        }
    }
    if (track.indexes.empty() || (track.FindIndex(1) == nullptr && !track.IsData())) {
        return "has no INDEX 01";
    }
    if (!sheet.tracks.empty() && !Follows(sheet.tracks.back(), track)) {
        return "does not follow the track before";
    }
    sheet.tracks.push_back(std::move(track));
    return std::nullopt;
}

CueTextResult SheetFromBlock(const std::filesystem::path& carrier,
                             const FLAC__StreamMetadata_CueSheet& block,
                             std::uint64_t totalSamples) {
    const auto fault = [&](const std::string& what) {
        return Failure(MCIERR_INVALID_DEVICE_NAME, carrier, "has a CUESHEET block " + what + ".");
    };
    if (block.is_cd == 0) {
        return fault("that is not of a CD");
    }
    ParsedCueSheet sheet;
    sheet.files.emplace_back();
    sheet.catalog = FieldText(block.media_catalog_number);
    for (std::uint32_t index = 0; index < block.num_tracks; ++index) {
        const FLAC__StreamMetadata_CueSheet_Track& track = block.tracks[index];
        if (track.number == CD_LEAD_OUT_TRACK || track.number == OTHER_LEAD_OUT_TRACK) {
            continue;
        }
        if (auto problem = AddBlockTrack(track, totalSamples, sheet)) {
            return fault("whose track " + std::to_string(track.number) + " " + *problem);
        }
    }
    if (sheet.tracks.empty()) {
        return fault("without a track");
    }
    return {std::move(sheet), std::nullopt, BLOCK_ENCODING};
}

bool NamesAnything(const ParsedCueSheet& sheet) {
    const auto names = [](const CueTexts& texts) {
        return !texts.title.empty() || !texts.performer.empty();
    };
    return names(sheet.texts) ||
           std::any_of(sheet.tracks.begin(), sheet.tracks.end(),
                       [&](const CueTrack& track) { return names(track.texts); });
}

CueTextResult ReadFlac(const std::filesystem::path& carrier) {
    FlacSheets sheets = ReadFlacSheets(carrier);
    if (sheets.problem) {
        return Failure(MCIERR_HARDWARE, carrier, *sheets.problem + ".");
    }
    if (!sheets.tag && !sheets.block) {
        return NoSheet(carrier);
    }
    if (sheets.sampleRate != SAMPLE_RATE) {
        return Failure(MCIERR_INVALID_DEVICE_NAME, carrier,
                       "carries a cue sheet, but its audio is of " +
                           std::to_string(sheets.sampleRate) + " Hz, not a CD's 44100 Hz.");
    }
    if (sheets.tag) {
        CueTextResult fromTag = SheetFromTag(carrier, *sheets.tag);
        if (!sheets.block || (fromTag.sheet && NamesAnything(*fromTag.sheet))) {
            return fromTag;
        }
    }
    return SheetFromBlock(carrier, sheets.block->data.cue_sheet, sheets.totalSamples);
}

CueTextResult ReadWavPack(const std::filesystem::path& carrier) {
    // The size libwavpack asks for its error text.
    std::array<char, 80> error{};
    const std::unique_ptr<WavpackContext, WavPackCloser> context(
        WavpackOpenFileInput(carrier.c_str(), error.data(), OPEN_TAGS, 0));
    if (!context) {
        return Failure(MCIERR_HARDWARE, carrier,
                       "cannot be read as WavPack: " + LibraryMessage(error.data()) + ".");
    }
    const int size = WavpackGetTagItem(context.get(), WAVPACK_CUESHEET_TAG, nullptr, 0);
    if (size <= 0) {
        return NoSheet(carrier);
    }
    // The tag is copied with a NUL at its end.
    std::string text(static_cast<std::size_t>(size) + 1, '\0');
    WavpackGetTagItem(context.get(), WAVPACK_CUESHEET_TAG, text.data(), size + 1);
    text.resize(static_cast<std::size_t>(size));
    return SheetFromTag(carrier, text);
}

bool HasExtension(const std::filesystem::path& path, const char* extension) {
    return strcasecmp(path.extension().c_str(), extension) == 0;
}

}  // namespace

ImageSource ImageSourceOf(const std::filesystem::path& path) {
    // A FIFO or a device is read by no one: its name alone tells.
    std::error_code failure;
    const std::string magic = std::filesystem::is_regular_file(path, failure)
                                  ? FirstBytesOf(path, FLAC_MAGIC.size())
                                  : std::string();
    if (magic == FLAC_MAGIC) {
        return ImageSource::Flac;
    }
    if (magic == WAVPACK_MAGIC) {
        return ImageSource::WavPack;
    }
    if (HasExtension(path, ".flac")) {
        return ImageSource::Flac;
    }
    return HasExtension(path, ".wv") ? ImageSource::WavPack : ImageSource::CueSheet;
}

CueTextResult ReadEmbeddedCue(const std::filesystem::path& carrier, ImageSource source) {
    if (auto error = CheckImageFile(carrier)) {
        return {std::nullopt, error, {}};
    }
    return source == ImageSource::WavPack ? ReadWavPack(carrier) : ReadFlac(carrier);
}

}  // namespace corvid::cdrom
