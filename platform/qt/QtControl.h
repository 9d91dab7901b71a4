#pragma once

#include <QString>
#include <QWidget>
#include <string>
#include <string_view>

#include "platform/window/Controls.h"
#include "platform/window/Message.h"

namespace corvid::window::qt {

// The dialog as its controls see it: where their notices go.
class ControlOwner {
  public:
    virtual MessageResult Send(const MessageParams& message) = 0;
    // A control was set, or is about to tell of the user's change.
    virtual void NoteChange() = 0;

  protected:
    ~ControlOwner() = default;
};

inline QString FromUtf8(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

inline std::string ToUtf8(const QString& text) {
    return text.toUtf8().toStdString();
}

// What the dialog keeps of every control: its widget and its interface.
class QtControl {
  public:
    virtual ~QtControl() = default;
    [[nodiscard]] virtual QWidget& Widget() const = 0;
    [[nodiscard]] virtual Control& Interface() = 0;
};

// The members every control has in common, over a widget the dialog owns.
template <typename ControlInterface, typename WidgetType>
class QtControlBase : public ControlInterface, public QtControl {
  public:
    QtControlBase(int id, WidgetType& widget, ControlOwner& owner)
        : widget(widget), owner(owner), id(id) {}

    [[nodiscard]] int Id() const override { return id; }
    void SetEnabled(bool enabled) override {
        widget.setEnabled(enabled);
        owner.NoteChange();
    }
    [[nodiscard]] bool IsEnabled() const override { return widget.isEnabledTo(widget.window()); }
    void SetFocus() override { widget.setFocus(Qt::OtherFocusReason); }

    [[nodiscard]] QWidget& Widget() const override { return widget; }
    [[nodiscard]] Control& Interface() override { return *this; }

  protected:
    void Notify(Message message, NotifyCode code) {
        MessageParams params;
        params.message = message;
        params.code = code;
        params.controlId = id;
        SendNotice(params);
    }
    MessageResult SendNotice(const MessageParams& params) {
        owner.NoteChange();
        return owner.Send(params);
    }

    WidgetType& widget;
    ControlOwner& owner;

  private:
    int id;
};

}  // namespace corvid::window::qt
