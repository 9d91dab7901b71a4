// The real corvid-player on a virtual desktop with a private sound server:
// it plays a generated image, a real click on Play/Stop stops it, Alt+F4
// closes it.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <csignal>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <span>
#include <sstream>

#include "cdaudio/DiscTime.h"
#include "platform/cdrom/Toc.h"
#include "res/ControlIds.h"
#include "res/PlayerDialogTemplate.h"
#include "tests/e2e/Desktop.h"
#include "tests/e2e/PlayerControlPoints.h"
#include "tests/support/DesktopTesting.h"
#include "tests/support/Pipe.h"
#include "tests/support/PulseServer.h"
#include "tests/support/TemporaryFolder.h"
#include "tools/imagegen/ImageGen.h"

namespace corvid::testing {
namespace {

using namespace std::chrono_literals;

constexpr auto START_TIMEOUT = 60s;
constexpr auto SOUND_TIMEOUT = 60s;
constexpr auto EXIT_TIMEOUT = 20s;
constexpr int CLOSE_PRESSES = 2;
constexpr int ANSWER_PRESSES = 10;
constexpr auto ANSWER_TIMEOUT = 2s;

constexpr std::size_t SAMPLES_PER_SECOND =
    static_cast<std::size_t>(cdrom::SAMPLE_RATE) * cdrom::CHANNELS;
// The run of track 1 that must arrive bit-exact before the click.
constexpr std::size_t CHECKED_SAMPLES = 5 * SAMPLES_PER_SECOND;
// Silence this long after the click means that the sound has stopped: the
// test signal never holds a sample frame for two frames running.
constexpr std::size_t SILENCE_SAMPLES = SAMPLES_PER_SECOND;
// The first frames of the disc, which find where play began in a capture.
constexpr std::size_t HEAD_SAMPLES = 64;

// Three tracks of the test signal; the first long enough to be stopped
// while it plays.
imagegen::DiscDescription ThreeTrackDisc() {
    imagegen::DiscDescription disc;
    disc.title = "End to End";
    disc.tracks.resize(3);
    disc.tracks[0].length = 40 * FRAMES_PER_SECOND;
    disc.tracks[1].length = 10 * FRAMES_PER_SECOND;
    disc.tracks[2].length = 10 * FRAMES_PER_SECOND;
    return disc;
}

// Used only when the program is built with the leak sanitizer.
std::string DesktopLeakSuppressions() {
    return "LSAN_OPTIONS=print_suppressions=0:suppressions=" CORVID_E2E_SOURCE_DIR
           "/desktop-lsan.supp";
}

std::filesystem::path OutputFolder() {
    return CORVID_E2E_OUTPUT_DIR;
}

// Presses Alt+F4 in the window and waits for the program's exit code. Now
// and then, about one run in ten under the sanitizers, the first press never
// reaches the window (it stays, its list intact, no box open), and a second
// press closes it; so it gets one more.
std::optional<int> CloseWithAltF4(DesktopTools& tools, const std::string& window,
                                  ChildProcess& player) {
    for (int press = 1; press <= CLOSE_PRESSES; ++press) {
        if (!tools.PressKeysIn(window, "alt+F4")) {
            return std::nullopt;
        }
        if (const std::optional<int> exitCode = WaitForExit(player, EXIT_TIMEOUT)) {
            return exitCode;
        }
        if (!player.IsRunning()) {
            ADD_FAILURE() << "the player was ended by a signal";
            return std::nullopt;
        }
        std::cout << "Alt+F4 press " << press << " did not close the window\n";
    }
    return std::nullopt;
}

class PlayerEndToEnd : public ::testing::Test {
  protected:
    void SetUp() override {
        if (const std::optional<std::string> missing =
                MissingProgram({"Xvfb", "openbox", "xdotool", "xwininfo", "import", "parec"})) {
            GTEST_SKIP() << missing.value() << " is not installed: the desktop cannot be made";
        }
        ASSERT_TRUE(m_desktop.Start(START_TIMEOUT)) << m_desktop.Log();
        ASSERT_TRUE(m_server.Start()) << m_server.Log();
        const imagegen::WriteResult written =
            imagegen::WriteImage(m_disc, m_folder / "disc", "disc");
        ASSERT_FALSE(written.error) << *written.error;
        m_cueSheet = written.cueSheet;
        ASSERT_EQ(::mkdir((m_folder / "runtime").c_str(), 0700), 0);
    }

