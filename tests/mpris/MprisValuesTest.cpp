// What the service puts on the bus for a state of the player.
#include "platform/mpris/MprisValues.h"

#include <gtest/gtest.h>

#include <QDBusObjectPath>
#include <QStringList>

namespace corvid::mpris::testing {
namespace {

ui::RemoteState PlayingState() {
    ui::RemoteState state;
    state.status = ui::PlaybackStatus::PLAYING;
    state.track = {"/org/corvidplayer/row/track_2", "Album", "Artist", "Two", 15'000'000};
    state.volume = 0.5;
    state.canPlay = state.canPause = state.canGoNext = state.canGoPrevious = state.canSeek = true;
    return state;
}

TEST(MprisValues, MetadataCarriesEachEntryInItsMprisType) {
    const QVariantMap metadata = MetadataOf(PlayingState().track);
    EXPECT_EQ(metadata.value(QStringLiteral("mpris:trackid")).value<QDBusObjectPath>().path(),
              QStringLiteral("/org/corvidplayer/row/track_2"));
    EXPECT_EQ(metadata.value(QStringLiteral("mpris:length")).userType(), QMetaType::LongLong);
    EXPECT_EQ(metadata.value(QStringLiteral("mpris:length")).toLongLong(), 15'000'000);
    EXPECT_EQ(metadata.value(QStringLiteral("xesam:artist")).toStringList(),
              QStringList{QStringLiteral("Artist")});
    EXPECT_EQ(metadata.value(QStringLiteral("xesam:title")).toString(), QStringLiteral("Two"));
}

TEST(MprisValues, WithoutARowTheMetadataHoldsOnlyTheNoTrackId) {
    const QVariantMap metadata = MetadataOf({std::string(ui::NO_TRACK_ID), "", "", "", 0});
    EXPECT_EQ(metadata.keys(), QStringList{QStringLiteral("mpris:trackid")});
}

TEST(MprisValues, OnlyThePropertiesThatDifferAreToldAsChanged) {
    const ui::RemoteState before = PlayingState();
    const struct {
        const char* property;
        void (*change)(ui::RemoteState&);
    } cases[] = {
        {"PlaybackStatus", [](ui::RemoteState& s) { s.status = ui::PlaybackStatus::PAUSED; }},
        {"Metadata", [](ui::RemoteState& s) { s.track.title = "Two — Intro"; }},
        {"Volume", [](ui::RemoteState& s) { s.volume = 0.25; }},
        {"CanGoNext", [](ui::RemoteState& s) { s.canGoNext = false; }},
        {"CanSeek", [](ui::RemoteState& s) { s.canSeek = false; }},
    };
    for (const auto& example : cases) {
        SCOPED_TRACE(example.property);
        ui::RemoteState now = before;
        example.change(now);
        EXPECT_EQ(ChangedProperties(before, now).keys(),
                  QStringList{QString::fromLatin1(example.property)});
    }
    ui::RemoteState seeking = before;
    seeking.seeking = true;
    EXPECT_TRUE(ChangedProperties(before, seeking).isEmpty());
    EXPECT_EQ(ChangedProperties(before, before).size(), 0);
}

}  // namespace
}  // namespace corvid::mpris::testing
