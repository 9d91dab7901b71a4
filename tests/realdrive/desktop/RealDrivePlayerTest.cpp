// The real corvid-player started with --device on the emulated CD drive, on a
// virtual desktop with a private sound server: it finds the disc's list by
// the key the same image has, plays bit-exact at the drive's quiet speed,
// follows the drive's own button and spin-up, and lives through a drive held
// by another program and a drive unplugged while it plays.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <fstream>
#include <iostream>
#include <span>
#include <sstream>

#include "cdaudio/DiscTime.h"
#include "platform/mci/MciDevice.h"
#include "platform/sound/ManualSink.h"
#include "res/ControlIds.h"
#include "tests/drive_emulator/DriveHarness.h"
#include "tests/e2e/Desktop.h"
#include "tests/e2e/PlayerControlPoints.h"
#include "tests/support/DesktopTesting.h"
#include "tests/support/PulseServer.h"
#include "tests/support/TemporaryFolder.h"
#include "tools/imagegen/ImageGen.h"
#include "tracklist/TrackListFile.h"

namespace corvid::drive_emulator {
namespace {

using namespace std::chrono_literals;
using testing::ChildProcess;
using testing::DesktopTools;
using testing::MatchingSamples;
using testing::MonitorRecording;
using testing::ReadText;

constexpr auto TIMEOUT = 60s;
constexpr auto ANSWER_TIMEOUT = 2s;
constexpr int ANSWER_PRESSES = 10;
constexpr int CLOSE_PRESSES = 2;
constexpr std::size_t SAMPLES_PER_SECOND =
    static_cast<std::size_t>(cdrom::SAMPLE_RATE) * cdrom::CHANNELS;
constexpr std::size_t CHECKED_SAMPLES = 5 * SAMPLES_PER_SECOND;
constexpr std::size_t HEAD_SAMPLES = 64;
constexpr const char* ALBUM = "Album of the Emulated Drive";
constexpr const char* TITLE_WITHOUT_DISC = "^Corvid Player$";

// The disc's key as the image drive gives it: the identity of the device.
std::int32_t ImageKey(const std::filesystem::path& cueSheet) {
    sound::ManualSink sink;
    mci::MciDevice device(
        [&] {
            return cdrom::OpenDrive({cdrom::DriveLocation::Kind::Image, cueSheet});
        },
        sink);
    char answer[64] = {};
    if (device.SendString("open cdaudio shareable wait", answer, nullptr) != MCIERR_NONE ||
        device.SendString("info cdaudio identity", answer, nullptr) != MCIERR_NONE) {
        return 0;
    }
    return static_cast<std::int32_t>(std::stoll(answer));
}

class RealDrivePlayer : public ::testing::Test {
  protected:
    void SetUp() override {
        if (const std::optional<std::string> missing =
                testing::MissingProgram({"Xvfb", "openbox", "xdotool", "xwininfo", "parec"})) {
            GTEST_SKIP() << *missing << " is not installed: the desktop cannot be made";
        }
        ASSERT_TRUE(m_desktop.Start(TIMEOUT)) << m_desktop.Log();
        ASSERT_TRUE(m_server.Start()) << m_server.Log();
        m_disc.title = "Emulated";
        m_disc.tracks.resize(3);
        m_disc.tracks[0].length = 40 * FRAMES_PER_SECOND;
        m_disc.tracks[1].length = 10 * FRAMES_PER_SECOND;
        m_disc.tracks[2].length = 10 * FRAMES_PER_SECOND;
        m_expected = imagegen::ExpectedPlayback(m_disc, 1);
        const imagegen::WriteResult written =
            imagegen::WriteImage(m_disc, m_folder / "disc", "disc");
        ASSERT_FALSE(written.error) << *written.error;
        ASSERT_EQ(::mkdir((m_folder / "runtime").c_str(), 0700), 0);
        WriteTrackListFor(written.cueSheet);

        DriveScript script;
        script.disc = written.cueSheet.string();
        script.spinUpMilliseconds = 1500;
        m_control.Write(script);
    }

