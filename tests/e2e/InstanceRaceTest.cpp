// Fifty copies of the real corvid-player started at the same moment: exactly
// one stays, holding the instance lock, and the others leave at once with
// exit code 0.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "app/SingleInstance.h"
#include "cdaudio/DiscTime.h"
#include "tests/support/DesktopTesting.h"
#include "tests/support/TemporaryFolder.h"
#include "tools/imagegen/ImageGen.h"

namespace corvid::testing {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

constexpr int COPIES = 50;
// Fifty starts at once under the sanitizers take a while.
constexpr auto EXIT_TIMEOUT = 120s;
constexpr int EXEC_FAILED = 127;

// A file descriptor closed with the object.
class OwnedFd {
  public:
    explicit OwnedFd(int fd = -1) : m_fd(fd) {}
    ~OwnedFd() { Close(); }
    OwnedFd(OwnedFd&& other) noexcept : m_fd(std::exchange(other.m_fd, -1)) {}
    OwnedFd& operator=(OwnedFd&& other) noexcept {
        Close();
        m_fd = std::exchange(other.m_fd, -1);
        return *this;
    }
    OwnedFd(const OwnedFd&) = delete;
    OwnedFd& operator=(const OwnedFd&) = delete;

    [[nodiscard]] int Get() const { return m_fd; }
    void Close() {
        if (m_fd >= 0) {
            ::close(m_fd);
            m_fd = -1;
        }
    }

  private:
    int m_fd;
};

// The argument and environment vectors for execve, made before the fork:
// the child of a threaded process may not allocate.
class ExecArguments {
  public:
    ExecArguments(std::vector<std::string> arguments, std::vector<std::string> environment)
        : m_arguments(std::move(arguments)), m_environment(std::move(environment)) {
        for (std::string& argument : m_arguments) {
            m_argumentPointers.push_back(argument.data());
        }
        m_argumentPointers.push_back(nullptr);
        for (std::string& variable : m_environment) {
            m_environmentPointers.push_back(variable.data());
        }
        m_environmentPointers.push_back(nullptr);
    }

    [[nodiscard]] char* const* Arguments() const { return m_argumentPointers.data(); }
    [[nodiscard]] char* const* Environment() const { return m_environmentPointers.data(); }

  private:
    std::vector<std::string> m_arguments;
    std::vector<std::string> m_environment;
    std::vector<char*> m_argumentPointers;
    std::vector<char*> m_environmentPointers;
};

struct Copy {
    pid_t pid = -1;
    OwnedFd ended;  // a pidfd: readable once the process has ended
    std::optional<int> status;
};

// The copies of the player, each waiting on the start pipe until Release.
// Whatever is still running when the object goes is killed and reaped.
class StartingGate {
  public:
    StartingGate() {
        int ends[2];
        if (::pipe2(ends, O_CLOEXEC) != 0) {
            ADD_FAILURE() << "no pipe: " << std::strerror(errno);
            return;
        }
        m_readEnd = OwnedFd(ends[0]);
        m_writeEnd = OwnedFd(ends[1]);
    }
    ~StartingGate() {
        Release();
        for (Copy& copy : m_copies) {
            if (!copy.status && copy.pid > 0) {
                ::kill(copy.pid, SIGKILL);
                ::waitpid(copy.pid, nullptr, 0);
            }
        }
    }
    StartingGate(const StartingGate&) = delete;
    StartingGate& operator=(const StartingGate&) = delete;

    // Forks a child that waits for the gate to open, then runs the program
    // with its output in `log`.
    bool Add(const ExecArguments& exec, int log) {
        const pid_t pid = ::fork();
        if (pid < 0) {
            return false;
        }
        if (pid == 0) {
            RunChild(exec, log);
        }
        Copy copy;
        copy.pid = pid;
        copy.ended = OwnedFd(static_cast<int>(::syscall(SYS_pidfd_open, pid, 0)));
        m_copies.push_back(std::move(copy));
        return m_copies.back().ended.Get() >= 0;
    }

