// libFuzzer target for the CDDB answer parser: the first byte picks the
// disc's track count, the rest is the server's answer. Whatever the bytes,
// the parser ends, and what it reads fits the list.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "names/CddbAnswer.h"
#include "tests/fuzz/NamesAnswerChecks.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace corvid::names;
    if (size == 0) {
        return 0;
    }
    const int trackCount = data[0] % MAX_TRACK_NUMBER + 1;
    const std::string_view body(reinterpret_cast<const char*>(data + 1), size - 1);

    for (const CddbMatch& match : ParseCddbQuery(body).matches) {
        fuzz::CheckText(match.category);
        fuzz::CheckText(match.discId);
        fuzz::CheckText(match.title);
    }

    DiscToc toc;
    for (int number = 1; number <= trackCount; ++number) {
        toc.tracks.push_back(DiscTrack{number, (number - 1) * 1'000, TrackKind::Audio});
    }
    toc.leadOut = trackCount * 1'000;
    const CddbReadAnswer read = ParseCddbRead(body, toc);
    if (read.kind == CddbAnswerKind::Found &&
        read.release.tracks.size() != static_cast<std::size_t>(trackCount)) {
        std::abort();
    }
    fuzz::CheckRelease(read.release);
    return 0;
}
