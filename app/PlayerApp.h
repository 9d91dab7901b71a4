#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>

#include "app/SingleInstance.h"
#include "platform/window/WindowSystem.h"
#include "ui/PlayerPorts.h"

namespace corvid::ui {
class CPlayerDlg;
}

namespace corvid::app {

// The dialog colours on screens of more than 256 colours, as COLORREF values
// 11847860 and 12800 name them.
inline constexpr window::Color DIALOG_BACKGROUND_COLOR{180, 200, 180};
inline constexpr window::Color DIALOG_TEXT_COLOR{0, 50, 0};

// The framework's standard help command.
inline constexpr int ID_HELP = 0xE146;

// The device and the track list folder of one run of the player window,
// owned for as long as the window lives.
class PlayerSession {
  public:
    virtual ~PlayerSession() = default;
    [[nodiscard]] virtual ui::PlayerPorts Ports() = 0;
};

// Makes the session. Start-up calls it only once it knows that it is the
// only instance, so that a second start reaches no drive, no sound server
// and no folder. It may tell the user of a problem through the window system.
using SessionFactory = std::function<std::unique_ptr<PlayerSession>()>;

struct AppPorts {
    LockPlaces lockPlaces;
    window::WindowSystem& windows;
    SessionFactory makeSession;
};

// The application object: refuses a second instance, sets the dialog colours
// and runs the player window modally until it closes. The instance lock is
// held for as long as this object lives: keep it until the process ends.
class CPlayerApp {
  public:
    explicit CPlayerApp(AppPorts ports);
    ~CPlayerApp();
    CPlayerApp(const CPlayerApp&) = delete;
    CPlayerApp& operator=(const CPlayerApp&) = delete;

    // The whole run. Always false: the player window's modal loop is the
    // program's only loop, and returning ends the process.
    bool InitInstance();
    // The process's exit code once InitInstance has returned: 0 in every case.
    [[nodiscard]] int ExitCode() const { return m_exitCode; }

    // Routes an application command through the dispatch table; false when
    // no entry takes it.
    bool OnCommand(int commandId);
    // There is no help file, so the help command leads nowhere.
    void OnHelp() {}

    // The player window while it runs; null before and after.
    [[nodiscard]] ui::CPlayerDlg* MainWindow() const { return m_pMainWnd; }

  private:
    struct CommandEntry {
        int commandId;
        void (CPlayerApp::*handler)();
    };
    static const CommandEntry COMMAND_MAP[];

    // Qt draws every control in its own style, so there is nothing to turn on.
    void Enable3dControlsStatic() {}
    void SetDialogColorsForScreen();
    void RunPlayerWindow();

    AppPorts m_ports;
    std::optional<SingleInstanceGuard> m_instanceLock;
    ui::CPlayerDlg* m_pMainWnd = nullptr;
    int m_exitCode = 0;
};

}  // namespace corvid::app
