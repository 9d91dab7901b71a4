#include "bench/BenchProcess.h"

#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <ctime>
#include <utility>

extern char** environ;

namespace corvid::bench {

namespace {

// Waits until process `pid` has ended, at most `timeout`; false when it still runs.
bool WaitForEnd(pid_t pid, int timeoutMilliseconds) {
    const int handle = static_cast<int>(syscall(SYS_pidfd_open, pid, 0));
    if (handle < 0) {
        return true;
    }
    pollfd ended{handle, POLLIN, 0};
    const bool done = poll(&ended, 1, timeoutMilliseconds) > 0;
    close(handle);
    return done;
}

}  // namespace

double MonotonicSeconds() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

Child::~Child() {
    Release();
}

Child::Child(Child&& other) noexcept
    : m_pid(std::exchange(other.m_pid, -1)), m_input(std::exchange(other.m_input, -1)) {}

Child& Child::operator=(Child&& other) noexcept {
    if (this != &other) {
        Release();
        m_pid = std::exchange(other.m_pid, -1);
        m_input = std::exchange(other.m_input, -1);
    }
    return *this;
}

void Child::Release() {
    CloseInput();
    if (m_pid > 0) {
        static_cast<void>(Terminate());
    }
}

Child Child::Start(const std::vector<std::string>& arguments, ChildInput input, double* startedAt) {
    Child child;
    if (arguments.empty()) {
        return child;
    }
    int pipeEnds[2] = {-1, -1};
    if (input == ChildInput::Pipe && pipe2(pipeEnds, O_CLOEXEC) != 0) {
        return child;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (input == ChildInput::Pipe) {
        posix_spawn_file_actions_adddup2(&actions, pipeEnds[0], STDIN_FILENO);
    } else {
        posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    }
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);

    std::vector<char*> argv;
    argv.reserve(arguments.size() + 1);
    for (const std::string& argument : arguments) {
        argv.push_back(const_cast<char*>(argument.c_str()));
    }
    argv.push_back(nullptr);
    if (startedAt != nullptr) {
        *startedAt = MonotonicSeconds();
    }
    pid_t pid = -1;
    const int failed = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (pipeEnds[0] >= 0) {
        close(pipeEnds[0]);
    }
    if (failed != 0) {
        if (pipeEnds[1] >= 0) {
            close(pipeEnds[1]);
        }
        return child;
    }
    child.m_pid = pid;
    child.m_input = pipeEnds[1];
    return child;
}

bool Child::Write(std::string_view text) {
    while (m_input >= 0 && !text.empty()) {
        const ssize_t written = write(m_input, text.data(), text.size());
        if (written <= 0) {
            return false;
        }
        text.remove_prefix(static_cast<std::size_t>(written));
    }
    return m_input >= 0;
}

void Child::CloseInput() {
    if (m_input >= 0) {
        close(m_input);
        m_input = -1;
    }
}

std::optional<int> Child::Terminate(std::chrono::milliseconds grace) {
    if (m_pid > 0) {
        kill(m_pid, SIGTERM);
        // A program that stays (a box of its own waiting for an answer) is killed.
        if (!WaitForEnd(m_pid, static_cast<int>(grace.count()))) {
            kill(m_pid, SIGKILL);
        }
    }
    return Wait();
}

std::optional<int> Child::Wait() {
    if (m_pid <= 0) {
        return std::nullopt;
    }
    int status = 0;
    while (waitpid(m_pid, &status, 0) < 0 && errno == EINTR) {
    }
    m_pid = -1;
    if (WIFEXITED(status)) {
        return WEXITSTATUS(status);
    }
    return std::nullopt;
}

}  // namespace corvid::bench
