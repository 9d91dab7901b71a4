#include "platform/qt/CaretBlinkTimeout.h"

#include <QApplication>
#include <QStyleHints>

namespace corvid::window::qt {
namespace {

constexpr int TIMEOUT_TIMER_ID = 1;

bool IsInput(const QEvent& event) {
    switch (event.type()) {
        case QEvent::KeyPress:
        case QEvent::MouseButtonPress:
        case QEvent::InputMethod:
        case QEvent::Wheel:
            return true;
        default:
            return false;
    }
}

}  // namespace

CaretBlinkTimeout::CaretBlinkTimeout(TimerSource& timers)
    : timers(timers), flashMilliseconds(QGuiApplication::styleHints()->cursorFlashTime()) {
    QCoreApplication::instance()->installEventFilter(this);
    Restart();
}

CaretBlinkTimeout::~CaretBlinkTimeout() {
    if (stopped) {
        QApplication::setCursorFlashTime(flashMilliseconds);
    }
}

void CaretBlinkTimeout::Restart() {
    if (stopped) {
        stopped = false;
        QApplication::setCursorFlashTime(flashMilliseconds);
    }
    timer = timers.Start(*this, TIMEOUT_TIMER_ID, TIMEOUT_MILLISECONDS);
}

bool CaretBlinkTimeout::eventFilter(QObject* watched, QEvent* event) {
    if (IsInput(*event) && watched->isWidgetType()) {
        Restart();
    }
    return QObject::eventFilter(watched, event);
}

bool CaretBlinkTimeout::event(QEvent* event) {
    auto* tick =
        event->type() == TimerTickEvent::TYPE ? static_cast<TimerTickEvent*>(event) : nullptr;
    if (tick == nullptr) {
        return QObject::event(event);
    }
    if (timer && tick->serial == timer->Serial()) {
        timer.reset();
        stopped = true;
        QApplication::setCursorFlashTime(0);
    }
    return true;
}

}  // namespace corvid::window::qt
