#pragma once

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "tests/support/PulseServer.h"

// A desktop for end-to-end tests: a virtual X display with a window manager,
// and the X tools that act as the user and look at the screen.
namespace corvid::testing {

using Environment = std::vector<std::string>;

// `base` with each "NAME=value" of `overrides` put in place of its name.
Environment WithVariables(Environment base, const std::vector<std::string>& overrides);

// Runs a command to its end and gives its exit status and output. A command
// still running at `timeout` is ended and reads as failed.
CommandResult RunCommand(const std::vector<std::string>& arguments, const Environment& environment,
                         std::chrono::milliseconds timeout);

// Waits until `process` ends, at most `timeout`. Its exit code, or none when
// it still runs (it is left running) or was killed by a signal.
std::optional<int> WaitForExit(ChildProcess& process, std::chrono::milliseconds timeout);

// Xvfb on the first free display, 24 bits deep, with openbox managing its
// windows, so that windows get a frame and a caption and Alt+F4 closes
// them. Both are stopped by their process ids when the object goes.
class VirtualDesktop {
  public:
    explicit VirtualDesktop(std::filesystem::path folder) : m_folder(std::move(folder)) {}

    // Starts the display and the window manager and waits until both are up.
    // False when one did not come up in time; Log() tells why.
    [[nodiscard]] bool Start(std::chrono::milliseconds timeout);

    // ":N", for DISPLAY.
    [[nodiscard]] const std::string& Display() const { return m_display; }
    // `base` with DISPLAY set to this desktop.
    [[nodiscard]] Environment ClientEnvironment(Environment base) const;
    // What the display server and the window manager have said.
    [[nodiscard]] std::string Log() const;

  private:
    [[nodiscard]] bool StartDisplay(std::chrono::steady_clock::time_point deadline);
    [[nodiscard]] bool StartWindowManager(std::chrono::steady_clock::time_point deadline);

    std::filesystem::path m_folder;
    std::string m_display;
    // Declared first, so that it goes last: the window manager needs the display.
    ChildProcess m_displayServer;
    ChildProcess m_windowManager;
};

struct ScreenPoint {
    int x = 0;
    int y = 0;
};

// X's numbers of the mouse buttons.
enum class MouseButton : std::uint8_t { Left = 1, Right = 3 };

// The X tools on one display.
class DesktopTools {
  public:
    explicit DesktopTools(Environment environment) : m_environment(std::move(environment)) {}

    // The first visible window of process `pid` whose name matches the
    // regular expression `namePattern`, once it is mapped; none when no such
    // window came within `timeout`.
    [[nodiscard]] std::optional<std::string> WaitForWindowOf(int pid,
                                                             std::chrono::milliseconds timeout,
                                                             std::string_view namePattern = ".");
    [[nodiscard]] std::string WindowName(const std::string& window);
    // The visible windows, one a line with its name, for failure messages.
    [[nodiscard]] std::string WindowsOnScreen();
    // The screen position of the window's client area, its top-left pixel.
    [[nodiscard]] std::optional<ScreenPoint> ClientOrigin(const std::string& window);
    // Moves the pointer to `point` and presses and releases the button.
    [[nodiscard]] bool ClickAt(ScreenPoint point, MouseButton button = MouseButton::Left);
    // Gives the window the focus and presses `keys` ("alt+F4").
    [[nodiscard]] bool PressKeysIn(const std::string& window, std::string_view keys);
    // Presses `keys` in whatever has the focus: a menu that is open, say.
    [[nodiscard]] bool PressKeys(std::string_view keys);
    // Writes a PNG of the window with its window-manager frame.
    [[nodiscard]] bool SaveScreenshot(const std::string& window, const std::filesystem::path& png);

  private:
    CommandResult Run(const std::vector<std::string>& arguments);

    Environment m_environment;
};

}  // namespace corvid::testing
