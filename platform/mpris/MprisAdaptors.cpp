#include "platform/mpris/MprisAdaptors.h"

#include "platform/mpris/MprisService.h"
#include "platform/mpris/MprisValues.h"

namespace corvid::mpris {

namespace {

// Runs a command on the shown window's remote, then tells the bus its effect.
template <class Action>
void RunCommand(MprisService& service, Action command) {
    if (ui::PlayerRemote* remote = service.RemoteForCommand()) {
        command(*remote);
    }
    service.Poll();
}

template <class Value, class Reader>
Value ReadState(MprisService& service, Value fallback, Reader read) {
    ui::PlayerRemote* remote = service.Remote();
    return remote == nullptr ? fallback : read(*remote);
}

}  // namespace

MprisRootAdaptor::MprisRootAdaptor(QObject* exported, MprisService& service)
    : QDBusAbstractAdaptor(exported), m_service(service) {}

QString MprisRootAdaptor::Identity() const {
    return QStringLiteral("Corvid Player");
}

QString MprisRootAdaptor::DesktopEntry() const {
    return QStringLiteral("corvid-player");
}

void MprisRootAdaptor::Raise() {
    m_service.Raise();
}

MprisPlayerAdaptor::MprisPlayerAdaptor(QObject* exported, MprisService& service)
    : QDBusAbstractAdaptor(exported), m_service(service) {}

QString MprisPlayerAdaptor::PlaybackStatus() const {
    return ReadState(m_service, StatusText(ui::PlaybackStatus::STOPPED),
                     [](ui::PlayerRemote& remote) { return StatusText(remote.Status()); });
}

QVariantMap MprisPlayerAdaptor::Metadata() const {
    return ReadState(m_service, MetadataOf({std::string(ui::NO_TRACK_ID), "", "", "", 0}),
                     [](ui::PlayerRemote& remote) { return MetadataOf(remote.Track()); });
}

double MprisPlayerAdaptor::Volume() const {
    return ReadState(m_service, 0.0, [](ui::PlayerRemote& remote) { return remote.Volume(); });
}

void MprisPlayerAdaptor::SetVolume(double volume) {
    RunCommand(m_service, [volume](ui::PlayerRemote& remote) { remote.SetVolume(volume); });
}

qlonglong MprisPlayerAdaptor::Position() const {
    return ReadState(m_service, qlonglong{0}, [](ui::PlayerRemote& remote) {
        return static_cast<qlonglong>(remote.PositionMicroseconds());
    });
}

bool MprisPlayerAdaptor::CanGoNext() const {
    return ReadState(m_service, false, [](ui::PlayerRemote& remote) { return remote.CanGoNext(); });
}

bool MprisPlayerAdaptor::CanGoPrevious() const {
    return ReadState(m_service, false,
                     [](ui::PlayerRemote& remote) { return remote.CanGoPrevious(); });
}

bool MprisPlayerAdaptor::CanPlay() const {
    return ReadState(m_service, false, [](ui::PlayerRemote& remote) { return remote.CanPlay(); });
}

bool MprisPlayerAdaptor::CanSeek() const {
    return ReadState(m_service, false, [](ui::PlayerRemote& remote) { return remote.CanSeek(); });
}

void MprisPlayerAdaptor::Next() {
    RunCommand(m_service, [](ui::PlayerRemote& remote) { remote.Next(); });
}

void MprisPlayerAdaptor::Previous() {
    RunCommand(m_service, [](ui::PlayerRemote& remote) { remote.Previous(); });
}

void MprisPlayerAdaptor::Pause() {
    RunCommand(m_service, [](ui::PlayerRemote& remote) { remote.Pause(); });
}

void MprisPlayerAdaptor::PlayPause() {
    RunCommand(m_service, [](ui::PlayerRemote& remote) { remote.PlayPause(); });
}

void MprisPlayerAdaptor::Stop() {
    RunCommand(m_service, [](ui::PlayerRemote& remote) { remote.Stop(); });
}

void MprisPlayerAdaptor::Play() {
    RunCommand(m_service, [](ui::PlayerRemote& remote) { remote.Play(); });
}

void MprisPlayerAdaptor::Seek(qlonglong Offset) {
    m_service.NoteSeek();
    RunCommand(m_service, [Offset](ui::PlayerRemote& remote) { remote.Seek(Offset); });
}

void MprisPlayerAdaptor::SetPosition(const QDBusObjectPath& TrackId, qlonglong Position) {
    m_service.NoteSeek();
    RunCommand(m_service, [&TrackId, Position](ui::PlayerRemote& remote) {
        remote.SetPosition(TrackId.path().toStdString(), Position);
    });
}

}  // namespace corvid::mpris
