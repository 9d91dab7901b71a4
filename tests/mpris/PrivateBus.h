#pragma once

#include <QProcess>
#include <QString>
#include <QStringList>
#include <chrono>
#include <functional>

#include "tests/support/qt/EventLoop.h"

namespace corvid::mpris::testing {

// A session bus of the test's own: a dbus-daemon started at construction and
// stopped by its process id at destruction.
class PrivateBus {
  public:
    PrivateBus();
    ~PrivateBus();
    PrivateBus(const PrivateBus&) = delete;
    PrivateBus& operator=(const PrivateBus&) = delete;
    PrivateBus(PrivateBus&&) = delete;
    PrivateBus& operator=(PrivateBus&&) = delete;

    // Empty when the daemon did not start.
    [[nodiscard]] const QString& Address() const { return m_address; }

  private:
    QProcess m_daemon;
    QString m_address;
};

inline constexpr std::chrono::milliseconds FAILSAFE = corvid::testing::EVENT_LOOP_FAILSAFE;
using corvid::testing::PumpUntil;

struct ClientResult {
    bool finished = false;
    int exitCode = -1;
    QString output;
};

// Runs a client of the bus to its end, handling the Qt events meanwhile so
// that the service in this process answers it.
ClientResult RunClient(const QString& busAddress, const QString& program,
                       const QStringList& arguments);

}  // namespace corvid::mpris::testing
