#pragma once

#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <functional>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "tests/e2e/Desktop.h"
#include "tests/support/Pipe.h"
#include "tests/support/PulseServer.h"

namespace corvid::testing {

// A Wayland session for end-to-end tests: Weston with its desktop shell,
// listening on a socket of its own in a private runtime folder. Weston logs
// every protocol message between it and its clients, so a test can see what a
// client told the compositor: its app id, its titles, its size. Weston is
// stopped by its process id when the object goes.
class WestonSession {
  public:
    // `runtimeFolder` must exist, owned by this user with mode 0700.
    explicit WestonSession(std::filesystem::path runtimeFolder);
    ~WestonSession();
    WestonSession(const WestonSession&) = delete;
    WestonSession& operator=(const WestonSession&) = delete;

    // Starts Weston with its headless back end: no screen and no input.
    // Waits until its desktop shell says that the desktop is ready; by then
    // the socket accepts clients. False when it did not come up in time;
    // Log() tells why.
    [[nodiscard]] bool StartHeadless(std::chrono::milliseconds timeout);
    // Starts Weston as a window of the X display `display`, so that X tools
    // can press keys in the session. Waits as StartHeadless does.
    [[nodiscard]] bool StartInX11(const std::string& display, std::chrono::milliseconds timeout);

    // `base` as a Wayland client of this compositor sees it: the runtime
    // folder, the socket's name, Qt's Wayland platform, and no X display to
    // fall back on.
    [[nodiscard]] Environment ClientEnvironment(Environment base) const;

    // Waits until `predicate` holds for the log so far, checked whenever more
    // arrives. False when it did not within `timeout` or Weston ended.
    [[nodiscard]] bool WaitForLog(const std::function<bool(std::string_view)>& predicate,
                                  std::chrono::milliseconds timeout);
    [[nodiscard]] std::string Log() const;

  private:
    [[nodiscard]] bool Start(std::vector<std::string> arguments, const Environment& environment,
                             std::chrono::milliseconds timeout);
    void ReadLoop(int fd, int stopFd);

    std::filesystem::path m_runtimeFolder;
    mutable std::mutex m_mutex;
    std::condition_variable m_arrived;
    std::string m_log;
    bool m_ended = false;
    Pipe m_stop;
    ChildProcess m_weston;
    std::thread m_reader;
};

}  // namespace corvid::testing
