#include "tests/mpris/PrivateBus.h"

#include <signal.h>

#include <QProcessEnvironment>

namespace corvid::mpris::testing {

PrivateBus::PrivateBus() {
    m_daemon.start(QStringLiteral("dbus-daemon"),
                   {QStringLiteral("--session"), QStringLiteral("--print-address"),
                    QStringLiteral("--nofork")});
    if (!m_daemon.waitForStarted(static_cast<int>(FAILSAFE.count()))) {
        return;
    }
    while (!m_daemon.canReadLine()) {
        if (!m_daemon.waitForReadyRead(static_cast<int>(FAILSAFE.count()))) {
            return;
        }
    }
    m_address = QString::fromUtf8(m_daemon.readLine()).trimmed();
}

PrivateBus::~PrivateBus() {
    if (m_daemon.state() == QProcess::NotRunning) {
        return;
    }
    ::kill(static_cast<pid_t>(m_daemon.processId()), SIGTERM);
    m_daemon.waitForFinished(static_cast<int>(FAILSAFE.count()));
}

ClientResult RunClient(const QString& busAddress, const QString& program,
                       const QStringList& arguments) {
    QProcess client;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), busAddress);
    client.setProcessEnvironment(environment);
    client.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    client.start(program, arguments);
    ClientResult result;
    if (!client.waitForStarted(static_cast<int>(FAILSAFE.count()))) {
        return result;
    }
    result.finished = PumpUntil([&client] { return client.state() == QProcess::NotRunning; });
    if (!result.finished) {
        client.kill();
        client.waitForFinished(static_cast<int>(FAILSAFE.count()));
        return result;
    }
    result.exitCode = client.exitStatus() == QProcess::NormalExit ? client.exitCode() : -1;
    result.output = QString::fromUtf8(client.readAllStandardOutput()).trimmed();
    return result;
}

}  // namespace corvid::mpris::testing