    // What the player sees: the desktop, the sound server and folders of its own.
    [[nodiscard]] Environment PlayerEnvironment(
        const std::vector<std::string>& overrides = {}) const {
        const std::string home = (m_folder / "home").string();
        return WithVariables(
            WithVariables(m_desktop.ClientEnvironment(m_server.ClientEnvironment()),
                          {"HOME=" + home, "XDG_DATA_HOME=" + home + "/data",
                           "XDG_CONFIG_HOME=" + home + "/config",
                           "XDG_RUNTIME_DIR=" + (m_folder / "runtime").string(),
                           "QT_QPA_PLATFORM=xcb", DesktopLeakSuppressions()}),
            overrides);
    }

    ChildProcess StartPlayer(std::string_view logName,
                             const std::vector<std::string>& overrides = {},
                             const std::vector<std::string>& options = {}) {
        const std::filesystem::path log = m_folder / logName;
        const int fd = ::open(log.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
        std::vector<std::string> arguments = {CORVID_PLAYER_PATH};
        arguments.insert(arguments.end(), options.begin(), options.end());
        arguments.push_back(m_cueSheet.string());
        ChildProcess player = ChildProcess::Spawn(arguments, PlayerEnvironment(overrides), fd, fd);
        ::close(fd);
        return player;
    }

    [[nodiscard]] std::string PlayerLog() const { return ReadText(m_folder / "player.log"); }

    // Waits until track 1 has been heard bit-exact for CHECKED_SAMPLES and
    // gives where it began.
    std::optional<std::size_t> WaitForTrackOne(MonitorRecording& recording) {
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
            return std::nullopt;
        }
        const std::size_t matching = MatchingSamples(recording.Recorded(), *start, m_expected);
        EXPECT_GE(matching, CHECKED_SAMPLES) << "samples of track 1 changed, dropped or inserted";
        return matching >= CHECKED_SAMPLES ? start : std::nullopt;
    }

    // The player's window once it is up.
    std::optional<std::string> WaitForPlayerWindow(DesktopTools& tools, ChildProcess& player) {
        std::optional<std::string> window = tools.WaitForWindowOf(player.Pid(), START_TIMEOUT);
        EXPECT_TRUE(window) << "no window came\n" << PlayerLog();
        if (window) {
            std::cout << "window " << *window << ": " << tools.WindowName(*window) << '\n';
        }
        return window;
    }

    // A second start while the player runs ends at once with 0, and the
    // running player plays on.
    void ExpectASecondStartToLeaveItPlaying(MonitorRecording& recording, std::size_t start) {
        ChildProcess second = StartPlayer("second.log");
        EXPECT_EQ(WaitForExit(second, EXIT_TIMEOUT), 0) << ReadText(m_folder / "second.log");
        const std::size_t afterSecond = recording.Recorded().size();
        EXPECT_TRUE(recording.WaitFor(
            [&](std::span<const std::int16_t> recorded) {
                return start + MatchingSamples(recorded, start, m_expected) >=
                       afterSecond + SAMPLES_PER_SECOND;
            },
            SOUND_TIMEOUT))
            << "the running player did not go on playing after the second start";
    }

    // Clicks Play/Stop and waits until the sink hears only silence; false
    // when it never does.
    bool StopWithAClick(DesktopTools& tools, const std::string& window,
                        MonitorRecording& recording) {
        const std::optional<ScreenPoint> origin = tools.ClientOrigin(window);
        if (!origin) {
            ADD_FAILURE() << "the window's position is unknown";
            return false;
        }
        const ScreenPoint button = ControlCentre(res::PLAY_STOP_BUTTON);
        const std::size_t beforeClick = recording.Recorded().size();
        if (!tools.ClickAt({origin->x + button.x, origin->y + button.y})) {
            ADD_FAILURE() << "the click could not be made";
            return false;
        }
        return recording.WaitFor(
            [&](std::span<const std::int16_t> recorded) {
                return EndsInSilence(recorded, beforeClick, SILENCE_SAMPLES);
            },
            SOUND_TIMEOUT);
    }

    // Everything heard from `start` on is track 1 unchanged, up to a stop
    // before the track's end.
    void ExpectTrackOneHeardUntilTheStop(const MonitorRecording& recording, std::size_t start) {
        const std::vector<std::int16_t> recorded = recording.Recorded();
        const std::size_t heard = MatchingSamples(recorded, start, m_expected);
        const auto lastSound = std::find_if(recorded.rbegin(), recorded.rend(),
                                            [](std::int16_t sample) { return sample != 0; });
        EXPECT_EQ(start + heard, static_cast<std::size_t>(recorded.rend() - lastSound))
            << "what was heard after track 1's start is not the disc's sound";
        EXPECT_LT(heard,
                  static_cast<std::size_t>(m_disc.tracks[0].length) * cdrom::SAMPLES_PER_SECTOR);
    }

