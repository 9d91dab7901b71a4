#include "platform/cdrom/CdioText.h"

#include <cdio/cdio.h>

#include <string>

namespace corvid::cdrom {
namespace {

std::string Field(const cdtext_t* text, cdtext_field_t field, track_t track) {
    const char* value = cdtext_get_const(text, field, track);
    return value != nullptr ? std::string(value) : std::string();
}

}  // namespace

DiscNames ReadCdText(CdIo_t* cdio, const Toc& toc) {
    DiscNames names;
    // libcdio owns the CD-TEXT it returns and gives its texts as UTF-8.
    const cdtext_t* text = cdio_get_cdtext(cdio);
    if (text == nullptr) {
        return names;
    }
    names.title = Field(text, CDTEXT_FIELD_TITLE, 0);
    names.performer = Field(text, CDTEXT_FIELD_PERFORMER, 0);
    for (const TocTrack& track : toc.tracks) {
        const auto number = static_cast<track_t>(track.number);
        DiscTrackNames trackNames{track.number,
                                  Field(text, CDTEXT_FIELD_TITLE, number),
                                  Field(text, CDTEXT_FIELD_PERFORMER, number),
                                  {}};
        if (!trackNames.title.empty() || !trackNames.performer.empty()) {
            names.tracks.push_back(std::move(trackNames));
        }
    }
    return names;
}

}  // namespace corvid::cdrom
