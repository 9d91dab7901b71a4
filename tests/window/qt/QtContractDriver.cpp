#include "tests/window/qt/QtContractDriver.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QCursor>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <stdexcept>

#include "platform/qt/QtControls.h"
#include "platform/qt/QtListView.h"
#include "platform/qt/QtUpDown.h"

namespace corvid::window::qt {

namespace {

constexpr int FAILSAFE_MILLISECONDS = 5000;

QtWindowSystemOptions TestOptions() {
    return QtWindowSystemOptions{.applicationName = "Corvid Player",
                                 .fileDialogs = FileDialogLook::QT_WIDGETS,
                                 .beforeFirstWindow = {}};
}

void ClickAt(QWidget& widget, QPoint point) {
    QCursor::setPos(widget.mapToGlobal(point));
    QTest::mouseClick(&widget, Qt::LeftButton, Qt::NoModifier, point);
}

void MoveWithLeftButton(QWidget& widget, QPoint point) {
    QCursor::setPos(widget.mapToGlobal(point));
    QMouseEvent move(QEvent::MouseMove, QPointF(point), QPointF(widget.mapToGlobal(point)),
                     Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&widget, &move);
}

QStyle::SubControl PartOf(ScrollCode code) {
    switch (code) {
        case SB_LINELEFT:
            return QStyle::SC_ScrollBarSubLine;
        case SB_LINERIGHT:
            return QStyle::SC_ScrollBarAddLine;
        case SB_PAGELEFT:
            return QStyle::SC_ScrollBarSubPage;
        case SB_PAGERIGHT:
            return QStyle::SC_ScrollBarAddPage;
        default:
            throw std::invalid_argument("not a step of the scroll bar");
    }
}

// The x of the mouse that drags a thumb pressed `clickOffset` from its left
// edge to `position`, as QScrollBar maps pixels to values; none when no
// pixel gives exactly that value.
std::optional<int> DragX(const DialogScrollBar& bar, int clickOffset, int position) {
    const QRect groove = bar.PartRect(QStyle::SC_ScrollBarGroove);
    const QRect thumb = bar.PartRect(QStyle::SC_ScrollBarSlider);
    const int sliderMin = groove.x();
    const int span = groove.right() - thumb.width() + 1 - sliderMin;
    for (int pixel = 0; pixel <= span; ++pixel) {
        if (QStyle::sliderValueFromPosition(bar.minimum(), bar.maximum(), pixel, span) ==
            position) {
            return sliderMin + pixel + clickOffset;
        }
    }
    return std::nullopt;
}

}  // namespace

ModalAnswerer::ModalAnswerer() {
    qApp->installEventFilter(this);
}

ModalAnswerer::~ModalAnswerer() {
    qApp->removeEventFilter(this);
}

void ModalAnswerer::QueueMessageBoxAnswer(MessageBoxAnswer answer,
                                          std::function<void()> whileOpen) {
    boxAnswers.push_back({answer, std::move(whileOpen)});
}

void ModalAnswerer::QueueFileDialogAnswer(std::optional<std::string> path) {
    fileAnswers.push_back(std::move(path));
}

bool ModalAnswerer::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Show && watched->isWidgetType()) {
        auto* widget = static_cast<QWidget*>(watched);
        if (widget->isWindow() && (qobject_cast<QMessageBox*>(widget) != nullptr ||
                                   qobject_cast<QFileDialog*>(widget) != nullptr)) {
            // The answer comes from inside the modal's own loop, which starts
            // once the window is shown.
            QPointer<QWidget> modal(widget);
            QMetaObject::invokeMethod(
                this,
                [this, modal] {
                    if (modal) {
                        Answer(*modal);
                    }
                },
                Qt::QueuedConnection);
        }
    }
    return QObject::eventFilter(watched, event);
}

void ModalAnswerer::Answer(QWidget& modal) {
    if (auto* box = qobject_cast<QMessageBox*>(&modal)) {
        ++count;
        lastText = box->text().toStdString();
        BoxAnswer answer{MessageBoxAnswer::OK, {}};
        if (!boxAnswers.empty()) {
            answer = std::move(boxAnswers.front());
            boxAnswers.pop_front();
        }
        if (answer.whileOpen) {
            answer.whileOpen();
        }
        QAbstractButton* button = box->button(QMessageBox::Ok);
        if (button == nullptr) {
            button = box->button(answer.answer == MessageBoxAnswer::YES ? QMessageBox::Yes
                                                                        : QMessageBox::No);
        }
        ASSERT_NE(button, nullptr);
        QTest::mouseClick(button, Qt::LeftButton);
        return;
    }
    if (auto* dialog = qobject_cast<QFileDialog*>(&modal)) {
        std::optional<std::string> path;
        if (!fileAnswers.empty()) {
            path = std::move(fileAnswers.front());
            fileAnswers.pop_front();
        }
        if (!path) {
            dialog->reject();
            return;
        }
        auto* nameEdit = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
        ASSERT_NE(nameEdit, nullptr) << "a file dialog of Qt's widgets";
        nameEdit->setText(QString::fromStdString(*path));
        QTest::keyClick(nameEdit, Qt::Key_Return);
        // A dialog that refuses the path would wait for ever: give up on it.
        QTimer::singleShot(FAILSAFE_MILLISECONDS, dialog, [dialog] {
            ADD_FAILURE() << "the file dialog did not take the path";
            dialog->reject();
        });
    }
}

QtContractDriver::QtContractDriver() : system(TestOptions(), timers) {}

QtContractDriver::~QtContractDriver() = default;

QtDialog& QtContractDriver::Current() const {
    if (dialogs.empty()) {
        throw std::logic_error("no dialog was opened");
    }
    return *dialogs.back();
}

