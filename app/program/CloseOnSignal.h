#pragma once

#include <QObject>
#include <QSocketNotifier>
#include <QTimer>
#include <array>
#include <csignal>
#include <functional>

#include "tracklist/FileDescriptor.h"

namespace corvid::app {

// What a close attempt did: closed the player's own window, or has to try
// again (a box waits for the user, or no window is up yet).
enum class CloseAttempt : std::uint8_t { Closed, TryAgain };

// Turns SIGTERM, SIGINT and SIGHUP into a close of the window, as its close
// box would, so that a logout or a kill saves the track list like any other
// close. The handler only writes a byte to a pipe; the close runs in the
// event loop. After the first signal the default handling is back, so a
// second one ends the program at once.
class CloseOnSignal final : public QObject {
  public:
    using CloseFunction = std::function<CloseAttempt()>;

    // Only one may live at a time: a signal handler has no object.
    explicit CloseOnSignal(CloseFunction close);
    ~CloseOnSignal() override;
    CloseOnSignal(const CloseOnSignal&) = delete;
    CloseOnSignal& operator=(const CloseOnSignal&) = delete;
    CloseOnSignal(CloseOnSignal&&) = delete;
    CloseOnSignal& operator=(CloseOnSignal&&) = delete;

    [[nodiscard]] bool IsListening() const { return m_notifier != nullptr; }

  private:
    void OnSignalled();
    void Attempt();
    void RestoreHandlers();

    CloseFunction m_close;
    tracklist::FileDescriptor m_read;
    tracklist::FileDescriptor m_write;
    QSocketNotifier* m_notifier = nullptr;
    QTimer m_retry;
    std::array<struct sigaction, 3> m_saved{};
    bool m_handlersSet = false;
};

}  // namespace corvid::app
