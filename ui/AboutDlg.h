#pragma once

#include "res/AboutDialogTemplate.h"
#include "ui/Dialog.h"

namespace corvid::ui {

// The About box: a picture, the version line and the credit lines of
// template 100, closed by "Happy?", Escape or the close box. A new one is
// built for every opening.
class CAboutDlg final : public Dialog {
  public:
    explicit CAboutDlg(window::WindowSystem& windows) : Dialog(windows, res::ABOUT_DIALOG) {}

  protected:
    // Every message goes to the default handling.
    window::MessageResult Dispatch(const window::MessageParams& message) override {
        static_cast<void>(message);
        return std::nullopt;
    }
};

}  // namespace corvid::ui
