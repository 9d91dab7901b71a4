#pragma once

#include <QString>
#include <QVariantMap>

#include "ui/PlayerRemote.h"

namespace corvid::mpris {

inline constexpr const char* SERVICE_NAME = "org.mpris.MediaPlayer2.corvidplayer";
inline constexpr const char* OBJECT_PATH = "/org/mpris/MediaPlayer2";
inline constexpr const char* ROOT_INTERFACE = "org.mpris.MediaPlayer2";
inline constexpr const char* PLAYER_INTERFACE = "org.mpris.MediaPlayer2.Player";
inline constexpr const char* PROPERTIES_INTERFACE = "org.freedesktop.DBus.Properties";

// "Playing", "Paused" or "Stopped".
QString StatusText(ui::PlaybackStatus status);
// The Metadata map, each entry in the D-Bus type that MPRIS gives it.
QVariantMap MetadataOf(const ui::RemoteTrack& track);
// The player's properties whose values differ between the two states, by
// their D-Bus names.
QVariantMap ChangedProperties(const ui::RemoteState& before, const ui::RemoteState& now);

}  // namespace corvid::mpris
