// The stopwatch of the handlers on a manual clock: nested sends count for the
// outer handler, nested modal loops pause it, and what runs inside them is
// timed on its own.
#include "platform/qt/HandlerStopwatch.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QApplication>
#include <QMessageBox>
#include <QTimer>
#include <fstream>
#include <sstream>

#include "platform/qt/ManualTimerSource.h"
#include "platform/qt/QtWindowSystem.h"
#include "res/ControlIds.h"
#include "res/PlayerDialogTemplate.h"
#include "tests/support/TemporaryFolder.h"

namespace corvid::window::qt {
namespace {

using namespace std::chrono_literals;
using Duration = HandlerStopwatch::Duration;

// The box is closed by a queued call; if it never came, this ends the wait.
constexpr int FAILSAFE_MILLISECONDS = 10'000;

class ManualClock {
  public:
    void Advance(Duration step) { m_now += step; }
    [[nodiscard]] HandlerStopwatch::Clock Clock() {
        return [this] { return m_now; };
    }

  private:
    Duration m_now{};
};

struct HandlerRun {
    std::string label;
    Duration longest;
    std::int64_t count;
};

std::vector<HandlerRun> Runs(const HandlerStopwatch& stopwatch) {
    std::vector<HandlerRun> runs;
    for (const auto& figures : stopwatch.ByLongest()) {
        runs.push_back({figures.label, figures.longest, figures.count});
    }
    return runs;
}

MATCHER_P3(IsRun, label, longest, count, "") {
    return arg.label == label && arg.longest == longest && arg.count == count;
}

class HandlerStopwatchTest : public ::testing::Test {
  protected:
    ManualClock m_clock;
    HandlerStopwatch m_stopwatch{m_clock.Clock()};

    void Hold(const std::string& label, Duration held) {
        m_stopwatch.Enter(label);
        m_clock.Advance(held);
        m_stopwatch.Leave();
    }
};

TEST_F(HandlerStopwatchTest, KeepsTheLongestRunOfEachMessageAndTheirCount) {
    Hold("WM_TIMER 1", 3ms);
    Hold("WM_TIMER 1", 9ms);
    Hold("WM_TIMER 1", 4ms);
    Hold("WM_PAINT", 6ms);
    const std::vector<HandlerRun> runs = Runs(m_stopwatch);
    ASSERT_EQ(runs.size(), 2U);
    EXPECT_THAT(runs[0], IsRun("WM_TIMER 1", Duration(9ms), 3));
    EXPECT_THAT(runs[1], IsRun("WM_PAINT", Duration(6ms), 1));
    EXPECT_EQ(m_stopwatch.ByLongest()[0].total, Duration(16ms));
}

TEST_F(HandlerStopwatchTest, AMessageSentInsideAHandlerCountsForTheOuterOne) {
    m_stopwatch.Enter("WM_COMMAND BN_CLICKED 1025");
    m_clock.Advance(5ms);
    Hold("WM_COMMAND EN_CHANGE 1022", 10ms);
    m_clock.Advance(5ms);
    m_stopwatch.Leave();
    const std::vector<HandlerRun> runs = Runs(m_stopwatch);
    ASSERT_EQ(runs.size(), 1U);
    EXPECT_THAT(runs[0], IsRun("WM_COMMAND BN_CLICKED 1025", Duration(20ms), 1));
}

TEST_F(HandlerStopwatchTest, ANestedModalLoopPausesItsHandlerAndTimesWhatRunsInside) {
    m_stopwatch.Enter("WM_CLOSE");
    m_clock.Advance(2ms);
    m_stopwatch.EnterModal();  // a message box
    m_clock.Advance(1s);
    Hold("WM_TIMER 1", 3ms);
    m_stopwatch.Enter("WM_PAINT");
    m_clock.Advance(1ms);
    m_stopwatch.EnterModal();  // a box opened from inside the box's loop
    m_clock.Advance(1s);
    Hold("WM_TIMER 1", 4ms);
    m_stopwatch.LeaveModal();
    m_clock.Advance(1ms);
    m_stopwatch.Leave();
    m_clock.Advance(1s);
    m_stopwatch.LeaveModal();
    m_clock.Advance(2ms);
    m_stopwatch.Leave();

    const std::vector<HandlerRun> runs = Runs(m_stopwatch);
    ASSERT_EQ(runs.size(), 3U);
    EXPECT_THAT(runs[0], IsRun("WM_CLOSE", Duration(4ms), 1));
    EXPECT_THAT(runs[1], IsRun("WM_TIMER 1", Duration(4ms), 2));
    EXPECT_THAT(runs[2], IsRun("WM_PAINT", Duration(2ms), 1));
}

TEST_F(HandlerStopwatchTest, UnmatchedEndsChangeNothing) {
    m_stopwatch.Leave();
    m_stopwatch.LeaveModal();
    Hold("WM_PAINT", 2ms);
    EXPECT_THAT(Runs(m_stopwatch), ::testing::ElementsAre(IsRun("WM_PAINT", Duration(2ms), 1)));
}

TEST_F(HandlerStopwatchTest, TheHistogramPutsEachRunInTheFirstBinThatHoldsIt) {
    struct Case {
        Duration held;
        std::size_t bin;
    };
    const Case cases[] = {{500us, 0}, {1ms, 0},   {1001us, 1}, {99ms, 6},
                          {100ms, 6}, {150ms, 7}, {500ms, 8},  {2s, 9}};
    for (const Case& c : cases) {
        const auto before = m_stopwatch.Histogram();
        Hold("WM_TIMER 1", c.held);
        auto expected = before;
        ++expected[c.bin];
        EXPECT_EQ(m_stopwatch.Histogram(), expected) << c.held.count() << " ns";
    }
}

TEST_F(HandlerStopwatchTest, TheReportBeginsWithTheLongestRun) {
    Hold("WM_TIMER 1", 3ms);
    Hold("WM_HSCROLL 1013", 12500us);
    std::istringstream report(m_stopwatch.Report());
    std::string first;
    std::string second;
    std::getline(report, first);
    std::getline(report, second);
    EXPECT_EQ(first, "longest 12.500 ms WM_HSCROLL 1013");
    EXPECT_EQ(second, "runs 2");
}

TEST(MessageLabel, NamesTheMessageAndWhatItIsAbout) {
    MessageParams click;
    click.message = WM_COMMAND;
    click.code = BN_CLICKED;
    click.controlId = 1007;
    MessageParams tick;
    tick.message = WM_TIMER;
    tick.timerId = 1;
    MessageParams notice;
    notice.message = MM_MCINOTIFY;
    EXPECT_EQ(MessageLabel(click), "WM_COMMAND BN_CLICKED 1007");
    EXPECT_EQ(MessageLabel(tick), "WM_TIMER 1");
    EXPECT_EQ(MessageLabel(notice), "MM_MCINOTIFY");
}

// A dialog whose init and one click take time on the manual clock; the click
// opens a message box that stays open a long while.
class SlowHandler final : public DialogHandler {
  public:
    explicit SlowHandler(ManualClock& clock) : m_clock(clock) {}

