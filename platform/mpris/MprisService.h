#pragma once

#include <QDBusConnection>
#include <QObject>
#include <QTimer>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>

#include "ui/PlayerDlg.h"
#include "ui/PlayerRemote.h"

namespace corvid::mpris {

class MprisPlayerAdaptor;

// The player window while it is shown, or null.
using PlayerLookup = std::function<ui::CPlayerDlg*()>;
// Brings the player's window to the front.
using RaiseCallback = std::function<void()>;

// Who calls Poll five times a second: the service's own timer, or the
// program at each of the window's ticks, which saves a timer.
enum class PollTiming : std::uint8_t { OWN_TIMER, CALLER };

// The MPRIS2 service of the player window on a bus. It looks for the window
// at every poll: once the window is shown it takes the name
// org.mpris.MediaPlayer2.corvidplayer and the object /org/mpris/MediaPlayer2,
// and gives both up when the window goes. On each tick, and after each
// command, it compares the player's state with the one last told and sends
// PropertiesChanged for what differs, and Seeked once a seek is done.
// While a modal box of the window is open its controls take no clicks, so
// commands arriving in such a nested event loop are refused as well.
// Everything runs on the thread of the window and of the Qt event loop.
class MprisService : public QObject {
    Q_OBJECT

  public:
    // None when the bus is not connected, and nothing is said.
    static std::unique_ptr<MprisService> Start(QDBusConnection bus, PlayerLookup findPlayer,
                                               RaiseCallback raise,
                                               PollTiming timing = PollTiming::OWN_TIMER);
    ~MprisService() override;
    MprisService(const MprisService&) = delete;
    MprisService& operator=(const MprisService&) = delete;
    MprisService(MprisService&&) = delete;
    MprisService& operator=(MprisService&&) = delete;

    // Finds the window and tells the bus what changed since the last time.
    void Poll();
    [[nodiscard]] bool IsRegistered() const { return m_exported != nullptr; }

    // For the adaptors: the shown window's remote, or null.
    [[nodiscard]] ui::PlayerRemote* Remote();
    // The same, but null also while a modal box keeps the window's controls
    // from acting.
    [[nodiscard]] ui::PlayerRemote* RemoteForCommand();
    void Raise() const;
    // Seeked follows once the window has sent the seek's play.
    void NoteSeek() { m_seekPending = true; }

  private:
    MprisService(QDBusConnection bus, PlayerLookup findPlayer, RaiseCallback raise,
                 PollTiming timing);
    void Register(ui::CPlayerDlg& player);
    void Unregister();
    void TellChanges();

    QDBusConnection m_bus;
    PlayerLookup m_findPlayer;
    RaiseCallback m_raise;
    QTimer m_timer;
    ui::CPlayerDlg* m_player = nullptr;
    std::optional<ui::PlayerRemote> m_remote;
    std::unique_ptr<QObject> m_exported;
    MprisPlayerAdaptor* m_playerAdaptor = nullptr;
    std::optional<ui::RemoteState> m_told;
    bool m_seekPending = false;
    // The least event loop depth seen while the window is shown: its own loop.
    int m_windowLoopLevel = 0;
};

}  // namespace corvid::mpris
