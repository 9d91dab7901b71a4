#include "app/SingleInstance.h"

#include <gtest/gtest.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <string>
#include <vector>

#include "tests/app/TestFolder.h"

namespace corvid::app {
namespace {

constexpr int REPORT_TIMEOUT_MILLISECONDS = 10000;
constexpr char FIRST = 'F';
constexpr char RUNNING = 'R';

// Both ends of a pipe, each closed once.
class Pipe {
  public:
    Pipe() {
        if (::pipe(m_ends.data()) != 0) {
            ADD_FAILURE() << "cannot make a pipe";
        }
    }
    ~Pipe() {
        CloseReading();
        CloseWriting();
    }
    Pipe(const Pipe&) = delete;
    Pipe& operator=(const Pipe&) = delete;

    [[nodiscard]] int Reading() const { return m_ends[0]; }
    [[nodiscard]] int Writing() const { return m_ends[1]; }
    void CloseReading() { Close(m_ends[0]); }
    void CloseWriting() { Close(m_ends[1]); }

  private:
    static void Close(int& end) {
        if (end >= 0) {
            ::close(end);
            end = -1;
        }
    }
    std::array<int, 2> m_ends{-1, -1};
};

char RoleLetter(InstanceRole role) {
    return role == InstanceRole::FirstInstance ? FIRST : RUNNING;
}

// The next letter from a child, or 0 when none comes in time.
char ReadReport(int reading) {
    pollfd wanted{reading, POLLIN, 0};
    if (::poll(&wanted, 1, REPORT_TIMEOUT_MILLISECONDS) != 1) {
        return 0;
    }
    char letter = 0;
    return ::read(reading, &letter, 1) == 1 ? letter : 0;
}

void WaitForChild(pid_t child) {
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
}

// Takes the guard in a child process, which reports its role and ends.
char RoleInAnotherProcess(const LockPlaces& places) {
    Pipe report;
    const pid_t child = ::fork();
    if (child == 0) {
        const SingleInstanceGuard guard = SingleInstanceGuard::Acquire(places);
        const char letter = RoleLetter(guard.Role());
        _exit(::write(report.Writing(), &letter, 1) == 1 ? 0 : 1);
    }
    report.CloseWriting();
    const char letter = ReadReport(report.Reading());
    WaitForChild(child);
    return letter;
}

LockPlaces PlacesIn(const TestFolder& folder) {
    return {folder.Path(), folder.Path() / "no-temporary-folder", ::getuid()};
}

TEST(LockPlaces, ComeFromTheRuntimeFolderAndTheTemporaryFolderOrTmp) {
    const LockPlaces given = LockPlacesFrom(
        EnvironmentOf({{"XDG_RUNTIME_DIR", "/run/user/7"}, {"TMPDIR", "/var/tmp"}}), 7);
    EXPECT_EQ(given.runtimeFolder, std::filesystem::path("/run/user/7"));
    EXPECT_EQ(given.temporaryFolder, "/var/tmp");
    EXPECT_EQ(given.userId, 7U);

    const LockPlaces bare = LockPlacesFrom(EnvironmentOf({{"TMPDIR", ""}}), 7);
    EXPECT_FALSE(bare.runtimeFolder.has_value());
    EXPECT_EQ(bare.temporaryFolder, "/tmp");
}

TEST(SingleInstanceGuard, ASecondProcessFindsTheFirstUntilItEnds) {
    const TestFolder folder;
    const LockPlaces places = PlacesIn(folder);
    {
        const SingleInstanceGuard first = SingleInstanceGuard::Acquire(places);
        EXPECT_EQ(first.Role(), InstanceRole::FirstInstance);
        EXPECT_EQ(first.LockPath(), folder.Path() / "OnlyOneCorvidPlayer.lock");
        EXPECT_EQ(RoleInAnotherProcess(places), RUNNING);
    }
    EXPECT_EQ(RoleInAnotherProcess(places), FIRST);
}

TEST(SingleInstanceGuard, AnUnusableRuntimeFolderFallsBackToTheTemporaryFolder) {
    const TestFolder folder;
    const std::filesystem::path missing = folder.Path() / "missing";
    for (const std::optional<std::filesystem::path>& runtime :
         {std::optional<std::filesystem::path>{}, std::optional<std::filesystem::path>{missing},
          std::optional<std::filesystem::path>{"relative"}}) {
        const LockPlaces places{runtime, folder.Path(), 1234};
        const SingleInstanceGuard first = SingleInstanceGuard::Acquire(places);
        EXPECT_EQ(first.Role(), InstanceRole::FirstInstance);
        EXPECT_EQ(first.LockPath(), folder.Path() / "OnlyOneCorvidPlayer-1234.lock");
        EXPECT_EQ(RoleInAnotherProcess(places), RUNNING);
    }
}

TEST(SingleInstanceGuard, NoUsableFolderAtAllStillStartsAsTheFirst) {
    const TestFolder folder;
    const LockPlaces places{folder.Path() / "a", folder.Path() / "b", ::getuid()};
    const SingleInstanceGuard first = SingleInstanceGuard::Acquire(places);
    EXPECT_EQ(first.Role(), InstanceRole::FirstInstance);
    EXPECT_TRUE(first.LockPath().empty());
}

TEST(SingleInstanceGuard, ProgramsItStartsDoNotInheritTheLock) {
    const TestFolder folder;
    const SingleInstanceGuard first = SingleInstanceGuard::Acquire(PlacesIn(folder));
    const std::string path = first.LockPath().string();
    // After exec an inherited descriptor would show among the shell's own.
    const std::string command = "for f in /proc/$$/fd/*; do [ \"$(readlink $f)\" = '" + path +
                                "' ] && exit 1; done; exit 0";
    const pid_t child = ::fork();
    if (child == 0) {
        ::execl("/bin/sh", "sh", "-c", command.c_str(), static_cast<char*>(nullptr));
        _exit(2);
    }
    WaitForChild(child);
}

TEST(SingleInstanceGuard, OfTwentyProcessesStartedAtOnceExactlyOneIsFirst) {
    constexpr int PROCESSES = 20;
    const TestFolder folder;
    const LockPlaces places = PlacesIn(folder);
    Pipe start;
    Pipe reports;
    Pipe release;
    std::vector<pid_t> children;
    for (int index = 0; index < PROCESSES; ++index) {
        const pid_t child = ::fork();
        if (child == 0) {
            start.CloseWriting();
            release.CloseWriting();
            char ignored = 0;
            // All wait at the start line; closing it lets them go together.
            (void)!::read(start.Reading(), &ignored, 1);
            const SingleInstanceGuard guard = SingleInstanceGuard::Acquire(places);
            const char letter = RoleLetter(guard.Role());
            const bool reported = ::write(reports.Writing(), &letter, 1) == 1;
            // Holding on until all have tried, so that no one wins by coming late.
            (void)!::read(release.Reading(), &ignored, 1);
            _exit(reported ? 0 : 1);
        }
        children.push_back(child);
    }
    reports.CloseWriting();
    start.CloseWriting();
    int firsts = 0;
    int running = 0;
    for (int index = 0; index < PROCESSES; ++index) {
        const char letter = ReadReport(reports.Reading());
        firsts += letter == FIRST ? 1 : 0;
        running += letter == RUNNING ? 1 : 0;
    }
    release.CloseWriting();
    for (const pid_t child : children) {
        WaitForChild(child);
    }
    EXPECT_EQ(firsts, 1);
    EXPECT_EQ(running, PROCESSES - 1);
}

}  // namespace
}  // namespace corvid::app