    bool OnInitDialog(DialogWindow& window) override {
        m_window = &window;
        m_clock.Advance(7ms);
        QMetaObject::invokeMethod(
            qApp,
            [this] {
                MessageParams click;
                click.message = WM_COMMAND;
                click.code = BN_CLICKED;
                click.controlId = res::PLAY_STOP_BUTTON;
                dynamic_cast<QtDialog&>(*m_window).Send(click);
            },
            Qt::QueuedConnection);
        return true;
    }

    MessageResult OnMessage(const MessageParams& message) override {
        if (message.message != WM_COMMAND || message.code != BN_CLICKED) {
            return std::nullopt;
        }
        m_clock.Advance(4ms);
        // The edit's change notice comes inside this handler.
        m_window->GetEdit(res::NAME_EDIT)->SetText("changed");
        CloseTheBoxOnceItRuns();
        m_window->ShowMessageBox("Slow?", MessageBoxButtons::OK);
        m_clock.Advance(4ms);
        m_window->EndDialog(IDOK);
        return 1;
    }

  private:
    void CloseTheBoxOnceItRuns() {
        QTimer::singleShot(0, qApp, [this] {
            m_clock.Advance(900ms);
            if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
                box->accept();
            }
        });
        QTimer::singleShot(FAILSAFE_MILLISECONDS, qApp, [] {
            if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
                box->reject();
            }
        });
    }

    ManualClock& m_clock;
    DialogWindow* m_window = nullptr;
};

TEST(QtHandlerTimes, TheWindowWritesItsHandlersTimesWhenItEndsLeavingOutTheBox) {
    corvid::testing::TemporaryFolder folder("corvid-handler-times");
    ManualClock clock;
    ManualTimerSource timers;
    QtWindowSystem system(QtWindowSystemOptions{}, timers);
    system.MeasureHandlerTimes(folder / "times.txt", clock.Clock());
    SlowHandler handler(clock);

    EXPECT_EQ(system.DoModal(res::PLAYER_DIALOG, handler, nullptr), IDOK);
    std::ifstream report(folder / "times.txt");
    std::string first;
    std::getline(report, first);
    EXPECT_EQ(first, "longest 8.000 ms WM_COMMAND BN_CLICKED 1007");
    ASSERT_NE(system.Stopwatch(), nullptr);
    const std::vector<HandlerRun> runs = Runs(*system.Stopwatch());
    EXPECT_THAT(runs, ::testing::Contains(IsRun("OnInitDialog", Duration(7ms), 1)));
    for (const HandlerRun& run : runs) {
        EXPECT_EQ(run.label.find("EN_CHANGE"), std::string::npos) << "timed apart: " << run.label;
    }
}

TEST(QtHandlerTimes, NothingIsMeasuredWithoutAReport) {
    QtWindowSystem system(QtWindowSystemOptions{});
    EXPECT_EQ(system.Stopwatch(), nullptr);
}

}  // namespace
}  // namespace corvid::window::qt
