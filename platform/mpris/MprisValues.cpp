#include "platform/mpris/MprisValues.h"

#include <QDBusObjectPath>
#include <QStringList>

namespace corvid::mpris {

QString StatusText(ui::PlaybackStatus status) {
    switch (status) {
        case ui::PlaybackStatus::PLAYING:
            return QStringLiteral("Playing");
        case ui::PlaybackStatus::PAUSED:
            return QStringLiteral("Paused");
        case ui::PlaybackStatus::STOPPED:
            return QStringLiteral("Stopped");
    }
    return QStringLiteral("Stopped");
}

QVariantMap MetadataOf(const ui::RemoteTrack& track) {
    QVariantMap metadata;
    metadata.insert(QStringLiteral("mpris:trackid"),
                    QVariant::fromValue(QDBusObjectPath(QString::fromStdString(track.trackId))));
    if (track.trackId == ui::NO_TRACK_ID) {
        return metadata;
    }
    metadata.insert(QStringLiteral("mpris:length"),
                    QVariant::fromValue(static_cast<qlonglong>(track.lengthMicroseconds)));
    metadata.insert(QStringLiteral("xesam:title"), QString::fromStdString(track.title));
    metadata.insert(QStringLiteral("xesam:album"), QString::fromStdString(track.album));
    metadata.insert(QStringLiteral("xesam:artist"),
                    QStringList{QString::fromStdString(track.artist)});
    return metadata;
}

QVariantMap ChangedProperties(const ui::RemoteState& before, const ui::RemoteState& now) {
    QVariantMap changed;
    if (before.status != now.status) {
        changed.insert(QStringLiteral("PlaybackStatus"), StatusText(now.status));
    }
    if (before.track != now.track) {
        changed.insert(QStringLiteral("Metadata"), MetadataOf(now.track));
    }
    if (before.volume != now.volume) {
        changed.insert(QStringLiteral("Volume"), now.volume);
    }
    const struct {
        const char* name;
        bool ui::RemoteState::*flag;
    } flags[] = {
        {"CanPlay", &ui::RemoteState::canPlay},
        {"CanPause", &ui::RemoteState::canPause},
        {"CanGoNext", &ui::RemoteState::canGoNext},
        {"CanGoPrevious", &ui::RemoteState::canGoPrevious},
        {"CanSeek", &ui::RemoteState::canSeek},
    };
    for (const auto& entry : flags) {
        if (before.*entry.flag != now.*entry.flag) {
            changed.insert(QString::fromLatin1(entry.name), now.*entry.flag);
        }
    }
    return changed;
}

}  // namespace corvid::mpris
