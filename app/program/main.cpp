// corvid-player: the player window over the drive or image that the command
// line names, on Qt Widgets and the sound server.
#include <unistd.h>

#include <QApplication>
#include <QCoreApplication>
#include <QDBusConnection>
#include <QGuiApplication>
#include <QWidget>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <iostream>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <system_error>
#include <utility>

#include "app/CommandLine.h"
#include "app/Environment.h"
#include "app/PlayerApp.h"
#include "app/program/CloseOnSignal.h"
#include "app/program/ProgramSession.h"
#include "platform/mpris/MprisService.h"
#include "platform/qt/DisplayConnection.h"
#include "platform/qt/FontConfigurationReader.h"
#include "platform/qt/QtDialog.h"
#include "platform/qt/QtWindowSystem.h"
#include "platform/qt/TimerSource.h"

namespace {

using namespace corvid::app;

std::optional<std::string> ProcessVariable(std::string_view name) {
    const char* value = std::getenv(std::string(name).c_str());
    if (value == nullptr) {
        return std::nullopt;
    }
    return std::string(value);
}

CommandOptions ReadCommandLine(int argc, char** argv) {
    std::error_code ignored;
    const std::filesystem::path current = std::filesystem::current_path(ignored);
    // A program may be started with no arguments at all, not even its name.
    const std::size_t count = argc > 1 ? static_cast<std::size_t>(argc - 1) : 0;
    const std::span<const char* const> arguments(argc > 1 ? argv + 1 : argv, count);
    return ParseCommandLine(arguments, current);
}

// Answers the options that end the program before any window; none when it
// is to run.
std::optional<int> AnswerWithoutWindow(const CommandOptions& options) {
    switch (options.action) {
        case CommandAction::Run:
            return std::nullopt;
        case CommandAction::ShowHelp:
            std::cout << HelpText();
            return EXIT_SUCCESS;
        case CommandAction::ShowVersion:
            std::cout << VersionText();
            return EXIT_SUCCESS;
        case CommandAction::Fail:
            std::cerr << options.failure << '\n' << UsageText();
            return BAD_OPTION_EXIT_CODE;
    }
    return std::nullopt;
}

// Brings the player to the front, or the message box that is over it.
void RaisePlayerWindow() {
    QWidget* window = QApplication::activeModalWidget();
    if (window == nullptr) {
        return;
    }
    window->raise();
    window->activateWindow();
}

// Closes what a user would close first: the player window, or a dialog of
// its own over it (the About box), after which the player is next. A message
// box or a file dialog waits for the user's answer.
CloseAttempt CloseTopWindow(const CPlayerApp& app) {
    auto* dialog = dynamic_cast<corvid::window::qt::QtDialog*>(QApplication::activeModalWidget());
    const corvid::ui::CPlayerDlg* player = app.MainWindow();
    if (dialog == nullptr || player == nullptr || !player->IsShown()) {
        return CloseAttempt::TryAgain;
    }
    // The player's window has no owner; its own dialogs are owned by it.
    const bool isPlayer = dialog->parentWidget() == nullptr;
    dialog->close();
    return isPlayer ? CloseAttempt::Closed : CloseAttempt::TryAgain;
}

// Runs an action at every timer tick of a window, as the tick is delivered:
// work that follows the window's ticks then needs no timer and no wake-up of
// its own.
class AtEveryTick final : public QObject {
  public:
    explicit AtEveryTick(std::function<void()> action) : m_action(std::move(action)) {
        QCoreApplication::instance()->installEventFilter(this);
    }
    ~AtEveryTick() override { QCoreApplication::instance()->removeEventFilter(this); }
    AtEveryTick(const AtEveryTick&) = delete;
    AtEveryTick& operator=(const AtEveryTick&) = delete;
    AtEveryTick(AtEveryTick&&) = delete;
    AtEveryTick& operator=(AtEveryTick&&) = delete;

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == corvid::window::qt::TimerTickEvent::TYPE) {
            m_action();
        }
        return QObject::eventFilter(watched, event);
    }

  private:
    std::function<void()> m_action;
};

}  // namespace

int main(int argc, char** argv) {
    const CommandOptions options = ReadCommandLine(argc, argv);
    if (const std::optional<int> exitCode = AnswerWithoutWindow(options)) {
        return *exitCode;
    }
    // Before the first thread of ours starts: it sets an environment variable.
    corvid::window::qt::SendPicturesOverTheConnection();
    // The font configuration is read on another core while Qt starts.
    corvid::window::qt::FontConfigurationReader fontConfiguration;
    // Qt names the application after the program file, and that name is the
    // caption of every message box.
    QApplication application(argc, argv);
    // Lets Wayland desktops match the window to its desktop entry.
    QGuiApplication::setDesktopFileName("corvid-player");
    const Environment environment = ProcessVariable;
    corvid::window::qt::QtWindowSystemOptions windowOptions;
    windowOptions.beforeFirstWindow = [&fontConfiguration] { fontConfiguration.Wait(); };
    corvid::window::qt::QtWindowSystem windows(std::move(windowOptions));
    // For the benchmarks: how long each handler holds the window's thread.
    if (const std::optional<std::string> report = environment("CORVID_HANDLER_TIMES")) {
        windows.MeasureHandlerTimes(*report);
    }
    CPlayerApp app({LockPlacesFrom(environment, ::getuid()), windows, [&] {
                        return std::make_unique<ProgramSession>(options, environment, windows);
                    }});
    // Desktop media controls: the service takes its bus name once the player
    // window is shown and gives it up when it closes; without a session bus it
    // does nothing. Connecting to the bus waits for the bus's answers, so it
    // comes at the window's first tick, once the window is drawn; after that
    // the service looks at the window on the window's own ticks.
    std::unique_ptr<corvid::mpris::MprisService> mpris;
    bool mprisTried = false;
    const AtEveryTick followTicks([&mpris, &mprisTried, &app] {
        if (mpris) {
            mpris->Poll();
            return;
        }
        if (!std::exchange(mprisTried, true)) {
            mpris = corvid::mpris::MprisService::Start(
                QDBusConnection::sessionBus(), [&app] { return app.MainWindow(); },
                RaisePlayerWindow, corvid::mpris::PollTiming::CALLER);
        }
    });
    const CloseOnSignal closeOnSignal([&app] { return CloseTopWindow(app); });
    app.InitInstance();
    return app.ExitCode();
}