    // Every waiting child reads the end of the pipe at once.
    void Release() {
        m_writeEnd.Close();
        m_readEnd.Close();
    }

    // Waits until all but `left` copies have ended, at most until `deadline`.
    // True when they did.
    bool WaitUntilRunning(std::size_t left, Clock::time_point deadline) {
        while (Running() > left) {
            const auto remaining =
                std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
            if (remaining <= 0ms || !WaitForAnEnd(remaining)) {
                return false;
            }
        }
        return true;
    }

    [[nodiscard]] std::size_t Running() const {
        return static_cast<std::size_t>(std::count_if(
            m_copies.begin(), m_copies.end(), [](const Copy& copy) { return !copy.status; }));
    }
    [[nodiscard]] const std::vector<Copy>& Copies() const { return m_copies; }

  private:
    [[noreturn]] void RunChild(const ExecArguments& exec, int log) {
        m_writeEnd.Close();
        char byte = 0;
        while (::read(m_readEnd.Get(), &byte, 1) < 0 && errno == EINTR) {
        }
        ::dup2(log, STDOUT_FILENO);
        ::dup2(log, STDERR_FILENO);
        ::execve(exec.Arguments()[0], exec.Arguments(), exec.Environment());
        ::_exit(EXEC_FAILED);
    }

    bool WaitForAnEnd(std::chrono::milliseconds timeout) {
        std::vector<pollfd> watched;
        std::vector<Copy*> owners;
        for (Copy& copy : m_copies) {
            if (!copy.status) {
                watched.push_back({copy.ended.Get(), POLLIN, 0});
                owners.push_back(&copy);
            }
        }
        const int ready = ::poll(watched.data(), watched.size(), static_cast<int>(timeout.count()));
        if (ready < 0 && errno == EINTR) {
            return true;
        }
        if (ready <= 0) {
            return false;
        }
        for (std::size_t index = 0; index < watched.size(); ++index) {
            if ((watched[index].revents & POLLIN) != 0) {
                Reap(*owners[index]);
            }
        }
        return true;
    }

    static void Reap(Copy& copy) {
        int status = 0;
        if (::waitpid(copy.pid, &status, 0) == copy.pid) {
            copy.status = status;
        }
    }

