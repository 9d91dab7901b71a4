#include "tests/support/PulseServer.h"
#include "tests/support/Pipe.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/inotify.h>
#include <sys/prctl.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <utility>

extern char** environ;

namespace corvid::testing {
namespace {

using Clock = std::chrono::steady_clock;

// Reads a descriptor to its end.
std::string ReadAll(int fd) {
    std::string text;
    std::array<char, 4096> buffer{};
    for (;;) {
        const ssize_t count = ::read(fd, buffer.data(), buffer.size());
        if (count < 0 && errno == EINTR) {
            continue;
        }
        if (count <= 0) {
            return text;
        }
        text.append(buffer.data(), static_cast<std::size_t>(count));
    }
}

int MillisecondsUntil(Clock::time_point deadline) {
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now());
    return static_cast<int>(std::max<std::chrono::milliseconds::rep>(0, left.count()));
}

// This process's environment with `overrides` ("NAME=value") put in.
std::vector<std::string> EnvironmentWith(const std::vector<std::string>& overrides) {
    std::vector<std::string> result;
    for (char** entry = environ; *entry != nullptr; ++entry) {
        const std::string_view text(*entry);
        const std::string_view name = text.substr(0, text.find('='));
        const bool overridden = std::any_of(overrides.begin(), overrides.end(), [&](const auto& o) {
            return o.size() > name.size() && o.compare(0, name.size(), name) == 0 &&
                   o[name.size()] == '=';
        });
        if (!overridden) {
            result.emplace_back(text);
        }
    }
    result.insert(result.end(), overrides.begin(), overrides.end());
    return result;
}

std::vector<char*> CStrings(const std::vector<std::string>& texts) {
    std::vector<char*> pointers;
    pointers.reserve(texts.size() + 1);
    for (const std::string& text : texts) {
        pointers.push_back(const_cast<char*>(text.c_str()));
    }
    pointers.push_back(nullptr);
    return pointers;
}

// The program's path, looked up in PATH before forking: after fork only
// async-signal-safe calls may run.
std::string FindProgram(const std::string& name) {
    if (name.find('/') != std::string::npos) {
        return name;
    }
    const char* path = std::getenv("PATH");
    std::istringstream folders(path != nullptr ? path : "/usr/bin:/bin");
    std::string folder;
    while (std::getline(folders, folder, ':')) {
        const std::string candidate = folder + "/" + name;
        if (::access(candidate.c_str(), X_OK) == 0) {
            return candidate;
        }
    }
    return {};
}

[[noreturn]] void BecomeChild(pid_t parent, const char* program, char* const* argv,
                              char* const* envp, int outputFd, int errorFd) {
    // A test that crashes takes its servers with it.
    ::prctl(PR_SET_PDEATHSIG, SIGTERM);
    if (::getppid() != parent) {
        ::_exit(127);
    }
    const int nullFd = ::open("/dev/null", O_RDWR);
    ::dup2(nullFd, STDIN_FILENO);
    ::dup2(outputFd >= 0 ? outputFd : nullFd, STDOUT_FILENO);
    ::dup2(errorFd >= 0 ? errorFd : nullFd, STDERR_FILENO);
    ::execve(program, argv, envp);
    ::_exit(127);
}

}  // namespace

ChildProcess::~ChildProcess() {
    if (IsRunning()) {
        Terminate();
    }
}

ChildProcess::ChildProcess(ChildProcess&& other) noexcept : m_pid(std::exchange(other.m_pid, -1)) {}

ChildProcess& ChildProcess::operator=(ChildProcess&& other) noexcept {
    if (this != &other) {
        if (IsRunning()) {
            Terminate();
        }
        m_pid = std::exchange(other.m_pid, -1);
    }
    return *this;
}

ChildProcess ChildProcess::Spawn(const std::vector<std::string>& arguments,
                                 const std::vector<std::string>& environment, int outputFd,
                                 int errorFd) {
    const std::string program = FindProgram(arguments.at(0));
    if (program.empty()) {
        return {};
    }
    std::vector<char*> argv = CStrings(arguments);
    std::vector<char*> envp = CStrings(environment);
    const pid_t parent = ::getpid();
    const pid_t pid = ::fork();
    if (pid == 0) {
        BecomeChild(parent, program.c_str(), argv.data(), envp.data(), outputFd, errorFd);
    }
    if (pid < 0) {
        return {};
    }
    return ChildProcess(pid);
}

