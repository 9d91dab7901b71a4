#include "platform/qt/ManualTimerSource.h"

#include <QCoreApplication>
#include <algorithm>

namespace corvid::window::qt {

class ManualTimerSource::Handle final : public RunningTimer {
  public:
    Handle(ManualTimerSource* source, std::uint64_t serial) : source(source), serial(serial) {
        source->handles.push_back(this);
    }
    ~Handle() override {
        if (source != nullptr) {
            source->Stop(serial);
            std::erase(source->handles, this);
        }
    }
    [[nodiscard]] std::uint64_t Serial() const override { return serial; }

    // The source went first; the handle has nothing left to stop.
    void Detach() { source = nullptr; }

  private:
    ManualTimerSource* source;
    std::uint64_t serial;
};

ManualTimerSource::~ManualTimerSource() {
    for (Handle* handle : handles) {
        handle->Detach();
    }
}

std::unique_ptr<RunningTimer> ManualTimerSource::Start(QObject& receiver, int timerId,
                                                       int periodMilliseconds) {
    const std::int64_t period = std::max(periodMilliseconds, 1);
    const std::uint64_t serial = nextSerial++;
    timers.push_back(Entry{&receiver, timerId, serial, period, now + period});
    return std::make_unique<Handle>(this, serial);
}

void ManualTimerSource::Stop(std::uint64_t serial) {
    std::erase_if(timers, [serial](const Entry& entry) { return entry.serial == serial; });
}

ManualTimerSource::Entry* ManualTimerSource::NextDue(std::int64_t until) {
    Entry* next = nullptr;
    for (Entry& entry : timers) {
        if (entry.receiver && entry.due <= until && (next == nullptr || entry.due < next->due)) {
            next = &entry;
        }
    }
    return next;
}

void ManualTimerSource::Advance(int milliseconds) {
    const std::int64_t until = now + std::max(milliseconds, 0);
    while (Entry* next = NextDue(until)) {
        now = std::max(now, next->due);
        next->due += next->period;
        QCoreApplication::postEvent(next->receiver,
                                    new TimerTickEvent(next->timerId, next->serial));
        QCoreApplication::sendPostedEvents();
    }
    now = std::max(now, until);
}

}  // namespace corvid::window::qt
