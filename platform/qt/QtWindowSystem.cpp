#include "platform/qt/QtWindowSystem.h"

#include <QApplication>
#include <QScreen>
#include <fstream>
#include <utility>

#include "platform/qt/QtModals.h"

namespace corvid::window::qt {

namespace {

// Above 8 bits per pixel Windows reports -1 colours.
constexpr int LARGEST_COUNTED_DEPTH = 8;

QString ApplicationName(const QtWindowSystemOptions& options) {
    return FromUtf8(options.applicationName);
}

}  // namespace

QtWindowSystem::QtWindowSystem(QtWindowSystemOptions options)
    : beforeFirstWindow(std::move(options.beforeFirstWindow)),
      ownTimers(std::make_unique<QtTimerSource>()),
      environment{ApplicationName(options), *ownTimers,   images,
                  options.fileDialogs,      std::nullopt, nullptr} {}

QtWindowSystem::QtWindowSystem(QtWindowSystemOptions options, TimerSource& timers)
    : beforeFirstWindow(std::move(options.beforeFirstWindow)),
      environment{ApplicationName(options), timers,       images,
                  options.fileDialogs,      std::nullopt, nullptr} {}

void QtWindowSystem::MeasureHandlerTimes(std::filesystem::path report,
                                         HandlerStopwatch::Clock clock) {
    handlerTimesReport = std::move(report);
    stopwatch = std::make_unique<HandlerStopwatch>(std::move(clock));
    environment.stopwatch = stopwatch.get();
}

std::unique_ptr<QtDialog> QtWindowSystem::OpenDialog(const DialogTemplate& layout,
                                                     DialogHandler& handler, DialogWindow* owner) {
    PrepareFirstWindow();
    auto dialog =
        std::make_unique<QtDialog>(layout, handler, environment, dynamic_cast<QtDialog*>(owner));
    dialog->Initialize();
    return dialog;
}

int QtWindowSystem::DoModal(const DialogTemplate& layout, DialogHandler& handler,
                            DialogWindow* owner) {
    ++modalDepth;
    std::unique_ptr<QtDialog> dialog = OpenDialog(layout, handler, owner);
    dialog->RunModalLoop();
    dialog->Finish();
    if (--modalDepth == 0) {
        WriteHandlerTimes();
    }
    return dialog->EndCode().value_or(IDCANCEL);
}

void QtWindowSystem::PrepareFirstWindow() {
    if (const std::function<void()> prepare = std::exchange(beforeFirstWindow, nullptr)) {
        prepare();
    }
}

void QtWindowSystem::WriteHandlerTimes() const {
    if (!stopwatch) {
        return;
    }
    std::ofstream(handlerTimesReport, std::ios::trunc) << stopwatch->Report();
}

MessageBoxAnswer QtWindowSystem::ShowMessageBox(std::string_view text, MessageBoxButtons buttons) {
    PrepareFirstWindow();
    return RunMessageBox(nullptr, environment, text, buttons);
}

int QtWindowSystem::ScreenColorCount() const {
    const QScreen* screen = QGuiApplication::primaryScreen();
    const int depth = screen == nullptr ? 32 : screen->depth();
    return depth > LARGEST_COUNTED_DEPTH ? -1 : 1 << depth;
}

void QtWindowSystem::SetDialogColors(Color background, Color text) {
    environment.colors = DialogColors{background, text};
}

}  // namespace corvid::window::qt
