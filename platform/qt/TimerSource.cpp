#include "platform/qt/TimerSource.h"

#include <QCoreApplication>
#include <QPointer>
#include <QTimer>

namespace corvid::window::qt {

namespace {

class QtRunningTimer final : public RunningTimer {
  public:
    QtRunningTimer(QObject& receiver, int timerId, int periodMilliseconds, std::uint64_t serial)
        : serial(serial) {
        QPointer<QObject> target(&receiver);
        QObject::connect(&timer, &QTimer::timeout, &timer, [target, timerId, serial] {
            if (target) {
                QCoreApplication::postEvent(target, new TimerTickEvent(timerId, serial));
            }
        });
        timer.start(periodMilliseconds);
    }

    [[nodiscard]] std::uint64_t Serial() const override { return serial; }

  private:
    QTimer timer;
    std::uint64_t serial;
};

}  // namespace

std::unique_ptr<RunningTimer> QtTimerSource::Start(QObject& receiver, int timerId,
                                                   int periodMilliseconds) {
    return std::make_unique<QtRunningTimer>(receiver, timerId, periodMilliseconds, nextSerial++);
}

}  // namespace corvid::window::qt
