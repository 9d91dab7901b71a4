#pragma once

#include <cstdint>
#include <string_view>

#include "platform/window/DialogTemplate.h"
#include "platform/window/DialogWindow.h"

namespace corvid::window {

// What a dialog gives its adapter: the hook after the window and its controls
// are made, and the receiver of every message.
class DialogHandler {
  public:
    virtual ~DialogHandler() = default;
    // Called once, after the controls exist and before the window is used.
    // The result says whether the adapter puts the focus on the first tab
    // stop (true) or the handler has placed it itself (false).
    virtual bool OnInitDialog(DialogWindow& window) = 0;
    // Enter sends WM_COMMAND BN_CLICKED with the default button's id when
    // that button is enabled, and with IDOK otherwise; Escape sends IDCANCEL.
    virtual MessageResult OnMessage(const MessageParams& message) = 0;
};

// An RGB colour.
struct Color {
    std::uint8_t red = 0;
    std::uint8_t green = 0;
    std::uint8_t blue = 0;
    bool operator==(const Color&) const = default;
};

// The windowing system of the process. Everything is called on the window
// thread.
class WindowSystem {
  public:
    virtual ~WindowSystem() = default;

    // Builds the dialog from `layout`, calls the handler's OnInitDialog, runs
    // the modal loop until EndDialog, sends WM_DESTROY and returns the code
    // given to EndDialog. `owner` is the dialog's parent window, or null.
    virtual int DoModal(const DialogTemplate& layout, DialogHandler& handler,
                        DialogWindow* owner) = 0;

    // A message box that belongs to no window, for messages before any
    // window exists.
    virtual MessageBoxAnswer ShowMessageBox(std::string_view text, MessageBoxButtons buttons) = 0;

    // The number of colours of the screen, -1 for more than 256.
    [[nodiscard]] virtual int ScreenColorCount() const = 0;
    // The background and text colour of every dialog and message box from now on.
    virtual void SetDialogColors(Color background, Color text) = 0;
};

}  // namespace corvid::window
