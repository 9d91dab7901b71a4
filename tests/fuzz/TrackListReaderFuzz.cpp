// libFuzzer target for the .trk reader: whatever the bytes, the list it reads
// holds clean UTF-8 values within their limits, and a list whose rows name
// real tracks is written and read back unchanged.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "cdaudio/DiscTime.h"
#include "tracklist/TextEncoding.h"
#include "tracklist/TrackList.h"
#include "tracklist/TrackListFile.h"

namespace {

using namespace corvid::tracklist;

constexpr int LAST_TRACK = 99;
constexpr std::size_t SUBTRACK_TIME_LENGTH = 8;

class AnyTrackDisc : public DiscFacts {
  public:
    int NumberOfTracks() override { return LAST_TRACK; }
    bool IsAudioTrack(int) override { return true; }
    std::string TrackLengthText(int track) override {
        return corvid::FormatPositionText(track % 100, 1, 2, 0).substr(3);
    }
    std::string DiscLengthText() override { return "99:00:00"; }
};

void Require(bool holds) {
    if (!holds) {
        std::abort();
    }
}

void RequireCleanValue(std::string_view value) {
    Require(IsValidUtf8(value));
    Require(CodePointCount(value) <= MAX_VALUE_CODE_POINTS);
    Require(value.find_first_of(std::string_view("\r\n\0", 3)) == std::string_view::npos);
}

bool NamesRealTracks(const TrackList& list) {
    for (const TrackListRow& row : list.rows) {
        if (row.rowKey < -LAST_TRACK || row.rowKey == 0 || row.rowKey > LAST_TRACK) {
            return false;
        }
    }
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    Require(IsValidUtf8(DecodeLine(bytes)));

    AnyTrackDisc disc;
    const TrackList list = ParseTrackList(bytes, disc);
    RequireCleanValue(list.album);
    RequireCleanValue(list.artist);
    for (const TrackListRow& row : list.rows) {
        RequireCleanValue(row.name);
        RequireCleanValue(row.timeText);
        if (row.rowKey < 0) {
            Require(CodePointCount(row.timeText) == SUBTRACK_TIME_LENGTH);
        }
    }

    const std::string written = FormatTrackList(list);
    if (NamesRealTracks(list)) {
        Require(ParseTrackList(written, disc) == list);
    }
    return 0;
}