    // A list for the image's key, whose album the window's title shows when
    // the drive's disc is found under that key.
    void WriteTrackListFor(const std::filesystem::path& cueSheet) {
        tracklist::TrackList list;
        list.cdKey = ImageKey(cueSheet);
        ASSERT_NE(list.cdKey, 0);
        list.album = ALBUM;
        list.artist = "The Emulator";
        for (int track = 1; track <= 3; ++track) {
            list.rows.push_back({track, "Track " + std::to_string(track), "", 0});
        }
        const std::filesystem::path folder = m_folder / "home" / "data" / "corvid-player";
        std::filesystem::create_directories(folder);
        std::ofstream(folder / "emulated.trk", std::ios::binary)
            << tracklist::FormatTrackList(list);
    }

    // What the player and the X tools see: the desktop, the sound server and
    // folders of their own.
    [[nodiscard]] testing::Environment DesktopEnvironment() const {
        const std::string home = (m_folder / "home").string();
        return testing::WithVariables(
            m_desktop.ClientEnvironment(m_server.ClientEnvironment()),
            {"HOME=" + home, "XDG_DATA_HOME=" + home + "/data",
             "XDG_CONFIG_HOME=" + home + "/config",
             "XDG_RUNTIME_DIR=" + (m_folder / "runtime").string(), "QT_QPA_PLATFORM=xcb",
             // Desktop libraries' leaks, for a leak-checking build.
             "LSAN_OPTIONS=print_suppressions=0:suppressions=" CORVID_E2E_SOURCE_DIR
             "/desktop-lsan.supp"});
    }

    // The player alone gets the emulated drive: preloaded into the X tools,
    // the sanitizer runtime would report their leaks and fail them.
    [[nodiscard]] testing::Environment PlayerEnvironment() const {
        return testing::WithVariables(
            DesktopEnvironment(),
            DriveEnvironment(CORVID_DRIVE_PRELOAD, m_control.Path(), m_log.Path()));
    }

