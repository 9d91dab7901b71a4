#include "app/SingleInstance.h"

#include <gtest/gtest.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <string>
#include <vector>

#include "tests/app/TestEnvironment.h"

namespace corvid::app {
namespace {

constexpr int REPORT_TIMEOUT_MILLISECONDS = 10000;

// The two ends of a pipe; a child closes the writing ends it must not hold.
struct Pipe {
    Pipe() { EXPECT_EQ(::pipe(ends), 0); }
    ~Pipe() {
        CloseWriting();
        ::close(ends[0]);
    }
    void CloseWriting() {
        if (ends[1] >= 0) {
            ::close(ends[1]);
            ends[1] = -1;
        }
    }
    int ends[2] = {-1, -1};
};

char RoleLetter(InstanceRole role) {
    return role == InstanceRole::FirstInstance ? 'F' : 'R';
}

// The next letter from a child, or 0 when none comes in time.
char ReadReport(int reading) {
    pollfd wanted{reading, POLLIN, 0};
    char letter = 0;
    if (::poll(&wanted, 1, REPORT_TIMEOUT_MILLISECONDS) != 1 || ::read(reading, &letter, 1) != 1) {
        return 0;
    }
    return letter;
}

void WaitForChild(pid_t child) {
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
}

// A lock is held by its open file, so another holder has to be another process.
char RoleInAnotherProcess(const LockPlaces& places) {
    Pipe report;
    const pid_t child = ::fork();
    if (child == 0) {
        const char letter = RoleLetter(SingleInstanceGuard::Acquire(places).Role());
        _exit(::write(report.ends[1], &letter, 1) == 1 ? 0 : 1);
    }
    report.CloseWriting();
    const char letter = ReadReport(report.ends[0]);
    WaitForChild(child);
    return letter;
}

LockPlaces PlacesIn(const TemporaryFolder& folder) {
    return {folder.Path(), folder.Path() / "missing", ::getuid()};
}

TEST(SingleInstanceGuard, ASecondProcessFindsTheFirstUntilItEnds) {
    const TemporaryFolder folder;
    {
        const SingleInstanceGuard first = SingleInstanceGuard::Acquire(PlacesIn(folder));
        EXPECT_EQ(first.Role(), InstanceRole::FirstInstance);
        EXPECT_EQ(first.LockPath(), folder.Path() / "OnlyOneCorvidPlayer.lock");
        EXPECT_EQ(RoleInAnotherProcess(PlacesIn(folder)), 'R');
    }
    EXPECT_EQ(RoleInAnotherProcess(PlacesIn(folder)), 'F');
}

TEST(SingleInstanceGuard, AnUnusableRuntimeFolderFallsBackToTheTemporaryFolder) {
    const TemporaryFolder folder;
    using Folder = std::optional<std::filesystem::path>;
    for (const Folder& runtime :
         {Folder{}, Folder{folder.Path() / "missing"}, Folder{"relative"}}) {
        const LockPlaces places{runtime, folder.Path(), 1234};
        const SingleInstanceGuard first = SingleInstanceGuard::Acquire(places);
        EXPECT_EQ(first.Role(), InstanceRole::FirstInstance);
        EXPECT_EQ(first.LockPath(), folder.Path() / "OnlyOneCorvidPlayer-1234.lock");
        EXPECT_EQ(RoleInAnotherProcess(places), 'R');
    }
    const LockPlaces nowhere{folder.Path() / "a", folder.Path() / "b", 1234};
    EXPECT_EQ(SingleInstanceGuard::Acquire(nowhere).Role(), InstanceRole::FirstInstance);
}

TEST(SingleInstanceGuard, ProgramsItStartsDoNotInheritTheLock) {
    const TemporaryFolder folder;
    const SingleInstanceGuard first = SingleInstanceGuard::Acquire(PlacesIn(folder));
    const std::string shell = "for f in /proc/$$/fd/*; do [ \"$(readlink $f)\" = '" +
                              first.LockPath().string() + "' ] && exit 1; done; exit 0";
    const pid_t child = ::fork();
    if (child == 0) {
        ::execl("/bin/sh", "sh", "-c", shell.c_str(), static_cast<char*>(nullptr));
        _exit(2);
    }
    WaitForChild(child);
}

TEST(SingleInstanceGuard, OfTwentyProcessesStartedAtOnceExactlyOneIsFirst) {
    constexpr int PROCESSES = 20;
    const TemporaryFolder folder;
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
            (void)!::read(start.ends[0], &ignored, 1);
            const SingleInstanceGuard guard = SingleInstanceGuard::Acquire(PlacesIn(folder));
            const char letter = RoleLetter(guard.Role());
            const bool reported = ::write(reports.ends[1], &letter, 1) == 1;
            // Held until all have tried, so that no one wins by coming late.
            (void)!::read(release.ends[0], &ignored, 1);
            _exit(reported ? 0 : 1);
        }
        children.push_back(child);
    }
    reports.CloseWriting();
    start.CloseWriting();
    std::string letters;
    for (int index = 0; index < PROCESSES; ++index) {
        letters += ReadReport(reports.ends[0]);
    }
    release.CloseWriting();
    for (const pid_t child : children) {
        WaitForChild(child);
    }
    std::sort(letters.begin(), letters.end());
    EXPECT_EQ(letters, "F" + std::string(PROCESSES - 1, 'R'));
}

}  // namespace
}  // namespace corvid::app
