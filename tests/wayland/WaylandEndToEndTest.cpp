// The real corvid-player as a native client of a Wayland compositor (Weston,
// headless) with a private sound server: the compositor knows it by its
// desktop entry's name, it plays an image bit-exact, and SIGTERM closes it.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cmath>
#include <csignal>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <regex>
#include <span>
#include <sstream>

#include "cdaudio/DiscTime.h"
#include "platform/cdrom/Toc.h"
#include "res/PlayerDialogTemplate.h"
#include "tests/e2e/Desktop.h"
#include "tests/support/DesktopTesting.h"
#include "tests/support/PulseServer.h"
#include "tests/support/TemporaryFolder.h"
#include "tests/wayland/Weston.h"
#include "tools/imagegen/ImageGen.h"

namespace corvid::testing {
namespace {

using namespace std::chrono_literals;

constexpr auto START_TIMEOUT = 60s;
constexpr auto SOUND_TIMEOUT = 60s;
constexpr auto EXIT_TIMEOUT = 20s;

constexpr std::size_t SAMPLES_PER_SECOND =
    static_cast<std::size_t>(cdrom::SAMPLE_RATE) * cdrom::CHANNELS;
constexpr std::size_t CHECKED_SAMPLES = 5 * SAMPLES_PER_SECOND;
constexpr std::size_t HEAD_SAMPLES = 64;

// What the player tells the compositor about its window, as Weston logs it.
const std::regex APP_ID(R"re(xdg_toplevel@\d+\.set_app_id\("corvid-player"\))re");
const std::regex OTHER_APP_ID(R"re(set_app_id\("(?!corvid-player")[^"]*"\))re");
const std::regex ANY_APP_ID(R"re(xdg_toplevel@\d+\.set_app_id\("([^"]*)"\))re");
// The title of the disc's list: the length of its 40 seconds less a frame,
// then the album.
const std::regex DISC_TITLE(R"re(xdg_toplevel@\d+\.set_title\("\(00:39\) [^"]*"\))re");
// The fixed size of the window, as the client asks the compositor to keep it.
const std::regex FIXED_SIZE(R"re(xdg_toplevel@\d+\.set_max_size\((\d+), (\d+)\))re");
// The player's connection, as Weston names its clients in the log.
const std::regex PLAYER_CLIENT(
    R"re(client (0x[0-9a-f]+) rq xdg_toplevel@\d+\.set_app_id\("corvid-player"\))re");
// A client that broke the protocol is sent this before it is cut off.
const std::regex PROTOCOL_ERROR(R"re(wl_display@1\.error\()re");

bool Contains(std::string_view log, const std::regex& pattern) {
    return std::regex_search(log.begin(), log.end(), pattern);
}

std::string AppIdsIn(const std::string& log) {
    std::string ids;
    for (auto match = std::sregex_iterator(log.begin(), log.end(), ANY_APP_ID);
         match != std::sregex_iterator(); ++match) {
        ids += " '" + (*match)[1].str() + "'";
    }
    return ids.empty() ? " none" : ids;
}

// The player window's client size at the reference dialog base units.
std::string TemplateSize() {
    constexpr double PIXELS_PER_UNIT_ACROSS = 1.5;
    constexpr double PIXELS_PER_UNIT_DOWN = 1.625;
    return std::to_string(std::lround(res::PLAYER_DIALOG.width * PIXELS_PER_UNIT_ACROSS)) + "x" +
           std::to_string(std::lround(res::PLAYER_DIALOG.height * PIXELS_PER_UNIT_DOWN));
}

// The first fixed size the client asked for, "WxH", or empty.
std::string FirstFixedSize(const std::string& log) {
    std::smatch match;
    if (!std::regex_search(log, match, FIXED_SIZE)) {
        return "";
    }
    return match[1].str() + "x" + match[2].str();
}

// Used only when the program is built with the sanitizers. The leaks of the
// Wayland libraries are known by the libraries that made them, and only the
// slow unwinder walks the stack that far.
std::vector<std::string> SanitizerOptions() {
    const char* asan = std::getenv("ASAN_OPTIONS");
    return {
        "LSAN_OPTIONS=print_suppressions=0:suppressions=" CORVID_WAYLAND_SOURCE_DIR
        "/wayland-lsan.supp",
        std::string("ASAN_OPTIONS=") + (asan != nullptr ? asan : "") + ":fast_unwind_on_malloc=0"};
}

// The lines where Weston told a client that it broke the protocol.
std::string ProtocolErrors(const std::string& log) {
    std::istringstream lines(log);
    std::string errors;
    for (std::string line; std::getline(lines, line);) {
        if (std::regex_search(line, PROTOCOL_ERROR)) {
            errors += line + '\n';
        }
    }
    return errors;
}

// The last fixed size the client asked for, "WxH", or empty.
std::string LastFixedSize(const std::string& log) {
    std::string size;
    for (auto match = std::sregex_iterator(log.begin(), log.end(), FIXED_SIZE);
         match != std::sregex_iterator(); ++match) {
        size = (*match)[1].str() + "x" + (*match)[2].str();
    }
    return size;
}

// True once the compositor has given the player's window the keyboard.
bool PlayerHasTheKeyboard(std::string_view log) {
    const std::string text(log);
    std::smatch client;
    if (!std::regex_search(text, client, PLAYER_CLIENT)) {
        return false;
    }
    const std::regex entered("client " + client[1].str() + R"re( ev wl_keyboard@\d+\.enter\()re");
    return std::regex_search(text, entered);
}

imagegen::DiscDescription TwoTrackDisc() {
    imagegen::DiscDescription disc;
    disc.title = "Wayland Session";
    disc.tracks.resize(2);
    disc.tracks[0].length = 30 * FRAMES_PER_SECOND;
    disc.tracks[1].length = 10 * FRAMES_PER_SECOND;
    return disc;
}

class PlayerInWayland : public ::testing::Test {
  protected:
    void SetUp() override {
        for (const char* name : {"weston", "parec"}) {
            if (!HasProgram(name)) {
                GTEST_SKIP() << name << " is not installed: the session cannot be made";
            }
        }
        ASSERT_EQ(::mkdir(m_runtime.c_str(), 0700), 0);
        ASSERT_TRUE(m_server.Start()) << m_server.Log();
        const imagegen::WriteResult written =
            imagegen::WriteImage(m_disc, m_folder / "disc", "disc");
        ASSERT_FALSE(written.error) << *written.error;
        m_cueSheet = written.cueSheet;
    }

    void TearDown() override {
        if (HasFailure()) {
            std::cout << "player:\n"
                      << PlayerLog() << "\nweston's log is kept in " << SaveLog() << '\n';
        }
    }

    ChildProcess StartPlayer() {
        const std::string home = (m_folder / "home").string();
        const Environment environment =
            WithVariables(WithVariables(m_weston.ClientEnvironment(m_server.ClientEnvironment()),
                                        {"HOME=" + home, "XDG_DATA_HOME=" + home + "/data",
                                         "XDG_CONFIG_HOME=" + home + "/config"}),
                          SanitizerOptions());
        const int fd = ::open((m_folder / "player.log").c_str(),
                              O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
        ChildProcess player =
            ChildProcess::Spawn({CORVID_PLAYER_PATH, m_cueSheet.string()}, environment, fd, fd);
        ::close(fd);
        return player;
    }

    [[nodiscard]] std::string PlayerLog() const { return ReadText(m_folder / "player.log"); }

    std::string SaveLog() {
        const std::filesystem::path saved =
            std::filesystem::path(CORVID_WAYLAND_OUTPUT_DIR) / "weston.log";
        std::ofstream(saved) << m_weston.Log();
        return saved.string();
    }

    // Waits until track 1 has been heard bit-exact for CHECKED_SAMPLES.
    bool HearTrackOneBitExact(MonitorRecording& recording) {
        const std::span<const std::int16_t> head = std::span(m_expected).first(HEAD_SAMPLES);
        std::optional<std::size_t> start;
        const bool heard = recording.WaitFor(
            [&](std::span<const std::int16_t> recorded) {
                if (!start) {
                    start = FindFrames(recorded, head);
                }
                return start && recorded.size() >= *start + CHECKED_SAMPLES;
            },
            SOUND_TIMEOUT);
        if (!heard) {
            ADD_FAILURE() << "track 1 was never heard";
            return false;
        }
        const std::size_t matching = MatchingSamples(recording.Recorded(), *start, m_expected);
        EXPECT_GE(matching, CHECKED_SAMPLES) << "samples of track 1 changed, dropped or inserted";
        return matching >= CHECKED_SAMPLES;
    }

    TemporaryFolder m_folder{"corvid-wayland"};
    std::filesystem::path m_runtime = m_folder / "runtime";
    WestonSession m_weston{m_runtime};
    PulseServer m_server;
    imagegen::DiscDescription m_disc = TwoTrackDisc();
    std::vector<std::int16_t> m_expected = imagegen::ExpectedPlayback(m_disc, 1);
    std::filesystem::path m_cueSheet;
};

TEST_F(PlayerInWayland, ShowsItsWindowUnderItsDesktopEntryPlaysBitExactAndEndsOnSigterm) {
    MonitorRecording recording(m_server);
    ASSERT_TRUE(m_weston.StartHeadless(START_TIMEOUT)) << m_weston.Log();
    ASSERT_TRUE(recording.WaitUntilRecording(START_TIMEOUT));
    ChildProcess player = StartPlayer();
    ASSERT_TRUE(player.IsRunning());

    // A desktop finds the window's entry, and so its icon and name, by the app id.
    EXPECT_TRUE(m_weston.WaitForLog([](std::string_view log) { return Contains(log, APP_ID); },
                                    START_TIMEOUT))
        << "the window's app ids:" << AppIdsIn(m_weston.Log());
    EXPECT_TRUE(HearTrackOneBitExact(recording));
    // The disc's list is in place while it plays: its length and album are the title.
    EXPECT_TRUE(m_weston.WaitForLog([](std::string_view log) { return Contains(log, DISC_TITLE); },
                                    START_TIMEOUT))
        << "the window never took the disc's title";
    // The window keeps the player's own size: the same client area as under X11.
    EXPECT_EQ(FirstFixedSize(m_weston.Log()), TemplateSize());

    ASSERT_EQ(::kill(player.Pid(), SIGTERM), 0);
    EXPECT_EQ(WaitForExit(player, EXIT_TIMEOUT), 0) << "not a close of the window";
    EXPECT_FALSE(Contains(m_weston.Log(), PROTOCOL_ERROR)) << "a client broke the protocol:\n"
                                                           << ProtocolErrors(m_weston.Log());
}

// Weston's desktop shell maximizes the active window on Super+Shift+M. The
// player takes a maximize as its compact mode: the window shrinks to the
// controls above the list. Wayland has no band of windows kept on top, so it
// stays a normal window under its desktop entry's name, and plays on.
//
// Disabled while the Qt adapter can acknowledge the maximized configure at its
// fixed size before it turns the maximize into compact mode: Weston then cuts
// the player off with "xdg_surface geometry (W x H) does not match the
// configured maximized state" (one run in seven here, under the sanitizers).
// Run it with --gtest_also_run_disabled_tests.
TEST_F(PlayerInWayland, DISABLED_TheCompositorsMaximizeShrinksTheWindowToCompactMode) {
    for (const char* name : {"Xvfb", "openbox", "xdotool"}) {
        if (!HasProgram(name)) {
            GTEST_SKIP() << name << " is not installed: Weston cannot be given keys";
        }
    }
    ASSERT_TRUE(std::filesystem::create_directory(m_folder / "x11"));
    VirtualDesktop desktop(m_folder / "x11");
    ASSERT_TRUE(desktop.Start(START_TIMEOUT)) << desktop.Log();
    ASSERT_TRUE(m_weston.StartInX11(desktop.Display(), START_TIMEOUT)) << m_weston.Log();
    const Environment xClient = desktop.ClientEnvironment(m_server.ClientEnvironment());
    const CommandResult westonWindow =
        RunCommand({"xdotool", "search", "--sync", "--class", "Weston"}, xClient, START_TIMEOUT);
    ASSERT_EQ(westonWindow.exitStatus, 0) << westonWindow.output;
    const std::string window = westonWindow.output.substr(0, westonWindow.output.find('\n'));
    ChildProcess player = StartPlayer();
    ASSERT_TRUE(player.IsRunning());
    ASSERT_TRUE(m_weston.WaitForLog(PlayerHasTheKeyboard, START_TIMEOUT))
        << "the player's window never got the keyboard";
    const std::string fullSize = TemplateSize();
    ASSERT_EQ(LastFixedSize(m_weston.Log()), fullSize);

    DesktopTools tools(xClient);
    ASSERT_TRUE(tools.PressKeysIn(window, "super+shift+m"));
    const bool shrunk = m_weston.WaitForLog(
        [&](std::string_view log) {
            return LastFixedSize(std::string(log)) != fullSize || Contains(log, PROTOCOL_ERROR);
        },
        START_TIMEOUT);
    ASSERT_FALSE(Contains(m_weston.Log(), PROTOCOL_ERROR)) << "Weston cut the player off:\n"
                                                           << ProtocolErrors(m_weston.Log());
    ASSERT_TRUE(shrunk) << "the window kept its size";
    const std::string compact = LastFixedSize(m_weston.Log());
    const std::size_t cross = compact.find('x');
    EXPECT_EQ(compact.substr(0, cross), fullSize.substr(0, fullSize.find('x')))
        << "compact mode changed the width: " << compact;
    EXPECT_LT(std::stoi(compact.substr(cross + 1)),
              std::stoi(fullSize.substr(fullSize.find('x') + 1)));
    EXPECT_FALSE(Contains(m_weston.Log(), OTHER_APP_ID))
        << "the window changed its app id:" << AppIdsIn(m_weston.Log());

    ASSERT_EQ(::kill(player.Pid(), SIGTERM), 0);
    EXPECT_EQ(WaitForExit(player, EXIT_TIMEOUT), 0) << "not a close of the window";
    EXPECT_FALSE(Contains(m_weston.Log(), PROTOCOL_ERROR)) << "a client broke the protocol:\n"
                                                           << ProtocolErrors(m_weston.Log());
}

}  // namespace
}  // namespace corvid::testing
