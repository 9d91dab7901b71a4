#pragma once

#include <QPointer>
#include <cstdint>
#include <memory>
#include <vector>

#include "platform/qt/TimerSource.h"

namespace corvid::window::qt {

// Timer time that moves only when told. Advance walks through the ticks that
// fall due in time order; each is posted to its receiver and delivered before
// the next one is due, so a handler that stops or starts a timer changes the
// ticks that follow. Advance may be called again from inside a tick's handler
// (from a nested modal loop, say).
class ManualTimerSource final : public TimerSource {
  public:
    ManualTimerSource() = default;
    ManualTimerSource(const ManualTimerSource&) = delete;
    ManualTimerSource& operator=(const ManualTimerSource&) = delete;
    ~ManualTimerSource() override;

    std::unique_ptr<RunningTimer> Start(QObject& receiver, int timerId,
                                        int periodMilliseconds) override;

    void Advance(int milliseconds);
    [[nodiscard]] std::int64_t Now() const { return now; }
    [[nodiscard]] int RunningCount() const { return static_cast<int>(timers.size()); }

  private:
    class Handle;
    struct Entry {
        QPointer<QObject> receiver;
        int timerId = 0;
        std::uint64_t serial = 0;
        std::int64_t period = 0;
        std::int64_t due = 0;
    };

    void Stop(std::uint64_t serial);
    Entry* NextDue(std::int64_t until);

    std::vector<Entry> timers;
    std::vector<Handle*> handles;
    std::int64_t now = 0;
    std::uint64_t nextSerial = 1;
};

}  // namespace corvid::window::qt