    ChildProcess StartPlayer() {
        const int log = ::open((m_folder / "player.log").c_str(),
                               O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
        ChildProcess player = ChildProcess::Spawn(
            {CORVID_PLAYER_PATH, std::string("--device=") + EMULATED_DRIVE_PATH},
            PlayerEnvironment(), log, log);
        ::close(log);
        return player;
    }

    [[nodiscard]] std::string PlayerLog() const { return ReadText(m_folder / "player.log"); }

    // The player's window once it shows the disc's own list.
    std::optional<std::string> WaitForTheDiscsList(DesktopTools& tools, ChildProcess& player) {
        std::optional<std::string> window = tools.WaitForWindowOf(player.Pid(), TIMEOUT, ALBUM);
        EXPECT_TRUE(window) << "the disc's list never showed; windows:\n"
                            << tools.WindowsOnScreen() << PlayerLog() << m_log.Text();
        return window;
    }

    // Waits until track 1 was heard bit-exact for CHECKED_SAMPLES.
    bool WaitForTrackOne(MonitorRecording& recording) {
        const std::span<const std::int16_t> head = std::span(m_expected).first(HEAD_SAMPLES);
        std::optional<std::size_t> start;
        const bool heard = recording.WaitFor(
            [&](std::span<const std::int16_t> recorded) {
                if (!start) {
                    start = testing::FindFrames(recorded, head);
                }
                return start && recorded.size() >= *start + CHECKED_SAMPLES;
            },
            TIMEOUT);
        if (!heard) {
            return false;
        }
        const std::size_t matching = MatchingSamples(recording.Recorded(), *start, m_expected);
        EXPECT_GE(matching, CHECKED_SAMPLES) << "samples of track 1 changed, dropped or inserted";
        return matching >= CHECKED_SAMPLES;
    }

    bool Click(DesktopTools& tools, const std::string& window, int control) {
        const std::optional<testing::ScreenPoint> origin = tools.ClientOrigin(window);
        if (!origin) {
            return false;
        }
        const testing::ScreenPoint centre = testing::ControlCentre(control);
        return tools.ClickAt({origin->x + centre.x, origin->y + centre.y});
    }

    // Presses `keys` in a box of the player's until the window named
    // `after` is back; a key sent before the box has the focus is lost.
    std::optional<std::string> Answer(DesktopTools& tools, ChildProcess& player,
                                      const std::string& box, const std::string& keys,
                                      const char* after) {
        std::optional<std::string> window;
        for (int press = 1; press <= ANSWER_PRESSES && !window; ++press) {
            static_cast<void>(tools.PressKeysIn(box, keys));
            window = tools.WaitForWindowOf(player.Pid(), ANSWER_TIMEOUT, after);
        }
        return window;
    }

    void ExpectToCloseWithExitCodeZero(DesktopTools& tools, const std::string& window,
                                       ChildProcess& player) {
        std::optional<int> exitCode;
        for (int press = 1; press <= CLOSE_PRESSES && !exitCode; ++press) {
            ASSERT_TRUE(tools.PressKeysIn(window, "alt+F4"));
            exitCode = testing::WaitForExit(player, 20s);
        }
        EXPECT_EQ(exitCode, 0) << PlayerLog();
    }

    testing::TemporaryFolder m_folder{"corvid-realdrive-e2e"};
    testing::VirtualDesktop m_desktop{m_folder.Path()};
    testing::PulseServer m_server;
    imagegen::DiscDescription m_disc;
    std::vector<std::int16_t> m_expected;
    DriveControlFile m_control{m_folder / "drive-control"};
    DriveLog m_log{m_folder / "drive.log"};
};

// The speeds the player asked the drive for, in order.
std::vector<std::string> SpeedCalls(const DriveLog& log) {
    std::vector<std::string> speeds;
    for (const std::string& line : log.Lines("CDROM_SELECT_SPEED ")) {
        const std::size_t at = line.find("CDROM_SELECT_SPEED ") + 19;
        speeds.push_back(line.substr(at, line.find(' ', at) - at));
    }
    return speeds;
}

TEST_F(RealDrivePlayer, ShowsTheImagesListPlaysBitExactAndKeepsTheDriveQuiet) {
    MonitorRecording recording(m_server);
    ASSERT_TRUE(recording.WaitUntilRecording(TIMEOUT));
    ChildProcess player = StartPlayer();
    DesktopTools tools(DesktopEnvironment());
    // The list is found by the key the same image has when opened directly.
    const std::optional<std::string> window = WaitForTheDiscsList(tools, player);
    ASSERT_TRUE(window);
    ASSERT_TRUE(WaitForTrackOne(recording)) << PlayerLog();
    // Fast while the empty buffer fills, quiet once it is full, and quiet
    // while it plays on in real time.
    EXPECT_EQ(SpeedCalls(m_log), (std::vector<std::string>{"8", "4"})) << m_log.Text();
    EXPECT_TRUE(m_log.Lines("unknown").empty()) << m_log.Text();
    ExpectToCloseWithExitCodeZero(tools, *window, player);
}

TEST_F(RealDrivePlayer, TheDrivesButtonTakesAnEditedListOutAfterAQuestionAndBringsTheDiscBack) {
    ChildProcess player = StartPlayer();
    DesktopTools tools(DesktopEnvironment());
    const std::optional<std::string> window = WaitForTheDiscsList(tools, player);
    ASSERT_TRUE(window);
    ASSERT_TRUE(Click(tools, *window, res::INSERT_SUBTRACK_BUTTON));

    m_control.Change([](DriveScript& script) { script.tray = TrayPosition::Open; });
    const std::optional<std::string> question =
        tools.WaitForWindowOf(player.Pid(), TIMEOUT, "^corvid-player$");
    ASSERT_TRUE(question) << "no question came for the edited list\n" << PlayerLog();
    const std::filesystem::path shot = CORVID_E2E_OUTPUT_DIR "/realdrive-save-question.png";
    EXPECT_TRUE(tools.SaveScreenshot(*question, shot));
    std::cout << "screenshot: " << shot.string() << '\n';
    // No: the list is not saved, and it leaves with the disc.
    ASSERT_TRUE(Answer(tools, player, *question, "Escape", TITLE_WITHOUT_DISC))
        << "the list stayed after the tray opened\n"
        << tools.WindowsOnScreen();

    // Closed again, the drive spins up before the disc can be read.
    m_control.Change([](DriveScript& script) { script.tray = TrayPosition::Closed; });
    EXPECT_TRUE(
        m_log.WaitUntil([&] { return !m_log.Lines("CDS_DRIVE_NOT_READY").empty(); }, TIMEOUT));
    ASSERT_TRUE(WaitForTheDiscsList(tools, player));
    ExpectToCloseWithExitCodeZero(tools, *window, player);
}

TEST_F(RealDrivePlayer, ADriveHeldByAnotherProgramKeepsItsTrayAndItsList) {
    m_control.Change([](DriveScript& script) { script.heldByAnother = true; });
    ChildProcess player = StartPlayer();
    DesktopTools tools(DesktopEnvironment());
    const std::optional<std::string> window = WaitForTheDiscsList(tools, player);
    ASSERT_TRUE(window);
    ASSERT_TRUE(Click(tools, *window, res::EJECT_BUTTON));
    // The kernel refuses: the other program has the drive open too.
    ASSERT_TRUE(m_log.WaitUntil(
        [&] {
            const std::vector<std::string> ejects = m_log.Lines("CDROMEJECT with");
            return !ejects.empty() && ejects.back().ends_with("-> Device or resource busy");
        },
        TIMEOUT))
        << m_log.Text();
    EXPECT_TRUE(m_log.Lines("CDROMEJECT -> 0").empty());
    EXPECT_TRUE(tools.WaitForWindowOf(player.Pid(), TIMEOUT, ALBUM))
        << "the list left though the tray stayed shut";
    ExpectToCloseWithExitCodeZero(tools, *window, player);
}

TEST_F(RealDrivePlayer, TheEjectButtonOpensTheTrayWhileTheDriveReads) {
    ChildProcess player = StartPlayer();
    DesktopTools tools(DesktopEnvironment());
    const std::optional<std::string> window = WaitForTheDiscsList(tools, player);
    ASSERT_TRUE(window);
    // Play starts with the list, and the buffer fills at once.
    ASSERT_TRUE(m_log.WaitUntil([&] { return !m_log.Lines("READ CD").empty(); }, TIMEOUT));
    ASSERT_TRUE(Click(tools, *window, res::EJECT_BUTTON));
    EXPECT_TRUE(tools.WaitForWindowOf(player.Pid(), TIMEOUT, TITLE_WITHOUT_DISC))
        << "the disc stayed\n"
        << m_log.Text();
    EXPECT_EQ(m_log.Lines("CDROMEJECT -> 0").size(), 1U) << m_log.Text();
    ExpectToCloseWithExitCodeZero(tools, *window, player);
}

// What was read before the drive went plays to its end, then the sound
// stops; the program stays and says what the drive says (the screenshot).
TEST_F(RealDrivePlayer, ADriveUnpluggedWhileItPlaysStopsTheSoundAndNotTheProgram) {
    MonitorRecording recording(m_server);
    ASSERT_TRUE(recording.WaitUntilRecording(TIMEOUT));
    ChildProcess player = StartPlayer();
    DesktopTools tools(DesktopEnvironment());
    const std::optional<std::string> window = WaitForTheDiscsList(tools, player);
    ASSERT_TRUE(window);
    ASSERT_TRUE(WaitForTrackOne(recording)) << PlayerLog();

    m_control.Change([](DriveScript& script) { script.unplugged = true; });
    // What was read before plays to its end, then only silence comes.
    const std::size_t unplugged = recording.Recorded().size();
    EXPECT_TRUE(recording.WaitFor(
        [&](std::span<const std::int16_t> recorded) {
            return recorded.size() > unplugged + 2 * SAMPLES_PER_SECOND &&
                   std::all_of(recorded.end() - static_cast<std::ptrdiff_t>(SAMPLES_PER_SECOND),
                               recorded.end(), [](std::int16_t sample) { return sample == 0; });
        },
        TIMEOUT))
        << "the sound did not stop";
    EXPECT_LT(recording.Recorded().size() - unplugged, 20 * SAMPLES_PER_SECOND);
    EXPECT_FALSE(m_log.Lines("on an unplugged drive").empty());
    const std::filesystem::path shot = CORVID_E2E_OUTPUT_DIR "/realdrive-unplugged.png";
    EXPECT_TRUE(tools.SaveScreenshot(*window, shot));
    std::cout << "screenshot: " << shot.string() << '\n';
    ASSERT_TRUE(player.IsRunning());
    ExpectToCloseWithExitCodeZero(tools, *window, player);
}

}  // namespace
}  // namespace corvid::drive_emulator
