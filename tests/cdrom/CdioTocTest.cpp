#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "platform/cdrom/CdioToc.h"

namespace corvid::cdrom {
namespace {

using Track = DiscLayout::Track;
constexpr TrackKind AUDIO = TrackKind::Audio;
constexpr TrackKind DATA = TrackKind::Data;

struct EndsCase {
    std::string name;
    DiscLayout layout;
    std::vector<Lba> playableEnds;
};

TEST(CdioBuildToc, EndsEachTracksAudioWhereTheDiscSays) {
    const EndsCase cases[] = {
        {"audio only",
         {{{1, 0, AUDIO, {}}, {2, 20000, AUDIO, {}}, {3, 45000, AUDIO, {}}}, 70000, {}},
         {20000, 45000, 70000}},
        {"mixed mode, pregap unknown",
         {{{1, 0, DATA, {}}, {2, 30000, AUDIO, {}}, {3, 50000, AUDIO, {}}}, 60000, {}},
         {30000, 50000, 60000}},
        {"audio then data, pregap known",
         {{{1, 0, AUDIO, {}}, {2, 20000, DATA, 19850}}, 30000, {}},
         {19850, 30000}},
        {"an audio pregap does not end the track before",
         {{{1, 0, AUDIO, {}}, {2, 20000, AUDIO, 19900}}, 30000, {}},
         {20000, 30000}},
        {"enhanced CD: the gap between the sessions",
         {{{1, 0, AUDIO, {}}, {2, 20000, AUDIO, {}}, {3, 60000, DATA, {}}}, 80000, 60000},
         {20000, 60000 - SESSION_GAP_SECTORS, 80000}},
        {"enhanced CD: pregap and session gap, the earlier wins",
         {{{1, 0, AUDIO, {}}, {2, 60000, DATA, 59850}}, 80000, 60000},
         {60000 - SESSION_GAP_SECTORS, 80000}},
        {"one session: the session start is the first track",
         {{{1, 0, AUDIO, {}}, {2, 20000, DATA, {}}}, 30000, 0},
         {20000, 30000}},
        {"a session gap outside the audio track is ignored",
         {{{1, 0, AUDIO, {}}, {2, 5000, DATA, {}}}, 30000, SESSION_GAP_SECTORS},
         {5000, 30000}},
        {"first track numbered above one",
         {{{3, 150, AUDIO, {}}, {4, 9000, AUDIO, {}}}, 12000, {}},
         {9000, 12000}},
    };
    for (const EndsCase& entry : cases) {
        const std::optional<Toc> toc = BuildToc(entry.layout);
        ASSERT_TRUE(toc.has_value()) << entry.name;
        EXPECT_EQ(toc->leadOut, entry.layout.leadOut) << entry.name;
        ASSERT_EQ(toc->tracks.size(), entry.playableEnds.size()) << entry.name;
        for (std::size_t index = 0; index < toc->tracks.size(); ++index) {
            const TocTrack& track = toc->tracks[index];
            EXPECT_EQ(track.number, entry.layout.tracks[index].number) << entry.name;
            EXPECT_EQ(track.start, entry.layout.tracks[index].start) << entry.name;
            EXPECT_EQ(track.kind, entry.layout.tracks[index].kind) << entry.name;
            EXPECT_EQ(track.playableEnd, entry.playableEnds[index])
                << entry.name << ", track " << track.number;
        }
    }
}

TEST(CdioBuildToc, RefusesLayoutsNoDiscHas) {
    const std::pair<std::string, DiscLayout> cases[] = {
        {"no tracks", {{}, 1000, {}}},
        {"track 0", {{{0, 0, AUDIO, {}}}, 1000, {}}},
        {"track 100", {{{99, 0, AUDIO, {}}, {100, 500, AUDIO, {}}}, 1000, {}}},
        {"numbers skip", {{{1, 0, AUDIO, {}}, {3, 500, AUDIO, {}}}, 1000, {}}},
        {"starts go back", {{{1, 500, AUDIO, {}}, {2, 400, AUDIO, {}}}, 1000, {}}},
        {"two tracks at one start", {{{1, 0, AUDIO, {}}, {2, 0, AUDIO, {}}}, 1000, {}}},
        {"negative start", {{{1, -10, AUDIO, {}}}, 1000, {}}},
        {"lead-out at the last start", {{{1, 0, AUDIO, {}}, {2, 1000, AUDIO, {}}}, 1000, {}}},
    };
    for (const auto& [name, layout] : cases) {
        EXPECT_FALSE(BuildToc(layout).has_value()) << name;
    }
}

}  // namespace
}  // namespace corvid::cdrom
