#include "platform/names/MusicBrainzAnswer.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QString>
#include <algorithm>

#include "names/NameText.h"

namespace corvid::names {

namespace {

constexpr qsizetype YEAR_DIGITS = 4;

std::string Text(const QJsonObject& object, const char* key) {
    return object.value(QLatin1String(key)).toString().toStdString();
}

int Number(const QJsonObject& object, const char* key) {
    const QJsonValue value = object.value(QLatin1String(key));
    return value.isDouble() ? value.toInt() : 0;
}

// "Artist & Other feat. Third": each credited name and its join phrase.
std::string CreditText(const QJsonObject& object) {
    std::string credit;
    for (const auto& entry : object.value(QLatin1String("artist-credit")).toArray()) {
        const QJsonObject name = entry.toObject();
        credit += Text(name, "name");
        credit += Text(name, "joinphrase");
    }
    return credit;
}

int YearOf(const QString& date) {
    if (date.size() < YEAR_DIGITS) {
        return 0;
    }
    bool isNumber = false;
    const int year = date.left(YEAR_DIGITS).toInt(&isNumber);
    return isNumber ? year : 0;
}

bool HoldsDisc(const QJsonObject& medium, const QString& discId) {
    const QJsonArray discs = medium.value(QLatin1String("discs")).toArray();
    return std::any_of(discs.begin(), discs.end(), [&discId](const auto& disc) {
        return disc.toObject().value(QLatin1String("id")).toString() == discId;
    });
}

void ReadLabel(const QJsonObject& release, ReleaseNames& names) {
    const QJsonArray labels = release.value(QLatin1String("label-info")).toArray();
    if (labels.isEmpty()) {
        return;
    }
    const QJsonObject first = labels.first().toObject();
    names.catalogueNumber = Text(first, "catalog-number");
    names.label = Text(first.value(QLatin1String("label")).toObject(), "name");
}

std::vector<TrackNames> ReadTracks(const QJsonObject& medium, const std::string& albumArtist) {
    std::vector<TrackNames> tracks;
    for (const auto& value : medium.value(QLatin1String("tracks")).toArray()) {
        const QJsonObject track = value.toObject();
        const QJsonObject recording = track.value(QLatin1String("recording")).toObject();
        TrackNames names;
        names.number = Number(track, "position");
        names.title = Text(track, "title");
        if (names.title.empty()) {
            names.title = Text(recording, "title");
        }
        names.artist = CreditText(track);
        if (names.artist.empty()) {
            names.artist = CreditText(recording);
        }
        if (names.artist.empty()) {
            names.artist = albumArtist;
        }
        tracks.push_back(std::move(names));
    }
    return tracks;
}

std::optional<ReleaseNames> ReadRelease(const QJsonObject& release, const QString& discId) {
    const QJsonArray media = release.value(QLatin1String("media")).toArray();
    for (const auto& value : media) {
        const QJsonObject medium = value.toObject();
        if (!HoldsDisc(medium, discId)) {
            continue;
        }
        ReleaseNames names;
        names.source = NameSource::MusicBrainz;
        names.releaseId = Text(release, "id");
        names.title = Text(release, "title");
        names.artist = CreditText(release);
        names.year = YearOf(release.value(QLatin1String("date")).toString());
        names.country = Text(release, "country");
        names.format = Text(medium, "format");
        ReadLabel(release, names);
        names.mediumPosition = Number(medium, "position");
        names.mediumCount = static_cast<int>(media.size());
        names.tracks = ReadTracks(medium, names.artist);
        SanitizeRelease(names);
        return names;
    }
    return std::nullopt;
}

}  // namespace

MusicBrainzReleases ReadMusicBrainzReleases(const QByteArray& body, const std::string& discId) {
    MusicBrainzReleases result;
    // Qt's JSON reader refuses invalid UTF-8 outright; a name with a bad byte
    // is still worth showing, with the byte replaced.
    const QByteArray text = QString::fromUtf8(body).toUtf8();
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(text, &error);
    if (error.error != QJsonParseError::NoError) {
        result.malformed = "not JSON (" + error.errorString().toStdString() + ")";
        return result;
    }
    if (!document.isObject()) {
        result.malformed = "no list of releases";
        return result;
    }
    // An object of another kind (a CD stub, say) holds no release.
    const QJsonValue releases = document.object().value(QLatin1String("releases"));
    if (releases.isUndefined()) {
        return result;
    }
    if (!releases.isArray()) {
        result.malformed = "no list of releases";
        return result;
    }
    const QString id = QString::fromStdString(discId);
    for (const auto& release : releases.toArray()) {
        if (auto names = ReadRelease(release.toObject(), id)) {
            result.releases.push_back(std::move(*names));
        }
    }
    return result;
}

}  // namespace corvid::names
