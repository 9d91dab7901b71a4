#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "platform/window/WindowSystem.h"

namespace corvid::window::contract {

enum class Arrow : std::uint8_t { UP, DOWN };

// What the contract suite needs of an adapter beyond the window interfaces:
// a way to open a dialog without blocking the test, and to act as the user
// with the adapter's own input (real key and mouse events where the adapter
// has them). Each adapter's test binary implements one and instantiates the
// suite with a factory for it.
class ContractDriver {
  public:
    virtual ~ContractDriver() = default;

    virtual WindowSystem& System() = 0;
    // Builds `layout`, runs the handler's OnInitDialog and leaves the dialog
    // open and idle; the modal loop is the driver's to pump. Null when the
    // dialog ended during OnInitDialog.
    virtual DialogWindow* Open(const DialogTemplate& layout, DialogHandler& handler) = 0;
    // The code the dialog ended with, once it has ended.
    [[nodiscard]] virtual std::optional<int> EndCode() const = 0;
    // Closes the open dialog as the window manager's close box does.
    virtual void CloseBox() = 0;

    virtual void Click(int controlId) = 0;
    // Focuses the edit and types the text as keys, one character at a time.
    virtual void Type(int controlId, std::string_view text) = 0;
    virtual void PressEnter(int focusedControlId) = 0;
    virtual void PressEscape(int focusedControlId) = 0;
    virtual void ClickArrow(int upDownId, Arrow arrow) = 0;
    // One step of the scroll bar: SB_LINELEFT, SB_LINERIGHT, SB_PAGELEFT, SB_PAGERIGHT.
    virtual void ScrollStep(int scrollBarId, ScrollCode code) = 0;
    // Drags the thumb to `position` and releases it.
    virtual void DragThumb(int scrollBarId, int position) = 0;
    // A click at `client` in the list's client coordinates.
    virtual void ClickList(int listId, Point client) = 0;
    // The top-left client point of a row, for ClickList.
    [[nodiscard]] virtual Point RowPoint(int listId, int row) const = 0;

    // Lets `milliseconds` of timer time pass, delivering each tick that falls
    // due, and whatever else is queued for the window.
    virtual void AdvanceTime(int milliseconds) = 0;
    // Delivers everything queued for the window (posted notices included)
    // without moving time.
    virtual void DeliverPending() = 0;

    // The answer the next message box gets. `whileOpen` runs inside the box's
    // nested loop before it is answered (to let time pass there, say).
    virtual void AnswerNextMessageBox(MessageBoxAnswer answer,
                                      std::function<void()> whileOpen = {}) = 0;
    // The path the next file dialog returns; none cancels it.
    virtual void AnswerNextFileDialog(std::optional<std::string> path) = 0;
    // The text and buttons of the last message box shown, and how many were.
    [[nodiscard]] virtual std::string LastMessageBoxText() const = 0;
    [[nodiscard]] virtual int MessageBoxCount() const = 0;
};

using DriverFactory = std::function<std::unique_ptr<ContractDriver>()>;

}  // namespace corvid::window::contract
