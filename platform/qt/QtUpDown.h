#pragma once

#include <QToolButton>
#include <QWidget>
#include <cstdint>
#include <functional>

#include "platform/qt/QtControl.h"
#include "platform/window/Controls.h"

namespace corvid::window::qt {

// Two arrow buttons stacked, the up arrow on top. An arrow acts when pressed
// and again while held, as a Windows up-down does.
class UpDownWidget final : public QWidget {
  public:
    explicit UpDownWidget(QWidget* parent);

    [[nodiscard]] QToolButton& ArrowButton(bool up) const { return up ? *upArrow : *downArrow; }

    std::function<void(bool up)> arrowPressed;

  protected:
    void resizeEvent(QResizeEvent* event) override;
    // With the focus, the up and down keys press the arrows.
    void keyPressEvent(QKeyEvent* event) override;

  private:
    QToolButton* upArrow;
    QToolButton* downArrow;
};

enum class UpDownWrap : std::uint8_t { STOP_AT_ENDS, WRAP };

// The position lives here, never in a buddy. Each arrow sends UDN_DELTAPOS
// with the proposal first; a result of 1 refuses it.
class QtUpDown final : public QtControlBase<UpDown, UpDownWidget> {
  public:
    QtUpDown(int id, UpDownWidget& widget, UpDownWrap wrap, ControlOwner& owner);

    void SetText(std::string_view text) override {
        caption = std::string(text);
        owner.NoteChange();
    }
    [[nodiscard]] std::string Text() const override { return caption; }
    void SetRange(int lower, int upper) override;
    void SetPosition(int position) override;
    [[nodiscard]] std::int16_t Position() const override { return position; }

    // An arrow as the user gives it: by the mouse, or by the up and down keys
    // in the buddy.
    void Step(bool up);

  private:
    [[nodiscard]] int Clamped(int value) const;
    [[nodiscard]] int Moved(int delta) const;

    std::string caption;
    UpDownWrap wrap;
    // The range of a new Windows up-down runs from 100 down to 0.
    std::int16_t lower = 100;
    std::int16_t upper = 0;
    std::int16_t position = 0;
};

}  // namespace corvid::window::qt
