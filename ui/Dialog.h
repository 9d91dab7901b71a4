#pragma once

#include <concepts>
#include <cstdint>
#include <span>

#include "platform/window/WindowSystem.h"
#include "ui/Controls.h"

namespace corvid::ui {

enum class ExchangeDirection : std::uint8_t { TO_CONTROLS, FROM_CONTROLS };

// One run of a dialog's data exchange: binds control members to the
// window's controls and moves values between members and controls.
class DataExchange {
  public:
    DataExchange(window::DialogWindow& window, ExchangeDirection direction)
        : m_window(window), m_direction(direction) {}

    [[nodiscard]] window::DialogWindow& Window() const { return m_window; }
    [[nodiscard]] bool IsSaving() const { return m_direction == ExchangeDirection::FROM_CONTROLS; }

  private:
    window::DialogWindow& m_window;
    ExchangeDirection m_direction;
};

void DDX_Control(DataExchange& exchange, int id, CButton& control);
void DDX_Control(DataExchange& exchange, int id, CEdit& control);
void DDX_Control(DataExchange& exchange, int id, CStatic& control);
void DDX_Control(DataExchange& exchange, int id, CScrollBar& control);
void DDX_Control(DataExchange& exchange, int id, CSpinButtonCtrl& control);
void DDX_Control(DataExchange& exchange, int id, CListCtrl& control);
// A check box's state 0 or 1 and an int member.
void DDX_Check(DataExchange& exchange, int id, int& value);

// An entry of a dialog's dispatch table. An entry without a code matches its
// message whatever the control; ANY_CONTROL matches every id.
inline constexpr int ANY_CONTROL = -2;

template <class DialogClass>
struct MessageMapEntry {
    window::Message message;
    window::NotifyCode code;
    int controlId;
    window::MessageResult (*handler)(DialogClass&, const window::MessageParams&);
};

// Adapts a member handler to a dispatch table entry: a handler that takes no
// arguments answers 0, one that takes the message answers for itself.
template <auto Method, class DialogClass>
window::MessageResult CallHandler(DialogClass& dialog, const window::MessageParams& message) {
    if constexpr (std::invocable<decltype(Method), DialogClass&, const window::MessageParams&>) {
        return (dialog.*Method)(message);
    } else {
        (dialog.*Method)();
        return 0;
    }
}

template <class DialogClass>
bool EntryMatches(const MessageMapEntry<DialogClass>& entry, const window::MessageParams& message) {
    if (entry.message != message.message) {
        return false;
    }
    if (entry.code == window::NC_NONE) {
        return true;
    }
    return entry.code == message.code &&
           (entry.controlId == ANY_CONTROL || entry.controlId == message.controlId);
}

// The first matching entry's handler, or none.
template <class DialogClass>
window::MessageResult DispatchMessage(std::span<const MessageMapEntry<DialogClass>> map,
                                      DialogClass& dialog, const window::MessageParams& message) {
    for (const auto& entry : map) {
        if (EntryMatches(entry, message)) {
            return entry.handler(dialog, message);
        }
    }
    return std::nullopt;
}

// The base of the program's dialogs: runs a template modally through the
// window system, binds the controls by the data exchange, and routes
// messages through the derived dialog's dispatch table. IDOK and IDCANCEL
// that the table leaves reach the virtual OnOK and OnCancel.
class Dialog : public window::DialogHandler {
  public:
    Dialog(window::WindowSystem& windows, const window::DialogTemplate& layout)
        : m_windows(windows), m_layout(layout) {}

    int DoModal(window::DialogWindow* owner = nullptr);

    bool OnInitDialog(window::DialogWindow& window) final;
    window::MessageResult OnMessage(const window::MessageParams& message) final;

  protected:
    virtual bool OnInitDialog() { return true; }
    virtual void DoDataExchange(DataExchange& exchange) { static_cast<void>(exchange); }
    virtual window::MessageResult Dispatch(const window::MessageParams& message) = 0;
    virtual void OnOK() { EndDialog(window::IDOK); }
    virtual void OnCancel() { EndDialog(window::IDCANCEL); }

    // Runs the data exchange in the given direction.
    void UpdateData(ExchangeDirection direction);
    void EndDialog(int result);

    [[nodiscard]] window::WindowSystem& Windows() const { return m_windows; }
    // The window; only while the dialog is shown.
    [[nodiscard]] window::DialogWindow& Window() const;
    [[nodiscard]] bool HasWindow() const { return m_window != nullptr; }

  private:
    window::WindowSystem& m_windows;
    const window::DialogTemplate& m_layout;
    window::DialogWindow* m_window = nullptr;
};

}  // namespace corvid::ui
