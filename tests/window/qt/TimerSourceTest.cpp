#include "platform/qt/TimerSource.h"

#include <gtest/gtest.h>

#include <QEventLoop>
#include <QTimer>
#include <functional>
#include <memory>
#include <vector>

#include "tests/support/qt/EventLoop.h"

// The real clock, at its shortest period: each test runs the event loop
// until the ticks it waits for have come, with a failsafe against a hang.
namespace corvid::window::qt {
namespace {

constexpr int PERIOD_MILLISECONDS = 1;

// Counts the ticks it gets and runs `onTick` for each.
class TickReceiver final : public QObject {
  public:
    bool event(QEvent* event) override {
        if (event->type() != TimerTickEvent::TYPE) {
            return QObject::event(event);
        }
        const auto& tick = static_cast<const TimerTickEvent&>(*event);
        timerIds.push_back(tick.timerId);
        if (onTick) {
            onTick(tick);
        }
        return true;
    }

    std::vector<int> timerIds;
    std::function<void(const TimerTickEvent&)> onTick;
};

TEST(QtTimerSource, GivesItsReceiverTicksNamedByTheTimerAndItsSerial) {
    QtTimerSource source;
    TickReceiver receiver;
    std::vector<std::uint64_t> serials;
    receiver.onTick = [&serials](const TimerTickEvent& tick) { serials.push_back(tick.serial); };
    const std::unique_ptr<RunningTimer> timer = source.Start(receiver, 7, PERIOD_MILLISECONDS);

    ASSERT_TRUE(testing::PumpUntil([&] { return receiver.timerIds.size() >= 3; }));
    EXPECT_EQ(receiver.timerIds, std::vector<int>(receiver.timerIds.size(), 7));
    EXPECT_EQ(serials, std::vector<std::uint64_t>(serials.size(), timer->Serial()));
}

TEST(QtTimerSource, TicksGoOnInALoopOpenedFromATick) {
    QtTimerSource source;
    TickReceiver receiver;
    QEventLoop question;
    int ticksDuringQuestion = -1;
    receiver.onTick = [&](const TimerTickEvent&) {
        const std::size_t ticks = receiver.timerIds.size();
        if (ticks == 1) {
            // As a question box asked from a tick: its loop waits for three
            // more ticks, or for the failsafe when they stop.
            QTimer failsafe;
            failsafe.setSingleShot(true);
            QObject::connect(&failsafe, &QTimer::timeout, &question, &QEventLoop::quit);
            failsafe.start(testing::EVENT_LOOP_FAILSAFE);
            question.exec();
            ticksDuringQuestion = static_cast<int>(receiver.timerIds.size() - ticks);
        } else if (ticks == 4) {
            question.quit();
        }
    };
    const std::unique_ptr<RunningTimer> timer = source.Start(receiver, 1, PERIOD_MILLISECONDS);

    ASSERT_TRUE(testing::PumpUntil([&] { return ticksDuringQuestion >= 0; }));
    EXPECT_GE(ticksDuringQuestion, 3) << "the ticks stopped while the nested loop ran";
    // Once the question is gone, the ticks still come.
    const std::size_t after = receiver.timerIds.size();
    EXPECT_TRUE(testing::PumpUntil([&] { return receiver.timerIds.size() >= after + 3; }));
}

TEST(QtTimerSource, ATimerStoppedFromItsOwnTickGivesNoMoreTicks) {
    QtTimerSource source;
    TickReceiver receiver;
    std::unique_ptr<RunningTimer> timer = source.Start(receiver, 2, PERIOD_MILLISECONDS);
    receiver.onTick = [&timer](const TimerTickEvent&) { timer.reset(); };
    ASSERT_TRUE(testing::PumpUntil([&] { return !timer; }));

    // A second timer shows that time went on; the first one stays silent.
    TickReceiver witness;
    const std::unique_ptr<RunningTimer> other = source.Start(witness, 3, PERIOD_MILLISECONDS);
    ASSERT_TRUE(testing::PumpUntil([&] { return witness.timerIds.size() >= 5; }));
    EXPECT_EQ(receiver.timerIds, std::vector<int>{2});
}

TEST(QtTimerSource, AReceiverThatGoesFirstLeavesTheTimerHarmless) {
    QtTimerSource source;
    auto receiver = std::make_unique<TickReceiver>();
    const std::unique_ptr<RunningTimer> timer = source.Start(*receiver, 4, PERIOD_MILLISECONDS);
    ASSERT_TRUE(testing::PumpUntil([&] { return !receiver->timerIds.empty(); }));
    receiver.reset();

    TickReceiver witness;
    const std::unique_ptr<RunningTimer> other = source.Start(witness, 5, PERIOD_MILLISECONDS);
    EXPECT_TRUE(testing::PumpUntil([&] { return witness.timerIds.size() >= 5; }));
}

}  // namespace
}  // namespace corvid::window::qt