QWidget& QtContractDriver::WidgetOf(int controlId) const {
    QtControl* control = Current().FindControl(controlId);
    if (control == nullptr) {
        throw std::invalid_argument("no control " + std::to_string(controlId));
    }
    return control->Widget();
}

DialogWindow* QtContractDriver::Open(const DialogTemplate& layout, DialogHandler& handler) {
    dialogs.push_back(system.OpenDialog(layout, handler, nullptr));
    QtDialog& dialog = *dialogs.back();
    if (dialog.EndCode()) {
        dialog.Finish();
        return nullptr;
    }
    EXPECT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    return &dialog;
}

void QtContractDriver::FinishIfEnded() {
    if (!dialogs.empty() && Current().EndCode()) {
        Current().Finish();
    }
}

std::optional<int> QtContractDriver::EndCode() const {
    return Current().EndCode();
}

void QtContractDriver::CloseBox() {
    Current().close();
    FinishIfEnded();
}

void QtContractDriver::Click(int controlId) {
    QWidget& widget = WidgetOf(controlId);
    ClickAt(widget, widget.rect().center());
    FinishIfEnded();
}

void QtContractDriver::Type(int controlId, std::string_view text) {
    QWidget& widget = WidgetOf(controlId);
    widget.setFocus(Qt::OtherFocusReason);
    // One key per code point; QTest::keyClicks knows only ASCII keys.
    const QString typed = QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
    for (const char32_t codePoint : typed.toUcs4()) {
        const QString character = QString::fromUcs4(&codePoint, 1);
        const Qt::Key key =
            codePoint < 0x80 ? QTest::asciiToKey(static_cast<char>(codePoint)) : Qt::Key_unknown;
        QTest::sendKeyEvent(QTest::Click, &widget, key, character, Qt::NoModifier);
    }
    FinishIfEnded();
}

void QtContractDriver::PressKey(int focusedControlId, Qt::Key key) {
    QWidget& widget = WidgetOf(focusedControlId);
    widget.setFocus(Qt::OtherFocusReason);
    QTest::keyClick(&widget, key);
    FinishIfEnded();
}

void QtContractDriver::PressEnter(int focusedControlId) {
    PressKey(focusedControlId, Qt::Key_Return);
}

void QtContractDriver::PressEscape(int focusedControlId) {
    PressKey(focusedControlId, Qt::Key_Escape);
}

void QtContractDriver::ClickArrow(int upDownId, contract::Arrow arrow) {
    auto& upDown = dynamic_cast<UpDownWidget&>(WidgetOf(upDownId));
    QToolButton& button = upDown.ArrowButton(arrow == contract::Arrow::UP);
    ClickAt(button, button.rect().center());
    FinishIfEnded();
}

void QtContractDriver::ScrollStep(int scrollBarId, ScrollCode code) {
    auto& bar = dynamic_cast<DialogScrollBar&>(WidgetOf(scrollBarId));
    const QRect part = bar.PartRect(PartOf(code));
    ASSERT_FALSE(part.isEmpty()) << "the bar has no room for that step";
    ClickAt(bar, part.center());
    FinishIfEnded();
}

void QtContractDriver::DragThumb(int scrollBarId, int position) {
    auto& bar = dynamic_cast<DialogScrollBar&>(WidgetOf(scrollBarId));
    const QRect thumb = bar.PartRect(QStyle::SC_ScrollBarSlider);
    const QPoint grip = thumb.center();
    QCursor::setPos(bar.mapToGlobal(grip));
    QTest::mousePress(&bar, Qt::LeftButton, Qt::NoModifier, grip);
    const std::optional<int> x = DragX(bar, grip.x() - thumb.x(), position);
    QPoint end(x.value_or(grip.x()), grip.y());
    MoveWithLeftButton(bar, end);
    if (!x) {
        // More positions than pixels: the last bit of the drag is finer than
        // the mouse can go, as a drag with a sub-pixel pointer would be.
        bar.setSliderPosition(position);
    }
    QTest::mouseRelease(&bar, Qt::LeftButton, Qt::NoModifier, end);
    FinishIfEnded();
}

void QtContractDriver::ClickList(int listId, Point client) {
    auto& tree = dynamic_cast<DialogTreeWidget&>(WidgetOf(listId));
    auto* list = dynamic_cast<QtListView*>(Current().GetListView(listId));
    ClickAt(*tree.viewport(), list->ViewportPoint(client));
    FinishIfEnded();
}

Point QtContractDriver::RowPoint(int listId, int row) const {
    auto& tree = dynamic_cast<DialogTreeWidget&>(WidgetOf(listId));
    auto* list = dynamic_cast<QtListView*>(Current().GetListView(listId));
    tree.LayOut();
    const int y = (row - list->TopIndex()) * tree.RowHeight();
    return list->ClientPoint(QPoint(0, y));
}

void QtContractDriver::AdvanceTime(int milliseconds) {
    timers.Advance(milliseconds);
    DeliverPending();
}

void QtContractDriver::DeliverPending() {
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents();
    FinishIfEnded();
}

void QtContractDriver::AnswerNextMessageBox(MessageBoxAnswer answer,
                                            std::function<void()> whileOpen) {
    answerer.QueueMessageBoxAnswer(answer, std::move(whileOpen));
}

void QtContractDriver::AnswerNextFileDialog(std::optional<std::string> path) {
    answerer.QueueFileDialogAnswer(std::move(path));
}

std::string QtContractDriver::LastMessageBoxText() const {
    return answerer.LastMessageBoxText();
}

int QtContractDriver::MessageBoxCount() const {
    return answerer.MessageBoxCount();
}

}  // namespace corvid::window::qt
