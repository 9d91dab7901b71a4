#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "bench/BenchProcess.h"

namespace corvid::bench {
namespace {

using namespace std::chrono_literals;

Child Shell(const std::string& script, ChildInput input, double* startedAt = nullptr) {
    return Child::Start({"sh", "-c", script}, input, startedAt);
}

// A named pipe that a shell writes a line to once its trap is set: opening it
// for reading waits for that writer.
class ReadySignal {
  public:
    ReadySignal() {
        std::string pattern = (std::filesystem::temp_directory_path() / "bench-ready-XXXXXX");
        if (mkdtemp(pattern.data()) != nullptr) {
            m_folder = pattern;
            m_fifo = m_folder / "ready";
            static_cast<void>(mkfifo(m_fifo.c_str(), 0600));
        }
    }
    ~ReadySignal() {
        std::error_code ignored;
        std::filesystem::remove_all(m_folder, ignored);
    }
    ReadySignal(const ReadySignal&) = delete;
    ReadySignal& operator=(const ReadySignal&) = delete;

    [[nodiscard]] std::string Tell() const { return "echo ready > '" + m_fifo.string() + "'"; }
    [[nodiscard]] bool Wait() const {
        const int fd = open(m_fifo.c_str(), O_RDONLY | O_CLOEXEC);
        if (fd < 0) {
            return false;
        }
        char line[8];
        const bool told = read(fd, line, sizeof line) > 0;
        close(fd);
        return told;
    }

  private:
    std::filesystem::path m_folder;
    std::filesystem::path m_fifo;
};

TEST(Child, GivesItsExitCodeAndTheClockJustBeforeItsStart) {
    const double before = MonotonicSeconds();
    double startedAt = 0;
    Child child = Shell("exit 3", ChildInput::Null, &startedAt);
    ASSERT_TRUE(child.IsRunning());
    EXPECT_GE(startedAt, before);
    EXPECT_LE(startedAt, MonotonicSeconds());
    EXPECT_EQ(child.Wait(), 3);
    EXPECT_FALSE(child.IsRunning());
}

TEST(Child, ReadsWhatIsWrittenToItsInputUntilItIsClosed) {
    Child child = Shell(
        "read first && read second && [ \"$first $second\" = 'play stop' ] && "
        "! read third",
        ChildInput::Pipe);
    ASSERT_TRUE(child.Write("play\n"));
    ASSERT_TRUE(child.Write("stop\n"));
    child.CloseInput();
    EXPECT_EQ(child.Wait(), 0);
}

TEST(Child, WithoutAPipeReadsNothing) {
    Child child = Shell("! read line", ChildInput::Null);
    EXPECT_FALSE(child.Write("play\n"));
    EXPECT_EQ(child.Wait(), 0);
}

TEST(Child, ThatHandlesSigtermEndsWithItsOwnCode) {
    const ReadySignal ready;
    Child child = Shell("trap 'exit 7' TERM; " + ready.Tell() + "; while :; do read line; done",
                        ChildInput::Pipe);
    ASSERT_TRUE(ready.Wait());
    EXPECT_EQ(child.Terminate(20s), 7);
}

TEST(Child, ThatIgnoresSigtermIsKilledAfterTheGrace) {
    const ReadySignal ready;
    Child child = Shell("trap '' TERM; " + ready.Tell() + "; read line", ChildInput::Pipe);
    ASSERT_TRUE(ready.Wait());
    const auto before = std::chrono::steady_clock::now();
    EXPECT_EQ(child.Terminate(50ms), std::nullopt);
    EXPECT_GE(std::chrono::steady_clock::now() - before, 50ms);
    EXPECT_FALSE(child.IsRunning());
}

TEST(Child, OfAProgramThatIsNotThereIsEmpty) {
    Child child = Child::Start({"corvid-no-such-program"}, ChildInput::Null);
    EXPECT_FALSE(child.IsRunning());
    EXPECT_EQ(child.Wait(), std::nullopt);
    EXPECT_FALSE(Child::Start({}, ChildInput::Null).IsRunning());
}

}  // namespace
}  // namespace corvid::bench
