#include "platform/qt/TimerSource.h"

#include <QAbstractEventDispatcher>
#include <QCoreApplication>
#include <QPointer>
#include <QTimerEvent>

namespace corvid::window::qt {

namespace {

// A Qt timer that hands each tick straight to its receiver, in the same
// wake-up, rather than posting it for a second round of the event loop.
//
// Qt does not fire a timer again while its own tick is being handled, so
// when the receiver opens a nested loop from a tick (a question box), the
// timer is started anew under another id as that loop waits, and the ticks
// go on. The receiver may also stop the timer from a tick: the object then
// outlives the tick and goes once the loop is back.
class TickTimer final : public QObject {
  public:
    TickTimer(QObject& receiver, int timerId, int periodMilliseconds, std::uint64_t serial)
        : receiver(&receiver),
          timerId(timerId),
          periodMilliseconds(periodMilliseconds),
          serial(serial),
          qtTimerId(startTimer(periodMilliseconds)) {
        if (QAbstractEventDispatcher* dispatcher = QAbstractEventDispatcher::instance()) {
            connect(dispatcher, &QAbstractEventDispatcher::aboutToBlock, this,
                    [this] { OnLoopAboutToWait(); });
        }
    }

    // Stops the ticks; the object goes now, or after the tick it is in.
    void Release() {
        killTimer(qtTimerId);
        qtTimerId = 0;
        if (deliveries == 0) {
            delete this;
            return;
        }
        released = true;
    }

  protected:
    void timerEvent(QTimerEvent* event) override {
        if (released || event->timerId() != qtTimerId || receiver.isNull()) {
            return;
        }
        const int outerFiring = firingQtTimerId;
        firingQtTimerId = qtTimerId;
        ++deliveries;
        TimerTickEvent tick(timerId, serial);
        QCoreApplication::sendEvent(receiver, &tick);
        --deliveries;
        firingQtTimerId = outerFiring;
        if (released && deliveries == 0) {
            deleteLater();
        }
    }

  private:
    void OnLoopAboutToWait() {
        // Only a loop nested in a tick of the running Qt timer waits here
        // while that tick is on the stack.
        if (released || deliveries == 0 || firingQtTimerId != qtTimerId) {
            return;
        }
        killTimer(qtTimerId);
        qtTimerId = startTimer(periodMilliseconds);
    }

    QPointer<QObject> receiver;
    const int timerId;
    const int periodMilliseconds;
    const std::uint64_t serial;
    int qtTimerId;
    int firingQtTimerId = 0;
    int deliveries = 0;
    bool released = false;
};

class QtRunningTimer final : public RunningTimer {
  public:
    QtRunningTimer(QObject& receiver, int timerId, int periodMilliseconds, std::uint64_t serial)
        : timer(new TickTimer(receiver, timerId, periodMilliseconds, serial)), serial(serial) {}
    QtRunningTimer(const QtRunningTimer&) = delete;
    QtRunningTimer& operator=(const QtRunningTimer&) = delete;
    ~QtRunningTimer() override { timer->Release(); }

    [[nodiscard]] std::uint64_t Serial() const override { return serial; }

  private:
    TickTimer* timer;
    std::uint64_t serial;
};

}  // namespace

std::unique_ptr<RunningTimer> QtTimerSource::Start(QObject& receiver, int timerId,
                                                   int periodMilliseconds) {
    return std::make_unique<QtRunningTimer>(receiver, timerId, periodMilliseconds, nextSerial++);
}

}  // namespace corvid::window::qt
