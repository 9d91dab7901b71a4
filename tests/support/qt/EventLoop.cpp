#include "tests/support/qt/EventLoop.h"

#include <QCoreApplication>
#include <QDeadlineTimer>

namespace corvid::testing {

namespace {

// The longest that one round of the loop waits for an event.
constexpr int EVENT_WAIT_MILLISECONDS = 100;

}  // namespace

bool PumpUntil(const std::function<bool()>& condition, std::chrono::milliseconds failsafe) {
    const QDeadlineTimer deadline(failsafe);
    while (!condition()) {
        if (deadline.hasExpired()) {
            return false;
        }
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, EVENT_WAIT_MILLISECONDS);
    }
    return true;
}

}  // namespace corvid::testing
