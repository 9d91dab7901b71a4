#include "platform/qt/QtControls.h"

#include <QGuiApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QStyleOptionSlider>
#include <QWheelEvent>
#include <algorithm>
#include <optional>

namespace corvid::window::qt {

namespace {

// QLineEdit's own ceiling, which Windows edits also start from.
constexpr int LARGEST_EDIT_LIMIT = 32767;

}  // namespace

QtButton::QtButton(int id, QAbstractButton& button, CheckKind check, ControlOwner& owner)
    : QtControlBase(id, button, owner), check(check) {
    button.setCheckable(check != CheckKind::PUSH);
    QObject::connect(&button, &QAbstractButton::clicked, &button, [this] { OnClicked(); });
}

void QtButton::OnClicked() {
    if (check == CheckKind::MANUAL) {
        widget.setChecked(!widget.isChecked());
    }
    Notify(WM_COMMAND, BN_CLICKED);
}

void QtButton::SetText(std::string_view text) {
    widget.setText(FromUtf8(text));
    owner.NoteChange();
}

std::string QtButton::Text() const {
    return ToUtf8(widget.text());
}

int QtButton::GetCheck() const {
    return widget.isCheckable() && widget.isChecked() ? 1 : 0;
}

void QtButton::SetCheck(int state) {
    if (widget.isCheckable()) {
        widget.setChecked(state != 0);
        owner.NoteChange();
    }
}

void QtStatic::SetText(std::string_view text) {
    widget.setText(FromUtf8(text));
    owner.NoteChange();
    // A status field has a name of its own; a screen reader reads what it
    // shows as its description. The timer writes the same text again and
    // again, which must not tell the screen reader of a change each time.
    if (!widget.accessibleName().isEmpty() && widget.accessibleDescription() != widget.text()) {
        widget.setAccessibleDescription(widget.text());
    }
}

QtEdit::QtEdit(int id, QLineEdit& edit, ControlOwner& owner) : QtControlBase(id, edit, owner) {
    QObject::connect(&edit, &QLineEdit::textEdited, &edit,
                     [this] { Notify(WM_COMMAND, EN_CHANGE); });
}

void QtEdit::SetText(std::string_view text) {
    widget.setText(FromUtf8(text));
    Notify(WM_COMMAND, EN_CHANGE);
}

void QtEdit::SetLimitText(int characters) {
    // QLineEdit applies a new limit through setText, which would clear the
    // modified flag; an edit's limit leaves both text and flag alone.
    const bool modified = widget.isModified();
    widget.setMaxLength(characters > 0 ? std::min(characters, LARGEST_EDIT_LIMIT)
                                       : LARGEST_EDIT_LIMIT);
    widget.setModified(modified);
    owner.NoteChange();
}

void QtEdit::SelectAll() {
    widget.selectAll();
}

void DialogScrollBar::mouseReleaseEvent(QMouseEvent* event) {
    QScrollBar::mouseReleaseEvent(event);
    if (released && event->button() == Qt::LeftButton) {
        released();
    }
}

QRect DialogScrollBar::PartRect(QStyle::SubControl part) const {
    QStyleOptionSlider option;
    initStyleOption(&option);
    return style()->subControlRect(QStyle::CC_ScrollBar, &option, part, this);
}

void DialogScrollBar::wheelEvent(QWheelEvent* event) {
    event->ignore();
}

namespace {

QPixmap ClearPixmap(QSize size, qreal pixelRatio) {
    QPixmap pixmap(size * pixelRatio);
    pixmap.setDevicePixelRatio(pixelRatio);
    pixmap.fill(Qt::transparent);
    return pixmap;
}

QRect DevicePixels(QRect rect, qreal pixelRatio) {
    return {QPoint(qRound(rect.x() * pixelRatio), qRound(rect.y() * pixelRatio)),
            QSize(qRound(rect.width() * pixelRatio), qRound(rect.height() * pixelRatio))};
}

}  // namespace

void DialogScrollBar::KeepGroove(const QStyleOptionSlider& option) {
    groove = ClearPixmap(option.rect.size(), grooveLook.pixelRatio);
    QPainter painter(&groove);
    QStyleOptionSlider grooveOption = option;
    grooveOption.subControls = QStyle::SubControls(QStyle::SC_ScrollBarGroove) |
                               QStyle::SC_ScrollBarAddPage | QStyle::SC_ScrollBarSubPage;
    style()->drawComplexControl(QStyle::CC_ScrollBar, &grooveOption, &painter, this);
}

void DialogScrollBar::KeepThumbAndArrows(const QStyleOptionSlider& option, QRect thumbArea) {
    // One drawing of the thumb and arrows together, as the style draws them
    // over its groove, cut in two: the thumb, and the arrows without it.
    const qreal pixelRatio = grooveLook.pixelRatio;
    arrows = ClearPixmap(option.rect.size(), pixelRatio);
    {
        QPainter painter(&arrows);
        QStyleOptionSlider partsOption = option;
        partsOption.subControls = QStyle::SubControls(QStyle::SC_ScrollBarSlider) |
                                  QStyle::SC_ScrollBarAddLine | QStyle::SC_ScrollBarSubLine;
        style()->drawComplexControl(QStyle::CC_ScrollBar, &partsOption, &painter, this);
    }
    thumb = arrows.copy(DevicePixels(thumbArea, pixelRatio));
    thumb.setDevicePixelRatio(pixelRatio);
    QPainter eraser(&arrows);
    eraser.setCompositionMode(QPainter::CompositionMode_Clear);
    eraser.fillRect(thumbArea, Qt::transparent);
}

QRect DialogScrollBar::ThumbArea(const QStyleOptionSlider& option) const {
    // The style outlines the thumb just outside its rectangle; the outline
    // moves with it, but never over the arrows.
    const QRect thumbRect =
        style()->subControlRect(QStyle::CC_ScrollBar, &option, QStyle::SC_ScrollBarSlider, this);
    if (thumbRect.isEmpty()) {
        return thumbRect;
    }
    const QRect grooveRect =
        style()->subControlRect(QStyle::CC_ScrollBar, &option, QStyle::SC_ScrollBarGroove, this);
    const int margin = THUMB_OUTLINE_PIXELS;
    const QRect outlined = orientation() == Qt::Horizontal
                               ? thumbRect.adjusted(-margin, 0, margin, 0)
                               : thumbRect.adjusted(0, -margin, 0, margin);
    return outlined.intersected(grooveRect);
}

DialogScrollBar::ThumbDrawing DialogScrollBar::DrawingOfThumb(
    const QStyleOptionSlider& option) const {
    const QRect area = ThumbArea(option);
    return {area, ThumbLook{area.size(), option.sliderPosition <= option.minimum,
                            option.sliderPosition >= option.maximum}};
}

void DialogScrollBar::sliderChange(SliderChange change) {
    // A style whose bars fade in when they move wants every change.
    if (change == SliderValueChange && drawnThumb &&
        style()->styleHint(QStyle::SH_ScrollBar_Transient, nullptr, this) == 0) {
        QStyleOptionSlider option;
        initStyleOption(&option);
        if (DrawingOfThumb(option) == *drawnThumb) {
            return;
        }
    }
    QScrollBar::sliderChange(change);
}

void DialogScrollBar::paintEvent(QPaintEvent* event) {
    QStyleOptionSlider option;
    initStyleOption(&option);
    const ThumbDrawing drawing = DrawingOfThumb(option);
    drawnThumb = drawing;
    if (underMouse() || QGuiApplication::mouseButtons() != Qt::NoButton) {
        QScrollBar::paintEvent(event);
        return;
    }
    const GrooveLook look{option.rect.size(), devicePixelRatioF(), option.state,
                          option.palette.cacheKey(), style()};
    if (groove.isNull() || look != grooveLook) {
        grooveLook = look;
        KeepGroove(option);
        arrows = QPixmap();
    }
    const QRect thumbArea = drawing.area;
    if (arrows.isNull() || drawing.look != thumbLook) {
        thumbLook = drawing.look;
        KeepThumbAndArrows(option, thumbArea);
    }
    QPainter painter(this);
    painter.drawPixmap(0, 0, groove);
    painter.drawPixmap(0, 0, arrows);
    if (!thumbArea.isEmpty()) {
        painter.drawPixmap(thumbArea.topLeft(), thumb);
    }
}

QtScrollBar::QtScrollBar(int id, DialogScrollBar& bar, ControlOwner& owner)
    : QtControlBase(id, bar, owner) {
    bar.setRange(0, 0);
    bar.setPageStep(0);
    bar.setSingleStep(1);
    bar.setTracking(true);
    QObject::connect(&bar, &QAbstractSlider::actionTriggered, &bar,
                     [this](int action) { OnAction(action); });
    bar.released = [this] { OnReleased(); };
}

void QtScrollBar::SetRange(int minimum, int maximum, int page) {
    const int lastPosition = std::max(minimum, maximum - std::max(page - 1, 0));
    widget.setRange(minimum, lastPosition);
    widget.setPageStep(std::max(page, 0));
    owner.NoteChange();
}

void QtScrollBar::OnAction(int action) {
    const auto codeFor = [](int sliderAction) -> std::optional<ScrollCode> {
        switch (sliderAction) {
            case QAbstractSlider::SliderSingleStepSub:
                return SB_LINELEFT;
            case QAbstractSlider::SliderSingleStepAdd:
                return SB_LINERIGHT;
            case QAbstractSlider::SliderPageStepSub:
                return SB_PAGELEFT;
            case QAbstractSlider::SliderPageStepAdd:
                return SB_PAGERIGHT;
            case QAbstractSlider::SliderToMinimum:
                return SB_LEFT;
            case QAbstractSlider::SliderToMaximum:
                return SB_RIGHT;
            default:
                return std::nullopt;
        }
    };
    if (action == QAbstractSlider::SliderMove) {
        dragging = true;
        // The thumb is where the notice says before the notice comes.
        widget.setValue(widget.sliderPosition());
        Scroll(SB_THUMBTRACK, widget.sliderPosition());
        return;
    }
    const std::optional<ScrollCode> code = codeFor(action);
    if (!code) {
        return;
    }
    // The dialog moves the thumb for these itself: undo the step Qt has made.
    widget.setSliderPosition(widget.value());
    Scroll(*code, widget.value());
}

void QtScrollBar::OnReleased() {
    if (dragging) {
        dragging = false;
        Scroll(SB_THUMBPOSITION, widget.sliderPosition());
    }
    Scroll(SB_ENDSCROLL, widget.value());
}

void QtScrollBar::Scroll(ScrollCode code, int position) {
    MessageParams params;
    params.message = WM_HSCROLL;
    params.scrollCode = code;
    params.thumbPosition = position;
    params.controlId = Id();
    SendNotice(params);
}

}  // namespace corvid::window::qt
