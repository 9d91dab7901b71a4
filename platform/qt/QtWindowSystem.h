#pragma once

#include <filesystem>
#include <functional>
#include <memory>
#include <string>

#include "platform/qt/CaretBlinkTimeout.h"
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
    // Runs once, before the first dialog or message box is made: work begun
    // ahead on another thread that the first window needs finished.
    std::function<void()> beforeFirstWindow;
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
    // From now on, times how long each handler holds the window's thread
    // (see HandlerStopwatch) and writes the figures to `report` whenever the
    // outermost dialog ends. Not measured unless called.
    void MeasureHandlerTimes(std::filesystem::path report,
                             HandlerStopwatch::Clock clock = SteadyClock());
    // The handlers' times so far; null unless they are measured.
    [[nodiscard]] const HandlerStopwatch* Stopwatch() const { return stopwatch.get(); }
    [[nodiscard]] int ScreenColorCount() const override;
    void SetDialogColors(Color background, Color text) override;

    // DoModal's first half, for test drivers that pump the loop themselves:
    // the dialog built and initialised, shown unless it ended during
    // OnInitDialog. The caller ends it with Finish.
    std::unique_ptr<QtDialog> OpenDialog(const DialogTemplate& layout, DialogHandler& handler,
                                         DialogWindow* owner);

  private:
    void WriteHandlerTimes() const;
    void PrepareFirstWindow();

    std::function<void()> beforeFirstWindow;
    std::filesystem::path handlerTimesReport;
    std::unique_ptr<HandlerStopwatch> stopwatch;
    int modalDepth = 0;
    std::unique_ptr<QtTimerSource> ownTimers;
    QtImages images;
    QtEnvironment environment;
    CaretBlinkTimeout caretBlink{environment.timers};
};

}  // namespace corvid::window::qt
