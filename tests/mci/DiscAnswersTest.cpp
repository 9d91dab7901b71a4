#include "platform/mci/DiscAnswers.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/FakeDrive.h"

namespace corvid::mci {
namespace {

using cdrom::Lba;
using cdrom::TrackKind;
using testing::FakeTrack;
using testing::MakeToc;

// Tracks at LBA 0, 20000 and 45000, the lead-out at 70000.
cdrom::Toc ThreeTracks() {
    return MakeToc({{20000}, {25000}, {25000}});
}

std::optional<PositionValue> PositionOf(const std::string& text) {
    const std::optional<Command> command = ParseCommand("play cdaudio from " + text);
    if (!command) {
        return std::nullopt;
    }
    return std::get<PlayCommand>(*command).from;
}

TEST(DiscIdentity, MatchesTheWindowsFigures) {
    EXPECT_EQ(DiscIdentity(ThreeTracks()), 925746U);
    EXPECT_EQ(DiscIdentity(MakeToc({{20000}, {50000}})), 339874U);
}

TEST(DiscIdentity, CountsDataTracks) {
    const cdrom::Toc audio = ThreeTracks();
    const cdrom::Toc mixed = MakeToc({{20000}, {25000, TrackKind::Data}, {25000}});
    EXPECT_EQ(DiscIdentity(mixed), DiscIdentity(audio));
}

TEST(DiscIdentity, OfOneTrackAddsTheDiscLength) {
    // Track 1 at 00:02:00 packs as 2 << 8; the frames field of 00:02:00 is 0.
    EXPECT_EQ(DiscIdentity(MakeToc({{1000}})), (2U << 8) + 1000U);
}

struct TextCase {
    Lba sector;
    TimeFormat format;
    std::string expected;
};

TEST(PositionText, FollowsTheTimeFormat) {
    const cdrom::Toc toc = ThreeTracks();
    const TextCase cases[] = {
        {0, TimeFormat::Tmsf, "01:00:00:00"},
        {0, TimeFormat::Msf, "00:02:00"},
        {0, TimeFormat::Milliseconds, "2001"},
        {24576, TimeFormat::Tmsf, "02:01:01:01"},
        {24576, TimeFormat::Msf, "05:29:51"},
        {24576, TimeFormat::Milliseconds, "329681"},
        {19999, TimeFormat::Tmsf, "01:04:26:49"},
        // After a play to the end the position is the lead-out: still the last track.
        {70000, TimeFormat::Tmsf, "03:05:33:25"},
    };
    for (const TextCase& test : cases) {
        EXPECT_EQ(PositionText(toc, test.sector, test.format), test.expected)
            << "sector " << test.sector;
    }
}

TEST(TrackStartText, InTmsfIsTheTrackNumberAlone) {
    const cdrom::Toc toc = ThreeTracks();
    EXPECT_EQ(TrackStartText(toc.tracks[1], TimeFormat::Tmsf), "02:00:00:00");
    EXPECT_EQ(TrackStartText(toc.tracks[1], TimeFormat::Msf), "04:28:50");
    EXPECT_EQ(TrackStartText(toc.tracks[1], TimeFormat::Milliseconds), "268667");
    EXPECT_EQ(TrackStartText(toc.tracks[0], TimeFormat::Milliseconds), "2001");
}

TEST(LengthText, OfTheDiscAndItsLastTrackIsOneFrameShort) {
    const cdrom::Toc toc = ThreeTracks();
    EXPECT_EQ(DiscLengthText(toc, TimeFormat::Tmsf), "15:33:24");
    EXPECT_EQ(DiscLengthText(toc, TimeFormat::Msf), "15:33:24");
    EXPECT_EQ(DiscLengthText(toc, TimeFormat::Milliseconds), "933320");
    EXPECT_EQ(TrackLengthText(toc, toc.tracks[0], TimeFormat::Tmsf), "04:26:50");
    EXPECT_EQ(TrackLengthText(toc, toc.tracks[0], TimeFormat::Milliseconds), "266666");
    EXPECT_EQ(TrackLengthText(toc, toc.tracks[2], TimeFormat::Msf), "05:33:24");
}

TEST(TrackHolding, GivesAPregapToTheTrackBefore) {
    cdrom::Toc toc = MakeToc({{20000}, {25000, TrackKind::Data}, {25000}});
    toc.tracks[0].playableEnd = 19850;  // a pregap before the data track
    EXPECT_EQ(TrackHolding(toc, 19900).number, 1);
    EXPECT_EQ(TrackHolding(toc, 20000).number, 2);
    EXPECT_EQ(TrackHolding(toc, 70000).number, 3);
}

struct ResolveCase {
    TimeFormat format;
    std::string text;
    std::optional<Lba> expected;
};

TEST(ResolvePosition, KeepsInsideItsTrackAndTheDisc) {
    const cdrom::Toc toc = ThreeTracks();
    const ResolveCase cases[] = {
        {TimeFormat::Tmsf, "1", 0},
        {TimeFormat::Tmsf, "2", 20000},
        {TimeFormat::Tmsf, "02:01:01:01", 24576},
        {TimeFormat::Tmsf, "01:04:26:49", 19999},
        {TimeFormat::Tmsf, "01:04:26:50", std::nullopt},  // past the end of track 1
        {TimeFormat::Tmsf, "03:05:33:24", 69999},
        {TimeFormat::Tmsf, "03:05:33:25", std::nullopt},  // the lead-out
        {TimeFormat::Tmsf, "0", std::nullopt},
        {TimeFormat::Tmsf, "4", std::nullopt},
        {TimeFormat::Tmsf, "4294967295", std::nullopt},
        {TimeFormat::Tmsf, "01:00:60:00", std::nullopt},
        {TimeFormat::Tmsf, "01:00:00:75", std::nullopt},
        {TimeFormat::Msf, "00:02:00", 0},
        {TimeFormat::Msf, "00:01:74", std::nullopt},  // the lead-in
        {TimeFormat::Msf, "5", 22350},
        {TimeFormat::Msf, "15:35:24", 69999},
        {TimeFormat::Msf, "15:35:25", std::nullopt},
        {TimeFormat::Msf, "01:02:03:04", std::nullopt},
        {TimeFormat::Msf, "00:60:00", std::nullopt},
        {TimeFormat::Milliseconds, "2000", 0},
        {TimeFormat::Milliseconds, "1999", std::nullopt},
        {TimeFormat::Milliseconds, "935333", 69999},
        {TimeFormat::Milliseconds, "935334", std::nullopt},
        {TimeFormat::Milliseconds, "1:2", std::nullopt},
    };
    for (const ResolveCase& test : cases) {
        const std::optional<PositionValue> position = PositionOf(test.text);
        ASSERT_TRUE(position.has_value()) << test.text;
        EXPECT_EQ(ResolvePosition(toc, *position, test.format), test.expected) << test.text;
    }
}

TEST(ResolvePosition, ReadsBackEveryPositionText) {
    const cdrom::Toc toc = ThreeTracks();
    for (const TimeFormat format : {TimeFormat::Tmsf, TimeFormat::Msf, TimeFormat::Milliseconds}) {
        for (const Lba sector : {0, 1, 2, 74, 75, 19999, 20000, 44999, 45001, 69999}) {
            const std::string text = PositionText(toc, sector, format);
            const std::optional<PositionValue> position = PositionOf(text);
            ASSERT_TRUE(position.has_value()) << text;
            EXPECT_EQ(ResolvePosition(toc, *position, format), sector) << text;
        }
    }
}

}  // namespace
}  // namespace corvid::mci
