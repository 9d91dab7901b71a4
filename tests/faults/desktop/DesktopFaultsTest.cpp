// The real corvid-player on a virtual desktop while its sound server is
// killed and started again: sound goes on from where it was, the window still
// answers a click, and Alt+F4 ends the program with 0.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <fstream>
#include <span>
#include <sstream>

#include "cdaudio/DiscTime.h"
#include "platform/cdrom/Toc.h"
#include "res/ControlIds.h"
#include "res/PlayerDialogTemplate.h"
#include "tests/e2e/Desktop.h"
#include "tests/e2e/PlayerControlPoints.h"
#include "tests/faults/support/FaultPlayer.h"
#include "tests/support/DesktopTesting.h"
#include "tests/support/PulseServer.h"
#include "tests/support/TemporaryFolder.h"
#include "tools/imagegen/ImageGen.h"

namespace corvid::faults {
namespace {

using namespace std::chrono_literals;
using testing::ChildProcess;
using testing::MonitorRecording;
using testing::ReadText;

constexpr auto TIMEOUT = 60s;
constexpr std::size_t SAMPLES_PER_SECOND =
    static_cast<std::size_t>(cdrom::SAMPLE_RATE) * cdrom::CHANNELS;
// Enough samples to place a piece of the capture in the disc: the test signal
// never repeats a sample frame.
constexpr std::size_t PROBE_SAMPLES = 64;

// The first sample that is not silence, from `from` on.
std::optional<std::size_t> FirstSound(std::span<const std::int16_t> recorded, std::size_t from) {
    const auto sound =
        std::find_if(recorded.begin() + static_cast<std::ptrdiff_t>(from), recorded.end(),
                     [](std::int16_t sample) { return sample != 0; });
    if (sound == recorded.end()) {
        return std::nullopt;
    }
    return static_cast<std::size_t>(sound - recorded.begin());
}

// Where in the disc the recording's sound at `at` comes from.
std::optional<std::size_t> PlaceInDisc(std::span<const std::int16_t> disc,
                                       std::span<const std::int16_t> recorded, std::size_t at) {
    at -= at % cdrom::CHANNELS;
    if (recorded.size() < at + PROBE_SAMPLES) {
        return std::nullopt;
    }
    return testing::FindFrames(disc, recorded.subspan(at, PROBE_SAMPLES));
}

class DesktopFaults : public ::testing::Test {
  protected:
    void SetUp() override {
        if (const std::optional<std::string> missing =
                testing::MissingProgram({"Xvfb", "openbox", "xdotool", "xwininfo", "parec"})) {
            GTEST_SKIP() << *missing << " is not installed: the desktop cannot be made";
        }
        ASSERT_TRUE(m_desktop.Start(TIMEOUT)) << m_desktop.Log();
        ASSERT_TRUE(m_server.Start()) << m_server.Log();
        m_disc.tracks.resize(3);
        m_disc.tracks[0].length = 40 * FRAMES_PER_SECOND;
        m_disc.tracks[1].length = 10 * FRAMES_PER_SECOND;
        m_disc.tracks[2].length = 10 * FRAMES_PER_SECOND;
        m_expected = imagegen::ExpectedPlayback(m_disc, 1);
        const imagegen::WriteResult written =
            imagegen::WriteImage(m_disc, m_folder / "disc", "disc");
        ASSERT_FALSE(written.error) << *written.error;
        m_cueSheet = written.cueSheet;
        ASSERT_EQ(::mkdir((m_folder / "runtime").c_str(), 0700), 0);
    }

    [[nodiscard]] testing::Environment PlayerEnvironment() const {
        const std::string home = (m_folder / "home").string();
        return testing::WithVariables(
            m_desktop.ClientEnvironment(m_server.ClientEnvironment()),
            {"HOME=" + home, "XDG_DATA_HOME=" + home + "/data",
             "XDG_CONFIG_HOME=" + home + "/config",
             "XDG_RUNTIME_DIR=" + (m_folder / "runtime").string(), "QT_QPA_PLATFORM=xcb",
             // Desktop libraries' leaks at the end, used only by a leak-checking build.
             "LSAN_OPTIONS=print_suppressions=0:suppressions=" CORVID_E2E_SOURCE_DIR
             "/desktop-lsan.supp"});
    }

