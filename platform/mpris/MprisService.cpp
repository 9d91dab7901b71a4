#include "platform/mpris/MprisService.h"

#include <QDBusMessage>
#include <QStringList>
#include <QThread>
#include <algorithm>

#include "platform/mpris/MprisAdaptors.h"
#include "platform/mpris/MprisValues.h"
#include "ui/PlayerTiming.h"

namespace corvid::mpris {

namespace {

int LoopLevel() {
    return QThread::currentThread()->loopLevel();
}

}  // namespace

std::unique_ptr<MprisService> MprisService::Start(QDBusConnection bus, PlayerLookup findPlayer,
                                                  RaiseCallback raise, PollTiming timing) {
    if (!bus.isConnected()) {
        return nullptr;
    }
    std::unique_ptr<MprisService> service(
        new MprisService(std::move(bus), std::move(findPlayer), std::move(raise), timing));
    service->Poll();
    return service;
}

MprisService::MprisService(QDBusConnection bus, PlayerLookup findPlayer, RaiseCallback raise,
                           PollTiming timing)
    : m_bus(std::move(bus)), m_findPlayer(std::move(findPlayer)), m_raise(std::move(raise)) {
    if (timing == PollTiming::OWN_TIMER) {
        connect(&m_timer, &QTimer::timeout, this, &MprisService::Poll);
        m_timer.start(ui::TIMER_PERIOD_MILLISECONDS);
    }
}

MprisService::~MprisService() {
    Unregister();
}

void MprisService::Poll() {
    ui::CPlayerDlg* player = m_findPlayer ? m_findPlayer() : nullptr;
    if (player == nullptr || !player->IsShown()) {
        Unregister();
        m_player = nullptr;
        return;
    }
    if (player != m_player) {
        Unregister();
        Register(*player);
    }
    if (IsRegistered()) {
        m_windowLoopLevel = std::min(m_windowLoopLevel, LoopLevel());
        TellChanges();
    }
}

ui::PlayerRemote* MprisService::Remote() {
    if (!IsRegistered() || m_player == nullptr || !m_player->IsShown()) {
        return nullptr;
    }
    return &*m_remote;
}

ui::PlayerRemote* MprisService::RemoteForCommand() {
    if (LoopLevel() > m_windowLoopLevel) {
        return nullptr;
    }
    return Remote();
}

void MprisService::Raise() const {
    if (m_raise) {
        m_raise();
    }
}

void MprisService::Register(ui::CPlayerDlg& player) {
    // A refused name is not asked for again while this window lives.
    m_player = &player;
    m_remote.emplace(player);
    auto exported = std::make_unique<QObject>();
    new MprisRootAdaptor(exported.get(), *this);
    m_playerAdaptor = new MprisPlayerAdaptor(exported.get(), *this);
    if (!m_bus.registerObject(QString::fromLatin1(OBJECT_PATH), exported.get())) {
        m_playerAdaptor = nullptr;
        return;
    }
    if (!m_bus.registerService(QString::fromLatin1(SERVICE_NAME))) {
        m_bus.unregisterObject(QString::fromLatin1(OBJECT_PATH));
        m_playerAdaptor = nullptr;
        return;
    }
    m_exported = std::move(exported);
    m_told = m_remote->State();
    m_seekPending = false;
    m_windowLoopLevel = LoopLevel();
}

void MprisService::Unregister() {
    if (!IsRegistered()) {
        return;
    }
    m_bus.unregisterService(QString::fromLatin1(SERVICE_NAME));
    m_bus.unregisterObject(QString::fromLatin1(OBJECT_PATH));
    m_exported.reset();
    m_playerAdaptor = nullptr;
    m_remote.reset();
    m_told.reset();
}

void MprisService::TellChanges() {
    const ui::RemoteState& now = m_remote->State();
    if (now == *m_told && !m_seekPending) {
        return;
    }
    const QVariantMap changed = ChangedProperties(*m_told, now);
    if (!changed.isEmpty()) {
        QDBusMessage signal = QDBusMessage::createSignal(QString::fromLatin1(OBJECT_PATH),
                                                         QString::fromLatin1(PROPERTIES_INTERFACE),
                                                         QStringLiteral("PropertiesChanged"));
        signal << QString::fromLatin1(PLAYER_INTERFACE) << changed << QStringList();
        m_bus.send(signal);
    }
    const bool seekDone = (m_seekPending || m_told->seeking) && !now.seeking;
    m_told = now;
    if (seekDone) {
        m_seekPending = false;
        Q_EMIT m_playerAdaptor->Seeked(static_cast<qlonglong>(m_remote->PositionMicroseconds()));
    }
}

}  // namespace corvid::mpris
