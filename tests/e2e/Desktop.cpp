#include "tests/e2e/Desktop.h"
#include "tests/support/Pipe.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <fstream>
#include <regex>
#include <sstream>
#include <utility>

namespace corvid::testing {
namespace {

using Clock = std::chrono::steady_clock;

constexpr std::string_view WINDOW_MANAGER_READY = "openbox-ready";
constexpr auto TOOL_TIMEOUT = std::chrono::seconds(20);

int MillisecondsUntil(Clock::time_point deadline) {
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now());
    return static_cast<int>(std::max<std::chrono::milliseconds::rep>(0, left.count()));
}

enum class ReadEnd : std::uint8_t { Found, EndOfInput, TimedOut };

// Reads `fd` into `text` until `found` holds for it, the input ends or the
// deadline passes.
template <class Predicate>
ReadEnd ReadUntil(int fd, Clock::time_point deadline, std::string& text, Predicate found) {
    std::array<char, 4096> buffer{};
    while (!found(text)) {
        pollfd wanted{fd, POLLIN, 0};
        const int ready = ::poll(&wanted, 1, MillisecondsUntil(deadline));
        if (ready < 0 && errno == EINTR) {
            continue;
        }
        if (ready <= 0) {
            return ReadEnd::TimedOut;
        }
        const ssize_t count = ::read(fd, buffer.data(), buffer.size());
        if (count < 0 && errno == EINTR) {
            continue;
        }
        if (count <= 0) {
            return ReadEnd::EndOfInput;
        }
        text.append(buffer.data(), static_cast<std::size_t>(count));
    }
    return ReadEnd::Found;
}

Environment ProcessEnvironment() {
    Environment variables;
    for (char** entry = environ; *entry != nullptr; ++entry) {
        variables.emplace_back(*entry);
    }
    return variables;
}

std::string FirstLine(const std::string& text) {
    return text.substr(0, text.find('\n'));
}

std::optional<int> NumberAfter(const std::string& text, const std::string& label) {
    const std::regex pattern(label + R"(\s*(-?\d+))");
    std::smatch match;
    if (!std::regex_search(text, match, pattern)) {
        return std::nullopt;
    }
    return std::stoi(match[1]);
}

std::string ReadFile(const std::filesystem::path& path) {
    std::ifstream file(path);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

}  // namespace

Environment WithVariables(Environment base, const std::vector<std::string>& overrides) {
    for (const std::string& variable : overrides) {
        const std::string prefix = variable.substr(0, variable.find('=') + 1);
        std::erase_if(base, [&](const std::string& entry) { return entry.starts_with(prefix); });
        base.push_back(variable);
    }
    return base;
}

std::optional<int> WaitForExit(ChildProcess& process, std::chrono::milliseconds timeout) {
    if (!process.IsRunning()) {
        return std::nullopt;
    }
    // Debian 12's <sys/pidfd.h> lacks C linkage for C++, so call the kernel directly.
    const FileDescriptor ended(static_cast<int>(::syscall(SYS_pidfd_open, process.Pid(), 0)));
    const Clock::time_point deadline = Clock::now() + timeout;
    for (;;) {
        pollfd wanted{ended.Get(), POLLIN, 0};
        const int ready = ::poll(&wanted, 1, MillisecondsUntil(deadline));
        if (ready < 0 && errno == EINTR) {
            continue;
        }
        if (ready <= 0) {
            return std::nullopt;
        }
        const int status = process.Wait();
        return status < 0 ? std::nullopt : std::optional(status);
    }
}

CommandResult RunCommand(const std::vector<std::string>& arguments, const Environment& environment,
                         std::chrono::milliseconds timeout) {
    const Clock::time_point deadline = Clock::now() + timeout;
    Pipe output = MakePipe();
    ChildProcess child =
        ChildProcess::Spawn(arguments, environment, output.write.Get(), output.write.Get());
    output.write.Close();
    if (!child.IsRunning()) {
        return {};
    }
    CommandResult result;
    const ReadEnd end = ReadUntil(output.read.Get(), deadline, result.output,
                                  [](const std::string&) { return false; });
    if (end == ReadEnd::TimedOut) {
        child.Terminate();
        return result;
    }
    result.exitStatus =
        WaitForExit(child, std::chrono::milliseconds(MillisecondsUntil(deadline))).value_or(-1);
    return result;
}

bool VirtualDesktop::Start(std::chrono::milliseconds timeout) {
    const Clock::time_point deadline = Clock::now() + timeout;
    return StartDisplay(deadline) && StartWindowManager(deadline);
}

bool VirtualDesktop::StartDisplay(Clock::time_point deadline) {
    const FileDescriptor log(::open((m_folder / "display.log").c_str(),
                                    O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0600));
    Pipe ready = MakePipe();
    // Xvfb picks a free display and writes its number to standard output when
    // it accepts clients.
    m_displayServer = ChildProcess::Spawn(
        {"Xvfb", "-displayfd", "1", "-screen", "0", "1024x768x24", "-nolisten", "tcp", "-noreset"},
        ProcessEnvironment(), ready.write.Get(), log.Get());
    ready.write.Close();
    if (!m_displayServer.IsRunning()) {
        return false;
    }
    std::string number;
    const ReadEnd end = ReadUntil(ready.read.Get(), deadline, number, [](const std::string& text) {
        return text.find('\n') != std::string::npos;
    });
    if (end != ReadEnd::Found) {
        return false;
    }
    m_display = ":" + FirstLine(number);
    return true;
}

bool VirtualDesktop::StartWindowManager(Clock::time_point deadline) {
    // Openbox runs its start-up command once it manages the screen; the
    // command tells us through a named pipe. Opened for reading and writing,
    // the pipe never reports an end while we wait.
    const std::filesystem::path signal = m_folder / "window-manager-ready";
    if (::mkfifo(signal.c_str(), 0600) != 0) {
        return false;
    }
    const FileDescriptor ready(::open(signal.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC));
    const FileDescriptor log(::open((m_folder / "window-manager.log").c_str(),
                                    O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0600));
    const std::string startup =
        "sh -c \"echo " + std::string(WINDOW_MANAGER_READY) + " > " + signal.string() + "\"";
    m_windowManager =
        ChildProcess::Spawn({"openbox", "--sm-disable", "--startup", startup},
                            WithVariables(ClientEnvironment(ProcessEnvironment()),
                                          {"HOME=" + m_folder.string(),
                                           "XDG_CONFIG_HOME=" + (m_folder / "config").string(),
                                           "XDG_CACHE_HOME=" + (m_folder / "cache").string()}),
                            log.Get(), log.Get());
    if (!m_windowManager.IsRunning()) {
        return false;
    }
    std::string said;
    return ReadUntil(ready.Get(), deadline, said, [](const std::string& text) {
               return text.find(WINDOW_MANAGER_READY) != std::string::npos;
           }) == ReadEnd::Found;
}

Environment VirtualDesktop::ClientEnvironment(Environment base) const {
    return WithVariables(std::move(base), {"DISPLAY=" + m_display});
}

std::string VirtualDesktop::Log() const {
    return "display: " + ReadFile(m_folder / "display.log") +
           "\nwindow manager: " + ReadFile(m_folder / "window-manager.log");
}

CommandResult DesktopTools::Run(const std::vector<std::string>& arguments) {
    return RunCommand(arguments, m_environment, TOOL_TIMEOUT);
}

std::optional<std::string> DesktopTools::WaitForWindowOf(int pid, std::chrono::milliseconds timeout,
                                                         std::string_view namePattern) {
    // xdotool waits until the window is mapped; the timeout ends it otherwise.
    // A window that goes while xdotool looks at it (a menu closing) makes it
    // fail at once with an X error, so a failure before the deadline is
    // another look, not an answer.
    const Clock::time_point deadline = Clock::now() + timeout;
    while (Clock::now() < deadline) {
        const CommandResult found =
            RunCommand({"xdotool", "search", "--sync", "--all", "--onlyvisible", "--pid",
                        std::to_string(pid), "--name", std::string(namePattern)},
                       m_environment, std::chrono::milliseconds(MillisecondsUntil(deadline)));
        if (found.exitStatus == 0 && !found.output.empty()) {
            return FirstLine(found.output);
        }
    }
    return std::nullopt;
}

std::string DesktopTools::WindowName(const std::string& window) {
    return FirstLine(Run({"xdotool", "getwindowname", window}).output);
}

std::string DesktopTools::WindowsOnScreen() {
    return Run({"xdotool", "search", "--onlyvisible", "--name", ".", "getwindowname", "%@"}).output;
}

std::optional<ScreenPoint> DesktopTools::ClientOrigin(const std::string& window) {
    const CommandResult info = Run({"xwininfo", "-id", window});
    if (info.exitStatus != 0) {
        return std::nullopt;
    }
    const std::optional<int> x = NumberAfter(info.output, "Absolute upper-left X:");
    const std::optional<int> y = NumberAfter(info.output, "Absolute upper-left Y:");
    if (!x || !y) {
        return std::nullopt;
    }
    return ScreenPoint{*x, *y};
}

bool DesktopTools::ClickAt(ScreenPoint point, MouseButton button) {
    return Run({"xdotool", "mousemove", "--sync", std::to_string(point.x), std::to_string(point.y),
                "click", std::to_string(static_cast<int>(button))})
               .exitStatus == 0;
}

bool DesktopTools::PressKeys(std::string_view keys) {
    return Run({"xdotool", "key", "--clearmodifiers", std::string(keys)}).exitStatus == 0;
}

bool DesktopTools::PressKeysIn(const std::string& window, std::string_view keys) {
    return Run({"xdotool", "windowactivate", "--sync", window, "key", "--clearmodifiers",
                std::string(keys)})
               .exitStatus == 0;
}

bool DesktopTools::SaveScreenshot(const std::string& window, const std::filesystem::path& png) {
    return Run({"import", "-window", window, "-frame", png.string()}).exitStatus == 0;
}

}  // namespace corvid::testing
