// libFuzzer target for the MusicBrainz answer reader: whatever the bytes, it
// ends, and every release it reads holds the disc and fits the list.

#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "platform/names/MusicBrainzAnswer.h"
#include "tests/fuzz/NamesAnswerChecks.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace corvid::names;
    const QByteArray body(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const MusicBrainzReleases answer = ReadMusicBrainzReleases(body, "disc-id");
    for (const ReleaseNames& release : answer.releases) {
        if (release.mediumCount < 1) {
            std::abort();
        }
        fuzz::CheckRelease(release);
    }
    return 0;
}