bool ChildProcess::HasEnded() {
    if (!IsRunning()) {
        return true;
    }
    int status = 0;
    if (::waitpid(m_pid, &status, WNOHANG) == m_pid) {
        m_pid = -1;
        return true;
    }
    return false;
}

int ChildProcess::Terminate() {
    if (!IsRunning()) {
        return -1;
    }
    ::kill(m_pid, SIGTERM);
    return Wait();
}

int ChildProcess::Wait() {
    if (!IsRunning()) {
        return -1;
    }
    int status = 0;
    while (::waitpid(m_pid, &status, 0) < 0 && errno == EINTR) {
    }
    m_pid = -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

PulseServer::PulseServer() {
    std::string pattern = (std::filesystem::temp_directory_path() / "corvid-pulse-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) {
        throw std::runtime_error("cannot make a folder for the sound server: " + pattern);
    }
    m_folder = pattern;
    m_socket = m_folder / "native";
    m_address = "unix:" + m_socket.string();
}

PulseServer::~PulseServer() {
    Stop();
    std::error_code ignored;
    std::filesystem::remove_all(m_folder, ignored);
}

bool PulseServer::Start(std::chrono::milliseconds timeout) {
    if (IsRunning()) {
        return true;
    }
    const Clock::time_point deadline = Clock::now() + timeout;
    std::error_code ignored;
    std::filesystem::remove(m_socket, ignored);
    FileDescriptor log(
        ::open((m_folder / "server.log").c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0600));
    const std::string folder = m_folder.string();
    const std::vector<std::string> arguments = {
        "pulseaudio",
        "--daemonize=no",
        "--exit-idle-time=-1",
        "--system=false",
        "-n",
        "--use-pid-file=no",
        "--disable-shm=yes",
        "--load=module-null-sink sink_name=" + std::string(SINK_NAME) +
            " rate=44100 channels=2 format=s16le norewinds=1",
        "--load=module-native-protocol-unix socket=" + m_socket.string() + " auth-anonymous=1",
    };
    const std::vector<std::string> environment = EnvironmentWith(
        {"XDG_RUNTIME_DIR=" + folder, "PULSE_RUNTIME_PATH=" + folder, "HOME=" + folder});
    m_server = ChildProcess::Spawn(arguments, environment, log.Get(), log.Get());
    if (!IsRunning()) {
        return false;
    }
    if (!WaitUntilAnswering(deadline)) {
        Stop();
        return false;
    }
    return true;
}

void PulseServer::Stop() {
    m_server.Terminate();
}

bool PulseServer::WaitForSocket(Clock::time_point deadline) const {
    FileDescriptor notify(::inotify_init1(IN_NONBLOCK | IN_CLOEXEC));
    ::inotify_add_watch(notify.Get(), m_folder.c_str(), IN_CREATE | IN_MOVED_TO);
    // Debian 12's <sys/pidfd.h> lacks C linkage for C++, so call the kernel directly.
    FileDescriptor ended(static_cast<int>(::syscall(SYS_pidfd_open, m_server.Pid(), 0)));
    for (;;) {
        if (std::filesystem::exists(m_socket)) {
            return true;
        }
        const int wait = MillisecondsUntil(deadline);
        if (wait == 0) {
            return false;
        }
        std::array<pollfd, 2> watched = {pollfd{notify.Get(), POLLIN, 0},
                                         pollfd{ended.Get(), POLLIN, 0}};
        if (::poll(watched.data(), watched.size(), wait) < 0 && errno != EINTR) {
            return false;
        }
        if ((watched[1].revents & POLLIN) != 0) {
            return false;
        }
        std::array<char, 4096> events{};
        while (::read(notify.Get(), events.data(), events.size()) > 0) {
        }
    }
}

bool PulseServer::WaitUntilAnswering(Clock::time_point deadline) {
    if (!WaitForSocket(deadline)) {
        return false;
    }
    // The socket exists from bind(); the first answer shows that the server listens.
    while (Clock::now() < deadline) {
        if (m_server.HasEnded()) {
            return false;
        }
        if (Pactl({"info"}).exitStatus == 0) {
            return true;
        }
    }
    return false;
}

std::vector<std::string> PulseServer::ClientEnvironment() const {
    const std::string folder = m_folder.string();
    return EnvironmentWith(
        {"PULSE_SERVER=" + m_address, "XDG_RUNTIME_DIR=" + folder, "PULSE_RUNTIME_PATH=" + folder});
}

CommandResult PulseServer::Pactl(const std::vector<std::string>& arguments) const {
    std::vector<std::string> command = {"pactl", "--server=" + m_address};
    command.insert(command.end(), arguments.begin(), arguments.end());
    Pipe output = MakePipe();
    ChildProcess pactl =
        ChildProcess::Spawn(command, ClientEnvironment(), output.write.Get(), output.write.Get());
    output.write.Close();
    if (!pactl.IsRunning()) {
        return {};
    }
    CommandResult result;
    result.output = ReadAll(output.read.Get());
    result.exitStatus = pactl.Wait();
    return result;
}

std::string PulseServer::Log() const {
    std::ifstream file(m_folder / "server.log");
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

MonitorRecording::MonitorRecording(const PulseServer& server) {
    Pipe output = MakePipe();
    const std::vector<std::string> command = {
        "parec",
        "--server=" + server.Address(),
        "--raw",
        "--format=s16le",
        "--rate=44100",
        "--channels=2",
        "--latency-msec=20",
        "--device=" + std::string(PulseServer::MONITOR_NAME),
    };
    m_parec = ChildProcess::Spawn(command, server.ClientEnvironment(), output.write.Get(), -1);
    output.write.Close();
    if (!m_parec.IsRunning()) {
        m_ended = true;
        return;
    }
    m_reader = std::thread([this, fd = output.read.Release()] { ReadLoop(fd); });
}

MonitorRecording::~MonitorRecording() {
    Stop();
}

void MonitorRecording::Stop() {
    m_parec.Terminate();
    if (m_reader.joinable()) {
        m_reader.join();
    }
}

void MonitorRecording::ReadLoop(int fd) {
    FileDescriptor input(fd);
    std::array<unsigned char, 16384> buffer{};
    for (;;) {
        const ssize_t count = ::read(input.Get(), buffer.data(), buffer.size());
        if (count < 0 && errno == EINTR) {
            continue;
        }
        if (count <= 0) {
            break;
        }
        std::lock_guard lock(m_mutex);
        for (ssize_t i = 0; i < count; ++i) {
            const unsigned char byte = buffer[static_cast<std::size_t>(i)];
            if (!m_oddByte) {
                m_oddByte = byte;
                continue;
            }
            const auto value = static_cast<std::uint16_t>(*m_oddByte | (byte << 8));
            m_samples.push_back(static_cast<std::int16_t>(value));
            m_oddByte.reset();
        }
        m_arrived.notify_all();
    }
    std::lock_guard lock(m_mutex);
    m_ended = true;
    m_arrived.notify_all();
}

bool MonitorRecording::WaitUntilRecording(std::chrono::milliseconds timeout) {
    return WaitFor([](std::span<const std::int16_t> samples) { return !samples.empty(); }, timeout);
}

bool MonitorRecording::WaitFor(const std::function<bool(std::span<const std::int16_t>)>& predicate,
                               std::chrono::milliseconds timeout) {
    std::unique_lock lock(m_mutex);
    const auto holds = [&] {
        const std::size_t whole = m_samples.size() - m_samples.size() % 2;
        return predicate(std::span<const std::int16_t>(m_samples.data(), whole));
    };
    m_arrived.wait_for(lock, timeout, [&] { return m_ended || holds(); });
    return holds();
}

MonitorRecording::Samples MonitorRecording::Recorded() const {
    std::lock_guard lock(m_mutex);
    return Samples(m_samples.begin(),
                   m_samples.end() - static_cast<std::ptrdiff_t>(m_samples.size() % 2));
}

std::optional<std::size_t> FindFrames(std::span<const std::int16_t> recording,
                                      std::span<const std::int16_t> frames) {
    if (frames.empty() || frames.size() > recording.size()) {
        return std::nullopt;
    }
    for (std::size_t start = 0; start + frames.size() <= recording.size(); start += 2) {
        if (std::equal(frames.begin(), frames.end(), recording.begin() + start)) {
            return start;
        }
    }
    return std::nullopt;
}

}  // namespace corvid::testing