    ChildProcess StartPlayer() {
        const int log = ::open((m_folder / "player.log").c_str(),
                               O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
        ChildProcess player = ChildProcess::Spawn({CORVID_PLAYER_PATH, m_cueSheet.string()},
                                                  PlayerEnvironment(), log, log);
        ::close(log);
        return player;
    }

    // Waits until the recording holds `seconds` of sound after its first, and
    // gives where in the disc that first sound comes from.
    std::optional<std::size_t> WaitForSound(MonitorRecording& recording, std::size_t seconds) {
        std::optional<std::size_t> first;
        const bool heard = recording.WaitFor(
            [&](std::span<const std::int16_t> recorded) {
                first = FirstSound(recorded, 0);
                return first && recorded.size() >= *first + seconds * SAMPLES_PER_SECOND;
            },
            TIMEOUT);
        if (!heard) {
            return std::nullopt;
        }
        return PlaceInDisc(m_expected, recording.Recorded(), *first);
    }

    std::string PlayerLog() { return ReadText(m_folder / "player.log"); }

    corvid::testing::TemporaryFolder m_folder{"corvid-desktop-faults"};
    testing::VirtualDesktop m_desktop{m_folder.Path()};
    testing::PulseServer m_server;
    imagegen::DiscDescription m_disc;
    std::vector<std::int16_t> m_expected;
    std::filesystem::path m_cueSheet;
};

TEST_F(DesktopFaults, AKilledSoundServerLeavesThePlayerPlayingOnFromWhereItWas) {
    std::optional<std::size_t> heardUntil;
    ChildProcess player;
    {
        MonitorRecording before(m_server);
        ASSERT_TRUE(before.WaitUntilRecording(TIMEOUT));
        player = StartPlayer();
        const std::optional<std::size_t> start = WaitForSound(before, 3);
        ASSERT_EQ(start, 0U) << "track 1 was not heard from its start\n" << PlayerLog();
        const std::vector<std::int16_t> recorded = before.Recorded();
        heardUntil = PlaceInDisc(m_expected, recorded, recorded.size() - PROBE_SAMPLES);
        ASSERT_TRUE(heardUntil.has_value());
    }
    const std::optional<pid_t> pid = ServerPid(m_server);
    ASSERT_TRUE(pid.has_value());
    ASSERT_EQ(::kill(*pid, SIGKILL), 0);
    m_server.Stop();  // reaps it
    ASSERT_TRUE(m_server.Start()) << m_server.Log();

    MonitorRecording after(m_server);
    ASSERT_TRUE(after.WaitUntilRecording(TIMEOUT));
    const std::optional<std::size_t> resumed = WaitForSound(after, 2);
    ASSERT_TRUE(resumed.has_value()) << "no sound of the disc after the restart\n" << PlayerLog();
    // Some of what was buffered on the dead server was never heard: play may
    // go on from a little before the last sound heard, never from the start.
    EXPECT_GT(*resumed + 5 * SAMPLES_PER_SECOND, *heardUntil);
    EXPECT_GT(*resumed, 0U);
    // And it goes on unchanged: two seconds of the disc, sample for sample.
    const std::vector<std::int16_t> recorded = after.Recorded();
    const std::size_t first =
        FirstSound(recorded, 0).value_or(0) / cdrom::CHANNELS * cdrom::CHANNELS;
    const std::size_t checked = 2 * SAMPLES_PER_SECOND;
    ASSERT_GE(recorded.size(), first + checked);
    ASSERT_GE(m_expected.size(), *resumed + checked);
    EXPECT_TRUE(std::equal(recorded.begin() + static_cast<std::ptrdiff_t>(first),
                           recorded.begin() + static_cast<std::ptrdiff_t>(first + checked),
                           m_expected.begin() + static_cast<std::ptrdiff_t>(*resumed)))
        << "samples changed, dropped or inserted after the restart";

    // The window still answers: a click on Play/Stop stops the sound.
    testing::DesktopTools tools(PlayerEnvironment());
    const std::optional<std::string> window = tools.WaitForWindowOf(player.Pid(), TIMEOUT);
    ASSERT_TRUE(window);
    const std::optional<testing::ScreenPoint> origin = tools.ClientOrigin(*window);
    ASSERT_TRUE(origin);
    const testing::ScreenPoint button = testing::ControlCentre(res::PLAY_STOP_BUTTON);
    const std::size_t beforeClick = after.Recorded().size();
    ASSERT_TRUE(tools.ClickAt({origin->x + button.x, origin->y + button.y}));
    EXPECT_TRUE(after.WaitFor(
        [&](std::span<const std::int16_t> recorded) {
            return recorded.size() >= beforeClick + 2 * SAMPLES_PER_SECOND &&
                   !FirstSound(recorded, recorded.size() - SAMPLES_PER_SECOND);
        },
        TIMEOUT))
        << "the sound did not stop after the click";

    // Now and then the first key never reaches the window; it gets one more.
    std::optional<int> exitCode;
    for (int press = 1; press <= 2 && !exitCode && player.IsRunning(); ++press) {
        ASSERT_TRUE(tools.PressKeysIn(*window, "alt+F4"));
        exitCode = testing::WaitForExit(player, TIMEOUT);
    }
    EXPECT_EQ(exitCode, 0) << PlayerLog();
}

}  // namespace
}  // namespace corvid::faults
