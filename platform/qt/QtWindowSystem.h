#pragma once

#include <memory>
#include <string>

#include "platform/qt/QtDialog.h"
#include "platform/qt/QtEnvironment.h"
#include "platform/qt/QtImages.h"
#include "platform/qt/TimerSource.h"
#include "platform/window/WindowSystem.h"

namespace corvid::window::qt {

struct QtWindowSystemOptions {
    // The caption of message boxes; empty takes QApplication::applicationName
    // as it is when a box is shown.
    std::string applicationName;
    FileDialogLook fileDialogs = FileDialogLook::PLATFORM;
};

// The window operations on Qt Widgets. A QApplication must exist; everything
// runs on its thread.
class QtWindowSystem final : public WindowSystem {
  public:
    // With timers in real time.
    explicit QtWindowSystem(QtWindowSystemOptions options);
    // With the given timers, which outlive the system.
    QtWindowSystem(QtWindowSystemOptions options, TimerSource& timers);

    int DoModal(const DialogTemplate& layout, DialogHandler& handler, DialogWindow* owner) override;
    MessageBoxAnswer ShowMessageBox(std::string_view text, MessageBoxButtons buttons) override;
    [[nodiscard]] int ScreenColorCount() const override;
    void SetDialogColors(Color background, Color text) override;

    // DoModal's first half, for test drivers that pump the loop themselves:
    // the dialog built and initialised, shown unless it ended during
    // OnInitDialog. The caller ends it with Finish.
    std::unique_ptr<QtDialog> OpenDialog(const DialogTemplate& layout, DialogHandler& handler,
                                         DialogWindow* owner);

  private:
    std::unique_ptr<QtTimerSource> ownTimers;
    QtImages images;
    QtEnvironment environment;
};

}  // namespace corvid::window::qt
