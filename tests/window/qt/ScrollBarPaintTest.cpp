// The position bar keeps a drawing of its groove and draws only the thumb and
// the arrows over it when the thumb moves: what it shows must be what the
// style draws of the whole bar.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QEvent>
#include <QImage>
#include <QScrollBar>
#include <QTest>
#include <cstdlib>

#include "platform/qt/QtControls.h"

namespace corvid::window::qt {
namespace {

constexpr QSize BAR_SIZE(300, 17);
constexpr int MAXIMUM = 120;

QImage Shown(QScrollBar& bar, int value) {
    bar.setValue(value);
    return bar.grab().toImage().convertToFormat(QImage::Format_ARGB32);
}

// The largest difference of one colour channel between the two pictures:
// laying the kept drawing over the ground rounds some edges by one step.
int LargestDifference(const QImage& first, const QImage& second) {
    int largest = 0;
    for (int y = 0; y < first.height(); ++y) {
        for (int x = 0; x < first.width(); ++x) {
            const QRgb one = first.pixel(x, y);
            const QRgb other = second.pixel(x, y);
            for (const int difference : {qRed(one) - qRed(other), qGreen(one) - qGreen(other),
                                         qBlue(one) - qBlue(other), qAlpha(one) - qAlpha(other)}) {
                largest = std::max(largest, std::abs(difference));
            }
        }
    }
    return largest;
}

TEST(DialogScrollBarPaint, ShowsWhatTheStyleDrawsOfTheWholeBarAtEveryPlace) {
    for (const bool enabled : {true, false}) {
        SCOPED_TRACE(enabled ? "enabled" : "disabled");
        DialogScrollBar kept(Qt::Horizontal, nullptr);
        QScrollBar whole(Qt::Horizontal);
        for (QScrollBar* bar : {static_cast<QScrollBar*>(&kept), &whole}) {
            bar->setRange(0, MAXIMUM);
            bar->setPageStep(10);
            bar->resize(BAR_SIZE);
            bar->setEnabled(enabled);
        }
        for (const int value : {0, 1, 37, 38, 2, 90, MAXIMUM - 1, MAXIMUM, 60, 0}) {
            SCOPED_TRACE(value);
            const QImage shown = Shown(kept, value);
            const QImage expected = Shown(whole, value);
            ASSERT_EQ(shown.size(), expected.size());
            EXPECT_LE(LargestDifference(shown, expected), 1);
        }
    }
}

TEST(DialogScrollBarPaint, ANewSizeIsDrawnAtThatSize) {
    DialogScrollBar kept(Qt::Horizontal, nullptr);
    QScrollBar whole(Qt::Horizontal);
    for (QScrollBar* bar : {static_cast<QScrollBar*>(&kept), &whole}) {
        bar->setRange(0, MAXIMUM);
        bar->resize(BAR_SIZE);
    }
    static_cast<void>(Shown(kept, 10));
    for (QScrollBar* bar : {static_cast<QScrollBar*>(&kept), &whole}) {
        bar->resize(BAR_SIZE.width() / 2, BAR_SIZE.height());
    }
    EXPECT_LE(LargestDifference(Shown(kept, 10), Shown(whole, 10)), 1);
}

// Counts the paint events that reach a widget.
class PaintCounter final : public QObject {
  public:
    int paints = 0;

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint) {
            ++paints;
        }
        return QObject::eventFilter(watched, event);
    }
};

int PaintsAfterValue(DialogScrollBar& bar, PaintCounter& counter, int value) {
    counter.paints = 0;
    bar.setValue(value);
    QCoreApplication::processEvents();
    return counter.paints;
}

// A 50-minute track moves the bar's value every second, and its thumb by a
// pixel only every few seconds.
TEST(DialogScrollBarPaint, AValueThatLeavesTheThumbOnItsPixelsRedrawsNothing) {
    constexpr int TRACK_SECONDS = 3000;
    DialogScrollBar bar(Qt::Horizontal, nullptr);
    bar.setRange(0, TRACK_SECONDS);
    bar.resize(BAR_SIZE);
    bar.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&bar));
    QCoreApplication::processEvents();
    PaintCounter counter;
    bar.installEventFilter(&counter);

    // Leaving the first step changes how the arrows look.
    EXPECT_GE(PaintsAfterValue(bar, counter, 1), 1);
    EXPECT_EQ(PaintsAfterValue(bar, counter, 2), 0);
    EXPECT_EQ(PaintsAfterValue(bar, counter, 3), 0);
    EXPECT_GE(PaintsAfterValue(bar, counter, TRACK_SECONDS / 2), 1);
    EXPECT_EQ(PaintsAfterValue(bar, counter, TRACK_SECONDS / 2 + 1), 0);
    // The last step changes how the arrows look, wherever the thumb is.
    static_cast<void>(PaintsAfterValue(bar, counter, TRACK_SECONDS - 1));
    EXPECT_GE(PaintsAfterValue(bar, counter, TRACK_SECONDS), 1);
    // The value itself moved at every step, redrawn or not.
    EXPECT_EQ(bar.value(), TRACK_SECONDS);
}

}  // namespace
}  // namespace corvid::window::qt
