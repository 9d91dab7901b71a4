#include "platform/qt/QtUpDown.h"

#include <QAccessibleWidget>
#include <QKeyEvent>
#include <QResizeEvent>
#include <algorithm>
#include <limits>

namespace corvid::window::qt {

namespace {

std::int16_t ToInt16(int value) {
    return static_cast<std::int16_t>(std::clamp<int>(
        value, std::numeric_limits<std::int16_t>::min(), std::numeric_limits<std::int16_t>::max()));
}

QToolButton* MakeArrow(QWidget* parent, Qt::ArrowType arrow) {
    auto* button = new QToolButton(parent);
    button->setArrowType(arrow);
    button->setAutoRepeat(true);
    button->setFocusPolicy(Qt::NoFocus);
    return button;
}

// A screen reader meets an up-down as a spin button, its arrows as buttons.
QAccessibleInterface* SpinButtonForUpDown(const QString& className, QObject* object) {
    static_cast<void>(className);
    auto* upDown = dynamic_cast<UpDownWidget*>(object);
    return upDown == nullptr ? nullptr : new QAccessibleWidget(upDown, QAccessible::SpinBox);
}

}  // namespace

UpDownWidget::UpDownWidget(QWidget* parent)
    : QWidget(parent),
      upArrow(MakeArrow(this, Qt::UpArrow)),
      downArrow(MakeArrow(this, Qt::DownArrow)) {
    // Qt keeps the factories for the whole process; one entry is enough.
    static const bool factoryInstalled = [] {
        QAccessible::installFactory(SpinButtonForUpDown);
        return true;
    }();
    static_cast<void>(factoryInstalled);
    // pressed comes at the press and again at every repeat while held.
    connect(upArrow, &QToolButton::pressed, this, [this] {
        if (arrowPressed) {
            arrowPressed(true);
        }
    });
    connect(downArrow, &QToolButton::pressed, this, [this] {
        if (arrowPressed) {
            arrowPressed(false);
        }
    });
}

void UpDownWidget::resizeEvent(QResizeEvent* event) {
    const QSize size = event->size();
    const int upperHeight = size.height() / 2;
    upArrow->setGeometry(0, 0, size.width(), upperHeight);
    downArrow->setGeometry(0, upperHeight, size.width(), size.height() - upperHeight);
}

void UpDownWidget::keyPressEvent(QKeyEvent* event) {
    const bool up = event->key() == Qt::Key_Up;
    if ((!up && event->key() != Qt::Key_Down) || !arrowPressed) {
        QWidget::keyPressEvent(event);
        return;
    }
    arrowPressed(up);
}

QtUpDown::QtUpDown(int id, UpDownWidget& widget, UpDownWrap wrap, ControlOwner& owner)
    : QtControlBase(id, widget, owner), wrap(wrap) {
    widget.arrowPressed = [this](bool up) { Step(up); };
}

void QtUpDown::SetRange(int newLower, int newUpper) {
    lower = ToInt16(newLower);
    upper = ToInt16(newUpper);
    owner.NoteChange();
}

void QtUpDown::SetPosition(int newPosition) {
    position = ToInt16(Clamped(newPosition));
    owner.NoteChange();
}

int QtUpDown::Clamped(int value) const {
    return std::clamp<int>(value, std::min(lower, upper), std::max(lower, upper));
}

int QtUpDown::Moved(int delta) const {
    const int low = std::min(lower, upper);
    const int high = std::max(lower, upper);
    const int proposed = position + delta;
    if (proposed >= low && proposed <= high) {
        return proposed;
    }
    if (wrap == UpDownWrap::WRAP) {
        return proposed > high ? low : high;
    }
    return proposed > high ? high : low;
}

void QtUpDown::Step(bool up) {
    if (!widget.isEnabled()) {
        return;
    }
    const int step = lower <= upper ? 1 : -1;
    MessageParams params;
    params.message = WM_NOTIFY;
    params.code = UDN_DELTAPOS;
    params.controlId = Id();
    params.upDown = UpDownDelta{.position = position, .delta = up ? step : -step};
    const MessageResult result = SendNotice(params);
    if (result && *result == 1) {
        return;
    }
    position = ToInt16(Moved(params.upDown.delta));
}

}  // namespace corvid::window::qt