    void ExpectToCloseWithExitCodeZero(DesktopTools& tools, const std::string& window,
                                       ChildProcess& player) {
        const std::optional<int> exitCode = CloseWithAltF4(tools, window, player);
        if (!exitCode) {
            const std::filesystem::path open = OutputFolder() / "player-not-closed.png";
            static_cast<void>(tools.SaveScreenshot(window, open));
            ADD_FAILURE() << "the window did not close; it shows in " << open.string() << '\n'
                          << "windows on the screen:\n"
                          << tools.WindowsOnScreen();
        }
        EXPECT_EQ(exitCode, 0) << PlayerLog();
    }

    TemporaryFolder m_folder{"corvid-e2e"};
    VirtualDesktop m_desktop{m_folder.Path()};
    PulseServer m_server;
    imagegen::DiscDescription m_disc = ThreeTrackDisc();
    std::vector<std::int16_t> m_expected = imagegen::ExpectedPlayback(m_disc, 1);
    std::filesystem::path m_cueSheet;
};

TEST_F(PlayerEndToEnd, PlaysTheImageStopsOnAClickOfPlayStopAndClosesWithAltF4) {
    MonitorRecording recording(m_server);
    ASSERT_TRUE(recording.WaitUntilRecording(START_TIMEOUT));
    ChildProcess player = StartPlayer("player.log");
    ASSERT_TRUE(player.IsRunning());
    DesktopTools tools(m_desktop.ClientEnvironment(PlayerEnvironment()));
    const std::optional<std::string> window = WaitForPlayerWindow(tools, player);
    ASSERT_TRUE(window);

    // A disc in the drive plays from track 1 as soon as the window is up.
    const std::optional<std::size_t> start = WaitForTrackOne(recording);
    ASSERT_TRUE(start) << "track 1 was never heard bit-exact\n" << PlayerLog();
    ExpectASecondStartToLeaveItPlaying(recording, *start);
    const std::filesystem::path playing = OutputFolder() / "player-playing.png";
    EXPECT_TRUE(tools.SaveScreenshot(*window, playing));

    ASSERT_TRUE(StopWithAClick(tools, *window, recording))
        << "the sound did not stop after the click\n"
        << PlayerLog();
    ExpectTrackOneHeardUntilTheStop(recording, *start);
    // The sheet's TITLE names the album of the list the disc gave.
    EXPECT_EQ(tools.WindowName(*window), "(00:59) End to End");
    const std::filesystem::path stopped = OutputFolder() / "player.png";
    EXPECT_TRUE(tools.SaveScreenshot(*window, stopped));
    std::cout << "screenshots: " << playing.string() << " " << stopped.string() << '\n';

    ExpectToCloseWithExitCodeZero(tools, *window, player);
}

// A stand-in for the MusicBrainz web service on loopback (names_server.py),
// started on the test's thread, its errors in `log`; its port, or none when
// it did not come up.
std::optional<int> StartNamesServer(ChildProcess& server, const std::vector<std::string>& arguments,
                                    const std::filesystem::path& log) {
    Pipe output = MakePipe();
    const FileDescriptor errors(
        ::open(log.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600));
    std::vector<std::string> command = {"python3", CORVID_E2E_SOURCE_DIR "/names_server.py"};
    command.insert(command.end(), arguments.begin(), arguments.end());
    server = ChildProcess::Spawn(command, {"PATH=/usr/bin:/bin"}, output.write.Get(), errors.Get());
    output.write = FileDescriptor();
    pollfd ready{output.read.Get(), POLLIN, 0};
    const auto waitMilliseconds = static_cast<int>(
        std::chrono::duration_cast<std::chrono::milliseconds>(START_TIMEOUT).count());
    if (!server.IsRunning() || ::poll(&ready, 1, waitMilliseconds) != 1) {
        return std::nullopt;
    }
    std::array<char, 16> line{};
    const ssize_t length = ::read(output.read.Get(), line.data(), line.size() - 1);
    if (length <= 0) {
        return std::nullopt;
    }
    return std::atoi(line.data());
}

TEST_F(PlayerEndToEnd, NamesFoundOnlineFromTheWindowMenuNameTheAlbumInTheTitle) {
    ChildProcess namesServer;
    const std::filesystem::path requests = m_folder / "names-requests.log";
    const std::filesystem::path serverLog = m_folder / "names-server.log";
    const std::optional<int> port = StartNamesServer(
        namesServer, {"Found Album", "Found Artist", "3", requests.string()}, serverLog);
    ASSERT_TRUE(port) << "the names server did not start: " << ReadText(serverLog);
    ChildProcess player = StartPlayer(
        "player.log", {}, {"--musicbrainz-server=http://127.0.0.1:" + std::to_string(*port)});
    DesktopTools tools(m_desktop.ClientEnvironment(PlayerEnvironment()));
    const std::optional<std::string> window = WaitForPlayerWindow(tools, player);
    ASSERT_TRUE(window);
    ASSERT_TRUE(tools.WaitForWindowOf(player.Pid(), START_TIMEOUT, R"(^\(00:59\) End to End$)"))
        << tools.WindowsOnScreen();
    // Nothing was asked before the user chose the command.
    EXPECT_EQ(ReadText(requests), "");

    // The window menu opens on a right click on the window's background (the
    // album's label); "n" is its mnemonic for "Find names online...".
    const std::optional<ScreenPoint> origin = tools.ClientOrigin(*window);
    ASSERT_TRUE(origin);
    const ScreenPoint label = ControlCentre(res::ALBUM_EDIT);
    ASSERT_TRUE(tools.ClickAt({origin->x + 20, origin->y + label.y}, MouseButton::Right));
    ASSERT_TRUE(tools.PressKeys("n"));

    EXPECT_TRUE(tools.WaitForWindowOf(player.Pid(), START_TIMEOUT, R"(^\(00:59\) Found Album$)"))
        << tools.WindowsOnScreen() << PlayerLog();
    EXPECT_NE(ReadText(requests).find("/ws/2/discid/"), std::string::npos) << ReadText(requests);
    const std::filesystem::path found = OutputFolder() / "player-names-found.png";
    EXPECT_TRUE(tools.SaveScreenshot(*window, found));
    std::cout << "screenshot: " << found.string() << '\n';

    // The names are an edit: closing asks whether to save them, and No closes.
    ASSERT_TRUE(tools.PressKeysIn(*window, "alt+F4"));
    const std::optional<std::string> question =
        tools.WaitForWindowOf(player.Pid(), START_TIMEOUT, "^corvid-player$");
    ASSERT_TRUE(question) << "no question came\n" << tools.WindowsOnScreen();
    std::optional<int> exitCode;
    for (int press = 1; press <= ANSWER_PRESSES && !exitCode; ++press) {
        static_cast<void>(tools.PressKeysIn(*question, "Escape"));
        exitCode = WaitForExit(player, ANSWER_TIMEOUT);
    }
    EXPECT_EQ(exitCode, 0) << PlayerLog();
}

TEST_F(PlayerEndToEnd, ATrackListFolderThatCannotBeMadeIsToldInABoxNamedAfterTheProgram) {
    const std::filesystem::path blocked = m_folder / "blocked";
    m_folder.Write("blocked", "a file where the data folder should be");
    ChildProcess player = StartPlayer("player.log", {"XDG_DATA_HOME=" + blocked.string()});
    DesktopTools tools(m_desktop.ClientEnvironment(PlayerEnvironment()));

    // The box comes before the player window; its caption is the program's name.
    const std::optional<std::string> box =
        tools.WaitForWindowOf(player.Pid(), START_TIMEOUT, "^corvid-player$");
    ASSERT_TRUE(box) << "no message box came\n" << PlayerLog();
    const std::filesystem::path shot = OutputFolder() / "folder-message.png";
    EXPECT_TRUE(tools.SaveScreenshot(*box, shot));
    std::cout << "screenshot: " << shot.string() << '\n';
    // The player's title has words; the box's caption is one. The box may be
    // shown before the window manager lets it take the focus, and a key sent
    // then is lost, so it is pressed again while the player window is not up.
    std::optional<std::string> window;
    for (int press = 1; press <= ANSWER_PRESSES && !window; ++press) {
        static_cast<void>(tools.PressKeysIn(*box, "Return"));
        window = tools.WaitForWindowOf(player.Pid(), ANSWER_TIMEOUT, " ");
    }
    ASSERT_TRUE(window) << "the player window did not follow the box\n" << PlayerLog();
    EXPECT_EQ(CloseWithAltF4(tools, *window, player), 0) << PlayerLog();
}

// A logout or kill sends SIGTERM: the window closes as its close box closes it.
// A session bus of the test's own, for the desktop's media controls.
ChildProcess StartSessionBus(const std::filesystem::path& socket,
                             const std::filesystem::path& log) {
    const FileDescriptor output(
        ::open(log.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600));
    return ChildProcess::Spawn(
        {"dbus-daemon", "--session", "--nofork", "--address=unix:path=" + socket.string()},
        {"PATH=/usr/bin:/bin"}, output.Get(), output.Get());
}

// Whether the bus answers, asked again until it does or the time is out.
bool WaitForBus(const std::filesystem::path& socket) {
    const std::vector<std::string> ping = {"dbus-send",
                                           "--bus=unix:path=" + socket.string(),
                                           "--dest=org.freedesktop.DBus",
                                           "--print-reply",
                                           "/org/freedesktop/DBus",
                                           "org.freedesktop.DBus.GetId"};
    const auto deadline = std::chrono::steady_clock::now() + START_TIMEOUT;
    while (RunCommand(ping, {"PATH=/usr/bin:/bin"}, EXIT_TIMEOUT).exitStatus != 0) {
        if (std::chrono::steady_clock::now() >= deadline) {
            return false;
        }
    }
    return true;
}

// playerctl's answer for the player, asked again until it is `expected` or
// the time is out; the last answer.
std::string WaitForPlayerctl(const Environment& environment, const std::vector<std::string>& query,
                             std::string_view expected) {
    std::vector<std::string> command = {"playerctl", "--player=corvidplayer"};
    command.insert(command.end(), query.begin(), query.end());
    const auto deadline = std::chrono::steady_clock::now() + SOUND_TIMEOUT;
    std::string answer;
    do {
        answer = RunCommand(command, environment, EXIT_TIMEOUT).output;
        while (!answer.empty() && answer.back() == '\n') {
            answer.pop_back();
        }
    } while (answer != expected && std::chrono::steady_clock::now() < deadline);
    return answer;
}

TEST_F(PlayerEndToEnd, TheDesktopsMediaControlsSeeThePlayAndStopIt) {
    const std::filesystem::path socket = m_folder / "bus";
    ChildProcess bus = StartSessionBus(socket, m_folder / "bus.log");
    ASSERT_TRUE(WaitForBus(socket)) << ReadText(m_folder / "bus.log");
    const std::vector<std::string> busVariable = {"DBUS_SESSION_BUS_ADDRESS=unix:path=" +
                                                  socket.string()};
    MonitorRecording recording(m_server);
    ASSERT_TRUE(recording.WaitUntilRecording(START_TIMEOUT));
    ChildProcess player = StartPlayer("player.log", busVariable);
    const Environment client = PlayerEnvironment(busVariable);
    DesktopTools tools(m_desktop.ClientEnvironment(client));
    const std::optional<std::string> window = WaitForPlayerWindow(tools, player);
    ASSERT_TRUE(window);
    ASSERT_TRUE(WaitForTrackOne(recording)) << PlayerLog();

    EXPECT_EQ(WaitForPlayerctl(client, {"status"}, "Playing"), "Playing");
    EXPECT_EQ(WaitForPlayerctl(client, {"metadata", "xesam:album"}, "End to End"), "End to End");
    const std::size_t beforePause = recording.Recorded().size();
    EXPECT_EQ(RunCommand({"playerctl", "--player=corvidplayer", "pause"}, client, EXIT_TIMEOUT)
                  .exitStatus,
              0);
    EXPECT_TRUE(recording.WaitFor(
        [&](std::span<const std::int16_t> recorded) {
            return EndsInSilence(recorded, beforePause, SILENCE_SAMPLES);
        },
        SOUND_TIMEOUT))
        << "the sound did not stop on the desktop's pause\n"
        << PlayerLog();
    EXPECT_EQ(WaitForPlayerctl(client, {"status"}, "Paused"), "Paused");

    ExpectToCloseWithExitCodeZero(tools, *window, player);
}

TEST_F(PlayerEndToEnd, ASigtermClosesTheWindowAsItsCloseBoxDoes) {
    ChildProcess player = StartPlayer("player.log");
    DesktopTools tools(m_desktop.ClientEnvironment(PlayerEnvironment()));
    ASSERT_TRUE(WaitForPlayerWindow(tools, player));
    ASSERT_EQ(::kill(player.Pid(), SIGTERM), 0);
    EXPECT_EQ(WaitForExit(player, EXIT_TIMEOUT), 0) << "not a close of the window\n" << PlayerLog();
}

// An edit not yet saved is asked about before the window goes, also on SIGTERM.
TEST_F(PlayerEndToEnd, ASigtermWithAnUnsavedEditAsksBeforeTheWindowCloses) {
    MonitorRecording recording(m_server);
    ASSERT_TRUE(recording.WaitUntilRecording(START_TIMEOUT));
    ChildProcess player = StartPlayer("player.log");
    DesktopTools tools(m_desktop.ClientEnvironment(PlayerEnvironment()));
    const std::optional<std::string> window = WaitForPlayerWindow(tools, player);
    ASSERT_TRUE(window);
    ASSERT_TRUE(WaitForTrackOne(recording)) << PlayerLog();
    const std::optional<ScreenPoint> origin = tools.ClientOrigin(*window);
    ASSERT_TRUE(origin);
    const ScreenPoint insert = ControlCentre(res::INSERT_SUBTRACK_BUTTON);
    ASSERT_TRUE(tools.ClickAt({origin->x + insert.x, origin->y + insert.y}));

    ASSERT_EQ(::kill(player.Pid(), SIGTERM), 0);
    const std::optional<std::string> question =
        tools.WaitForWindowOf(player.Pid(), START_TIMEOUT, "^corvid-player$");
    ASSERT_TRUE(question) << "no question came\n" << PlayerLog();
    EXPECT_TRUE(player.IsRunning()) << "the signal ended the player";
    // No: the list is not saved, and the window closes. A key sent before
    // the box has the focus is lost, so it is pressed again.
    std::optional<int> exitCode;
    for (int press = 1; press <= ANSWER_PRESSES && !exitCode; ++press) {
        static_cast<void>(tools.PressKeysIn(*question, "Escape"));
        exitCode = WaitForExit(player, ANSWER_TIMEOUT);
    }
    EXPECT_EQ(exitCode, 0) << PlayerLog();
}

enum class Match : std::uint8_t { Whole, Start };

struct OptionCase {
    std::vector<std::string> arguments;
    int exitCode;
    std::string output;  // standard output and error together
    Match match = Match::Whole;
};

class PlayerOptions : public ::testing::TestWithParam<OptionCase> {};

// Run without a display: an option that ends the program must do so before
// Qt looks for one.
TEST_P(PlayerOptions, EndTheProgramBeforeAnyWindow) {
    std::vector<std::string> arguments = {CORVID_PLAYER_PATH};
    arguments.insert(arguments.end(), GetParam().arguments.begin(), GetParam().arguments.end());
    Environment environment = WithVariables({}, {"PATH=/usr/bin:/bin", "HOME=/nonexistent"});
    for (const char* sanitizer : {"ASAN_OPTIONS", "LSAN_OPTIONS", "UBSAN_OPTIONS"}) {
        if (const char* value = std::getenv(sanitizer)) {
            environment.push_back(std::string(sanitizer) + "=" + value);
        }
    }
    const CommandResult result = RunCommand(arguments, environment, EXIT_TIMEOUT);
    EXPECT_EQ(result.exitStatus, GetParam().exitCode);
    if (GetParam().match == Match::Whole) {
        EXPECT_EQ(result.output, GetParam().output);
    } else {
        EXPECT_TRUE(result.output.starts_with(GetParam().output)) << result.output;
    }
}

const std::string USAGE =
    "Usage: corvid-player [--device=PATH] [--musicbrainz-server=URL] [--gnudb-server=URL] "
    "[IMAGE]\n";

INSTANTIATE_TEST_SUITE_P(
    Program, PlayerOptions,
    ::testing::Values(
        OptionCase{{"--bogus"}, 2, "corvid-player: unknown option '--bogus'\n" + USAGE},
        OptionCase{{"--device="},
                   2,
                   "corvid-player: option --device needs a path: --device=PATH\n" + USAGE},
        OptionCase{{"--version"}, 0, "Corvid Player 1.08\n"},
        OptionCase{{"--musicbrainz-server=ftp://mirror"},
                   2,
                   "corvid-player: option --musicbrainz-server needs an http:// or https:// "
                   "address: --musicbrainz-server=URL\n" +
                       USAGE},
        OptionCase{{"disc.cue", "--help"}, 0, USAGE, Match::Start}));

}  // namespace
}  // namespace corvid::testing