    OwnedFd m_readEnd;
    OwnedFd m_writeEnd;
    std::vector<Copy> m_copies;
};

std::string DescribeStatus(int status) {
    if (WIFEXITED(status)) {
        return "exit code " + std::to_string(WEXITSTATUS(status));
    }
    if (WIFSIGNALED(status)) {
        return "signal " + std::to_string(WTERMSIG(status));
    }
    return "status " + std::to_string(status);
}

// True when another process holds the instance lock in `runtimeFolder`.
bool LockIsHeld(const std::filesystem::path& runtimeFolder) {
    const std::filesystem::path lock =
        runtimeFolder / (std::string(app::INSTANCE_LOCK_NAME) + ".lock");
    const OwnedFd file(::open(lock.c_str(), O_RDWR | O_CLOEXEC));
    if (file.Get() < 0) {
        return false;
    }
    return ::flock(file.Get(), LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK;
}

class InstanceRace : public ::testing::Test {
  protected:
    void SetUp() override {
        imagegen::DiscDescription disc;
        disc.title = "Race";
        disc.tracks.resize(1);
        disc.tracks[0].length = 2 * FRAMES_PER_SECOND;
        const imagegen::WriteResult written = imagegen::WriteImage(disc, m_folder / "disc", "disc");
        ASSERT_FALSE(written.error) << *written.error;
        m_cueSheet = written.cueSheet;
        ASSERT_EQ(::mkdir(RuntimeFolder().c_str(), 0700), 0);
        ASSERT_EQ(::mkdir((m_folder / "logs").c_str(), 0700), 0);
    }

    [[nodiscard]] std::filesystem::path RuntimeFolder() const { return m_folder / "runtime"; }

    // No display, no sound server and no session bus: the player runs
    // without them, and none outside the test is touched.
    [[nodiscard]] std::vector<std::string> PlayerEnvironment() const {
        const std::string home = (m_folder / "home").string();
        return {"PATH=/usr/bin:/bin",
                "HOME=" + home,
                "XDG_CONFIG_HOME=" + home + "/config",
                "XDG_DATA_HOME=" + home + "/data",
                "XDG_CACHE_HOME=" + home + "/cache",
                "XDG_RUNTIME_DIR=" + RuntimeFolder().string(),
                "QT_QPA_PLATFORM=offscreen",
                "PULSE_SERVER=unix:" + (m_folder / "no-sound-server").string(),
                "DBUS_SESSION_BUS_ADDRESS=unix:path=" + (m_folder / "no-bus").string(),
                "LSAN_OPTIONS=print_suppressions=0:suppressions=" CORVID_E2E_SOURCE_DIR
                "/desktop-lsan.supp"};
    }

    [[nodiscard]] std::filesystem::path LogOf(int copy) const {
        return m_folder / "logs" / ("player-" + std::to_string(copy) + ".log");
    }

    [[nodiscard]] std::string LogsOfFailures(const StartingGate& gate) const {
        std::string logs;
        for (std::size_t index = 0; index < gate.Copies().size(); ++index) {
            const std::optional<int>& status = gate.Copies()[index].status;
            if (status && !(WIFEXITED(*status) && WEXITSTATUS(*status) == 0)) {
                logs += "copy " + std::to_string(index) + " ended with " + DescribeStatus(*status) +
                        ":\n" + ReadText(LogOf(static_cast<int>(index)));
            }
        }
        return logs;
    }

    // Forks the copies; they wait for the gate.
    void AddCopies(StartingGate& gate) {
        const ExecArguments exec({CORVID_PLAYER_PATH, m_cueSheet.string()}, PlayerEnvironment());
        for (int copy = 0; copy < COPIES; ++copy) {
            const OwnedFd log(
                ::open(LogOf(copy).c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600));
            ASSERT_GE(log.Get(), 0);
            ASSERT_TRUE(gate.Add(exec, log.Get())) << "cannot start copy " << copy;
        }
    }

    TemporaryFolder m_folder{"corvid-race"};
    std::filesystem::path m_cueSheet;
};

TEST_F(InstanceRace, FiftyStartsAtOnceLeaveOneRunningAndTheOthersExitCleanly) {
    StartingGate gate;
    ASSERT_NO_FATAL_FAILURE(AddCopies(gate));
    gate.Release();

    ASSERT_TRUE(gate.WaitUntilRunning(1, Clock::now() + EXIT_TIMEOUT))
        << gate.Running() << " copies still run\n"
        << LogsOfFailures(gate);
    ASSERT_EQ(gate.Running(), 1U) << LogsOfFailures(gate);
    EXPECT_EQ(LogsOfFailures(gate), "") << "every copy but one exits cleanly";
    EXPECT_TRUE(LockIsHeld(RuntimeFolder())) << "the copy left running holds no instance lock";

    const auto survivor = std::find_if(gate.Copies().begin(), gate.Copies().end(),
                                       [](const Copy& copy) { return !copy.status; });
    ASSERT_EQ(::kill(survivor->pid, SIGTERM), 0);
    ASSERT_TRUE(gate.WaitUntilRunning(0, Clock::now() + EXIT_TIMEOUT)) << "SIGTERM did not end it";
    const int status = survivor->status.value_or(-1);
    EXPECT_TRUE((WIFSIGNALED(status) && WTERMSIG(status) == SIGTERM) ||
                (WIFEXITED(status) && WEXITSTATUS(status) == 0))
        << DescribeStatus(status);
    EXPECT_FALSE(LockIsHeld(RuntimeFolder())) << "the lock outlived the player";
}

}  // namespace
}  // namespace corvid::testing
