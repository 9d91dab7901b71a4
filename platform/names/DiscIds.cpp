#include "platform/names/DiscIds.h"

#include <discid/discid.h>

#include <array>
#include <memory>

namespace corvid::names {

namespace {

struct DiscIdDeleter {
    void operator()(DiscId* disc) const { discid_free(disc); }
};
using DiscIdPtr = std::unique_ptr<DiscId, DiscIdDeleter>;

// libdiscid's offsets: [0] the lead-out, [n] track n, in frames from the start
// of the lead-in.
constexpr std::size_t OFFSET_SLOTS = 100;

DiscIdPtr Put(const DiscToc& toc) {
    DiscIdPtr disc(discid_new());
    if (!disc) {
        return nullptr;
    }
    std::array<int, OFFSET_SLOTS> offsets{};
    offsets[0] = toc.leadOut + LEAD_IN_SECTORS;
    for (const DiscTrack& track : toc.tracks) {
        offsets[static_cast<std::size_t>(track.number)] = track.start + LEAD_IN_SECTORS;
    }
    if (discid_put(disc.get(), toc.tracks.front().number, toc.tracks.back().number,
                   offsets.data()) == 0) {
        return nullptr;
    }
    return disc;
}

}  // namespace

std::optional<DiscIds> ComputeDiscIds(const DiscToc& toc) {
    if (CheckToc(toc)) {
        return std::nullopt;
    }
    const DiscIdPtr audioSession = Put(MusicBrainzToc(toc));
    const DiscIdPtr wholeDisc = Put(toc);
    if (!audioSession || !wholeDisc) {
        return std::nullopt;
    }
    DiscIds ids;
    ids.musicBrainzId = discid_get_id(audioSession.get());
    ids.tocString = discid_get_toc_string(audioSession.get());
    ids.freedbId = discid_get_freedb_id(wholeDisc.get());
    return ids;
}

}  // namespace corvid::names
