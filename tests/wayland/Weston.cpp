#include "tests/wayland/Weston.h"

#include <poll.h>
#include <unistd.h>

#include <array>
#include <cerrno>

namespace corvid::testing {
namespace {

constexpr std::string_view SOCKET_NAME = "corvid-wayland";
// The desktop shell's client sends this once its panel and background are up.
constexpr std::string_view DESKTOP_READY = ".desktop_ready()";

Environment ProcessEnvironment() {
    Environment variables;
    for (char** entry = environ; *entry != nullptr; ++entry) {
        variables.emplace_back(*entry);
    }
    return variables;
}

}  // namespace

WestonSession::WestonSession(std::filesystem::path runtimeFolder)
    : m_runtimeFolder(std::move(runtimeFolder)) {}

WestonSession::~WestonSession() {
    if (m_weston.IsRunning()) {
        m_weston.Terminate();
    }
    // The shell's helpers inherit Weston's standard error and may hold the
    // pipe open a little longer, so the reader is told to stop, not left to
    // wait for the pipe's end.
    if (m_stop.write.Get() >= 0) {
        const char stop = 's';
        static_cast<void>(::write(m_stop.write.Get(), &stop, 1));
    }
    if (m_reader.joinable()) {
        m_reader.join();
    }
}

bool WestonSession::StartHeadless(std::chrono::milliseconds timeout) {
    return Start({"--backend=headless-backend.so"}, ProcessEnvironment(), timeout);
}

bool WestonSession::StartInX11(const std::string& display, std::chrono::milliseconds timeout) {
    // Xvfb has no GL: Weston draws with its CPU renderer.
    return Start({"--backend=x11-backend.so", "--use-pixman"},
                 WithVariables(ProcessEnvironment(), {"DISPLAY=" + display}), timeout);
}

bool WestonSession::Start(std::vector<std::string> arguments, const Environment& environment,
                          std::chrono::milliseconds timeout) {
    Pipe output = MakePipe();
    m_stop = MakePipe();
    if (output.read.Get() < 0 || m_stop.read.Get() < 0) {
        return false;
    }
    arguments.insert(arguments.begin(), "weston");
    // "proto" logs every request and event; "log" is Weston's own log.
    for (const char* argument :
         {"--idle-time=0", "--width=1024", "--height=768", "--logger-scopes=log,proto"}) {
        arguments.emplace_back(argument);
    }
    arguments.push_back("--socket=" + std::string(SOCKET_NAME));
    m_weston = ChildProcess::Spawn(
        arguments, WithVariables(environment, {"XDG_RUNTIME_DIR=" + m_runtimeFolder.string()}),
        output.write.Get(), output.write.Get());
    output.write.Close();
    if (!m_weston.IsRunning()) {
        return false;
    }
    m_reader = std::thread(
        [this, read = std::move(output.read)] { ReadLoop(read.Get(), m_stop.read.Get()); });
    return WaitForLog(
        [](std::string_view log) { return log.find(DESKTOP_READY) != std::string_view::npos; },
        timeout);
}

Environment WestonSession::ClientEnvironment(Environment base) const {
    std::erase_if(base, [](const std::string& entry) { return entry.starts_with("DISPLAY="); });
    return WithVariables(std::move(base), {"XDG_RUNTIME_DIR=" + m_runtimeFolder.string(),
                                           "WAYLAND_DISPLAY=" + std::string(SOCKET_NAME),
                                           "QT_QPA_PLATFORM=wayland", "XDG_SESSION_TYPE=wayland"});
}

bool WestonSession::WaitForLog(const std::function<bool(std::string_view)>& predicate,
                               std::chrono::milliseconds timeout) {
    std::unique_lock lock(m_mutex);
    m_arrived.wait_for(lock, timeout, [&] { return m_ended || predicate(m_log); });
    return predicate(m_log);
}

std::string WestonSession::Log() const {
    std::lock_guard lock(m_mutex);
    return m_log;
}

void WestonSession::ReadLoop(int fd, int stopFd) {
    std::array<char, 16384> buffer{};
    for (;;) {
        std::array<pollfd, 2> wanted{pollfd{fd, POLLIN, 0}, pollfd{stopFd, POLLIN, 0}};
        if (::poll(wanted.data(), wanted.size(), -1) < 0) {
            if (errno == EINTR) {
                continue;
            }
            break;
        }
        if ((wanted[1].revents & POLLIN) != 0) {
            break;
        }
        const ssize_t count = ::read(fd, buffer.data(), buffer.size());
        if (count < 0 && errno == EINTR) {
            continue;
        }
        if (count <= 0) {
            break;
        }
        std::lock_guard lock(m_mutex);
        m_log.append(buffer.data(), static_cast<std::size_t>(count));
        m_arrived.notify_all();
    }
    std::lock_guard lock(m_mutex);
    m_ended = true;
    m_arrived.notify_all();
}

}  // namespace corvid::testing
