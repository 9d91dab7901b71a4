#include <FLAC/metadata.h>

#include <cstring>
#include <memory>

#include "tools/imagegen/ImageGen.h"
#include "tools/imagegen/Layout.h"

namespace corvid::imagegen {

namespace {

constexpr unsigned CD_LEAD_OUT_TRACK = 170;
constexpr unsigned OTHER_LEAD_OUT_TRACK = 255;
// Two seconds of lead-in, as every CD has.
constexpr std::uint64_t CD_LEAD_IN_FRAMES = 2 * cdrom::SAMPLE_RATE;
constexpr const char* CUESHEET_TAG = "CUESHEET";

struct ChainDeleter {
    void operator()(FLAC__Metadata_Chain* chain) const { FLAC__metadata_chain_delete(chain); }
};
struct IteratorDeleter {
    void operator()(FLAC__Metadata_Iterator* iterator) const {
        FLAC__metadata_iterator_delete(iterator);
    }
};
struct BlockDeleter {
    void operator()(FLAC__StreamMetadata* block) const { FLAC__metadata_object_delete(block); }
};
using Block = std::unique_ptr<FLAC__StreamMetadata, BlockDeleter>;

std::uint64_t Frames(Lba sectors) {
    return static_cast<std::uint64_t>(sectors) * cdrom::SAMPLE_FRAMES_PER_SECTOR;
}

std::string TwoDigits(std::size_t value) {
    return (value < 10 ? "0" : "") + std::to_string(value);
}

template <std::size_t Size>
void CopyField(const std::string& text, char (&field)[Size]) {
    std::memset(field, 0, Size);
    std::memcpy(field, text.data(), std::min(text.size(), Size - 1));
}

Block MakeBlock(const CueBlock& description) {
    Block block(FLAC__metadata_object_new(FLAC__METADATA_TYPE_CUESHEET));
    const auto count = static_cast<std::uint32_t>(description.tracks.size());
    if (!block || !FLAC__metadata_object_cuesheet_resize_tracks(block.get(), count + 1)) {
        return nullptr;
    }
    FLAC__StreamMetadata_CueSheet& sheet = block->data.cue_sheet;
    const bool cd = description.medium == BlockMedium::Cd;
    CopyField(description.catalog, sheet.media_catalog_number);
    sheet.lead_in = cd ? CD_LEAD_IN_FRAMES : 0;
    sheet.is_cd = cd;
    for (std::uint32_t index = 0; index < count; ++index) {
        const CueBlockTrack& track = description.tracks[index];
        FLAC__StreamMetadata_CueSheet_Track& written = sheet.tracks[index];
        written.offset = track.offset;
        written.number = static_cast<FLAC__byte>(track.number);
        CopyField(track.isrc, written.isrc);
        written.type = track.type == TrackType::Audio ? 0 : 1;
        const auto indexes = static_cast<std::uint32_t>(track.indexes.size());
        if (!FLAC__metadata_object_cuesheet_track_resize_indices(block.get(), index, indexes)) {
            return nullptr;
        }
        for (std::uint32_t point = 0; point < indexes; ++point) {
            written.indices[point].offset = track.indexes[point].offset;
            written.indices[point].number = static_cast<FLAC__byte>(track.indexes[point].number);
        }
    }
    sheet.tracks[count].offset = description.leadOut;
    sheet.tracks[count].number = cd ? CD_LEAD_OUT_TRACK : OTHER_LEAD_OUT_TRACK;
    return block;
}

Block MakeComment(const std::string& text) {
    Block block(FLAC__metadata_object_new(FLAC__METADATA_TYPE_VORBIS_COMMENT));
    FLAC__StreamMetadata_VorbisComment_Entry entry{};
    if (!block || !FLAC__metadata_object_vorbiscomment_entry_from_name_value_pair(
                      &entry, CUESHEET_TAG, text.c_str())) {
        return nullptr;
    }
    // The block takes the entry's bytes.
    if (!FLAC__metadata_object_vorbiscomment_append_comment(block.get(), entry, false)) {
        std::free(entry.entry);
        return nullptr;
    }
    return block;
}

// Whether a block is one that the parts replace: a CUESHEET block, or a
// comment block when there is a tag to write (the whole block goes, as
// the images written here have nothing else in it).
bool Replaced(FLAC__MetadataType type, const EmbeddedParts& parts) {
    return type == FLAC__METADATA_TYPE_CUESHEET ||
           (parts.tag && type == FLAC__METADATA_TYPE_VORBIS_COMMENT);
}

std::optional<std::string> InsertAfterStreamInfo(FLAC__Metadata_Chain* chain, Block block) {
    const std::unique_ptr<FLAC__Metadata_Iterator, IteratorDeleter> iterator(
        FLAC__metadata_iterator_new());
    if (!iterator) {
        return "out of memory";
    }
    FLAC__metadata_iterator_init(iterator.get(), chain);
    if (!FLAC__metadata_iterator_insert_block_after(iterator.get(), block.get())) {
        return "a block cannot be added";
    }
    block.release();  // the chain owns it now
    return std::nullopt;
}

std::optional<std::string> RemoveReplaced(FLAC__Metadata_Chain* chain, const EmbeddedParts& parts) {
    const std::unique_ptr<FLAC__Metadata_Iterator, IteratorDeleter> iterator(
        FLAC__metadata_iterator_new());
    if (!iterator) {
        return "out of memory";
    }
    FLAC__metadata_iterator_init(iterator.get(), chain);
    do {
        if (Replaced(FLAC__metadata_iterator_get_block_type(iterator.get()), parts) &&
            !FLAC__metadata_iterator_delete_block(iterator.get(), true)) {
            return "a block cannot be removed";
        }
    } while (FLAC__metadata_iterator_next(iterator.get()));
    return std::nullopt;
}

std::optional<std::string> CheckLegal(const FLAC__StreamMetadata* block) {
    const char* violation = nullptr;
    if (block->data.cue_sheet.is_cd != 0 &&
        !FLAC__metadata_object_cuesheet_is_legal(block, true, &violation)) {
        return std::string("its CUESHEET block breaks the rules for a CD: ") + violation;
    }
    return std::nullopt;
}

std::optional<std::string> Embed(FLAC__Metadata_Chain* chain, const EmbeddedParts& parts) {
    if (auto problem = RemoveReplaced(chain, parts)) {
        return problem;
    }
    if (parts.tag) {
        Block comment = MakeComment(*parts.tag);
        if (!comment) {
            return "the tag cannot be made";
        }
        if (auto problem = InsertAfterStreamInfo(chain, std::move(comment))) {
            return problem;
        }
    }
    if (parts.block) {
        Block block = MakeBlock(*parts.block);
        if (!block) {
            return "the block cannot be made";
        }
        if (auto problem = CheckLegal(block.get())) {
            return problem;
        }
        if (auto problem = InsertAfterStreamInfo(chain, std::move(block))) {
            return problem;
        }
    }
    FLAC__metadata_chain_sort_padding(chain);
    return std::nullopt;
}

}  // namespace

CueBlock CueBlockOf(const DiscDescription& described) {
    const DiscDescription disc = AsImaged(described);
    const std::vector<TrackLayout> layout = LayOut(disc);
    const bool extras = disc.style.extras == SheetExtras::Everything;
    CueBlock block;
    // The same numbers as the sheet's CATALOG and ISRC lines.
    block.catalog = extras ? "0000000000000" : "";
    for (std::size_t index = 0; index < disc.tracks.size(); ++index) {
        const TrackDescription& track = disc.tracks[index];
        const TrackLayout& place = layout[index];
        const bool unmarked = index == 0 && disc.style.firstTrackGap == FirstTrackGap::Unmarked;
        const Lba first = track.index00 > 0 && !unmarked ? place.index00Start : place.start;
        CueBlockTrack written{static_cast<int>(index) + 1,
                              Frames(first),
                              track.type,
                              extras ? "XXCRV24000" + TwoDigits(index + 1) : "",
                              {}};
        if (first < place.start) {
            written.indexes.push_back({0, 0});
        }
        written.indexes.push_back({1, Frames(place.start - first)});
        for (std::size_t mark = 0; mark < track.indexMarks.size(); ++mark) {
            written.indexes.push_back(
                {static_cast<int>(mark) + 2, Frames(place.start - first + track.indexMarks[mark])});
        }
        block.tracks.push_back(std::move(written));
    }
    block.leadOut = layout.empty() ? 0 : Frames(layout.back().end);
    return block;
}

std::optional<std::string> EmbedInFlac(const std::filesystem::path& flac,
                                       const EmbeddedParts& parts) {
    const std::unique_ptr<FLAC__Metadata_Chain, ChainDeleter> chain(FLAC__metadata_chain_new());
    if (!chain || !FLAC__metadata_chain_read(chain.get(), flac.c_str())) {
        return "Cannot read the FLAC metadata of " + flac.string() + ".";
    }
    if (auto problem = Embed(chain.get(), parts)) {
        return "Cannot embed the cue sheet in " + flac.string() + ": " + *problem + ".";
    }
    if (!FLAC__metadata_chain_write(chain.get(), true, false)) {
        return "Cannot write the FLAC metadata of " + flac.string() + ".";
    }
    return std::nullopt;
}

std::optional<std::string> CheckEmbedding(const DiscDescription& disc) {
    if (disc.embedded == EmbeddedSheet::None) {
        return std::nullopt;
    }
    if (disc.format != AudioFormat::Flac || disc.layout != FileLayout::SingleFile) {
        return "Only a single FLAC file can carry the cue sheet.";
    }
    if (disc.embedded == EmbeddedSheet::Tag) {
        return std::nullopt;
    }
    for (const TrackDescription& track : disc.tracks) {
        const bool raw = track.type == TrackType::Audio || track.dataMode == DataMode::Mode1Raw ||
                         track.dataMode == DataMode::Mode2Raw || track.dataMode == DataMode::CdiRaw;
        if (!raw || track.pregap > 0 || track.postgap > 0) {
            return "A CUESHEET block holds no PREGAP or POSTGAP and only data of 2352 bytes a "
                   "sector.";
        }
    }
    return std::nullopt;
}

}  // namespace corvid::imagegen
