#pragma once

#include <QAbstractButton>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QScrollBar>
#include <QStyle>
#include <functional>
#include <optional>

#include "platform/qt/QtControl.h"

namespace corvid::window::qt {

enum class CheckKind : std::uint8_t { PUSH, AUTOMATIC, MANUAL };

// A push button, a check box or a push-like toggle (a checkable QPushButton).
// A manual check box flips back before its notice: only the dialog checks it.
class QtButton final : public QtControlBase<Button, QAbstractButton> {
  public:
    QtButton(int id, QAbstractButton& button, CheckKind check, ControlOwner& owner);

    void SetText(std::string_view text) override;
    [[nodiscard]] std::string Text() const override;
    [[nodiscard]] int GetCheck() const override;
    void SetCheck(int state) override;

  private:
    void OnClicked();

    CheckKind check;
};

// A static text or picture over QLabel.
class QtStatic final : public QtControlBase<StaticText, QLabel> {
  public:
    QtStatic(int id, QLabel& label, ControlOwner& owner) : QtControlBase(id, label, owner) {}

    void SetText(std::string_view text) override;
    [[nodiscard]] std::string Text() const override { return ToUtf8(widget.text()); }
};

class QtGroupBox final : public QtControlBase<StaticText, QGroupBox> {
  public:
    QtGroupBox(int id, QGroupBox& box, ControlOwner& owner) : QtControlBase(id, box, owner) {}

    void SetText(std::string_view text) override {
        widget.setTitle(FromUtf8(text));
        owner.NoteChange();
    }
    [[nodiscard]] std::string Text() const override { return ToUtf8(widget.title()); }
};

// QLineEdit tells typing apart from setText (textEdited), but sends nothing
// when setText leaves the text as it was; the edit sends EN_CHANGE itself for
// both, once per change.
class QtEdit final : public QtControlBase<Edit, QLineEdit> {
  public:
    QtEdit(int id, QLineEdit& edit, ControlOwner& owner);

    void SetText(std::string_view text) override;
    [[nodiscard]] std::string Text() const override { return ToUtf8(widget.text()); }
    void SetLimitText(int characters) override;
    [[nodiscard]] bool GetModify() const override { return widget.isModified(); }
    void SetModify(bool modified) override { widget.setModified(modified); }
    void SelectAll() override;
};

// A horizontal scroll bar. Windows counts the page into the range's maximum;
// QScrollBar's maximum is the last thumb position, so the two differ by the
// page less one.
// QScrollBar with a say on the mouse's release, and deaf to the wheel as a
// scroll bar control is.
class DialogScrollBar final : public QScrollBar {
  public:
    DialogScrollBar(Qt::Orientation orientation, QWidget* parent)
        : QScrollBar(orientation, parent) {}

    std::function<void()> released;

    // Where a part of the bar lies (arrows, page areas, thumb, groove), as the
    // style draws it.
    [[nodiscard]] QRect PartRect(QStyle::SubControl part) const;

  protected:
    void mouseReleaseEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    // The groove, and the thumb with the arrows, are drawn by the style once
    // and kept, and each move of the thumb puts the kept pictures together:
    // the style fills them pixel by pixel, handing the rows to other threads,
    // and the position bar moves every second while a disc plays. Under the
    // mouse or while a button is held the style draws the whole bar.
    void paintEvent(QPaintEvent* event) override;
    // While a long track plays, most seconds move the bar's value but leave
    // the thumb on the same pixels: such a change redraws nothing.
    void sliderChange(SliderChange change) override;

  private:
    // What the thumb and arrows look like besides the groove's look: the
    // thumb's length, and whether the thumb stands at either end.
    static constexpr int THUMB_OUTLINE_PIXELS = 2;

    struct ThumbLook {
        QSize size;
        bool atMinimum = false;
        bool atMaximum = false;
        bool operator==(const ThumbLook&) const = default;
    };

    // Where the thumb lies, and how it looks, in a drawing of the bar.
    struct ThumbDrawing {
        QRect area;
        ThumbLook look;
        bool operator==(const ThumbDrawing&) const = default;
    };

    // The thumb's rectangle with the outline the style draws around it.
    [[nodiscard]] QRect ThumbArea(const QStyleOptionSlider& option) const;
    [[nodiscard]] ThumbDrawing DrawingOfThumb(const QStyleOptionSlider& option) const;
    void KeepGroove(const QStyleOptionSlider& option);
    void KeepThumbAndArrows(const QStyleOptionSlider& option, QRect thumbArea);

    // What the groove's look depends on.
    struct GrooveLook {
        QSize size;
        qreal pixelRatio = 1.0;
        QStyle::State state;
        qint64 palette = 0;
        const QStyle* style = nullptr;
        bool operator==(const GrooveLook&) const = default;
    };

    QPixmap groove;
    GrooveLook grooveLook;
    // The arrows on a clear ground, and the thumb alone; made anew with the
    // groove.
    QPixmap arrows;
    QPixmap thumb;
    ThumbLook thumbLook;
    // The thumb as the last paint drew it, whichever way it drew.
    std::optional<ThumbDrawing> drawnThumb;
};

class QtScrollBar final : public QtControlBase<ScrollBar, QScrollBar> {
  public:
    QtScrollBar(int id, DialogScrollBar& bar, ControlOwner& owner);

    void SetText(std::string_view text) override {
        caption = std::string(text);
        owner.NoteChange();
    }
    [[nodiscard]] std::string Text() const override { return caption; }
    void SetRange(int minimum, int maximum, int page) override;
    void SetPosition(int position) override {
        widget.setValue(position);
        owner.NoteChange();
    }
    [[nodiscard]] int Position() const override { return widget.value(); }

  private:
    void OnReleased();
    void OnAction(int action);
    void Scroll(ScrollCode code, int position);

    std::string caption;
    bool dragging = false;
};

}  // namespace corvid::window::qt
