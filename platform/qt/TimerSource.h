#pragma once

#include <QEvent>
#include <cstdint>
#include <memory>

class QObject;

namespace corvid::window::qt {

// The event a running timer gives its receiver at every tick. The serial
// tells the ticks of a timer from those of an earlier timer with the same id,
// which a source that posts its ticks may still have queued after the stop.
class TimerTickEvent : public QEvent {
  public:
    static constexpr QEvent::Type TYPE = static_cast<QEvent::Type>(QEvent::User + 1);

    TimerTickEvent(int timerId, std::uint64_t serial)
        : QEvent(TYPE), timerId(timerId), serial(serial) {}

    const int timerId;
    const std::uint64_t serial;
};

// A running timer; it stops when destroyed.
class RunningTimer {
  public:
    virtual ~RunningTimer() = default;
    [[nodiscard]] virtual std::uint64_t Serial() const = 0;
};

// Where a dialog's timers come from. Ticks reach the receiver as
// TimerTickEvent from whatever event loop runs on its thread, nested modal
// loops included. Tests replace the real clock with ManualTimerSource.
class TimerSource {
  public:
    virtual ~TimerSource() = default;
    virtual std::unique_ptr<RunningTimer> Start(QObject& receiver, int timerId,
                                                int periodMilliseconds) = 0;
};

// Ticks from QTimer, in real time.
class QtTimerSource final : public TimerSource {
  public:
    std::unique_ptr<RunningTimer> Start(QObject& receiver, int timerId,
                                        int periodMilliseconds) override;

  private:
    std::uint64_t nextSerial = 1;
};

}  // namespace corvid::window::qt
