// The "cdaudio" device over a real drive (libcdio, paranoia and the kernel's
// ioctls) in this process, with the emulated drive preloaded: it finds the
// disc as the image itself would be found, plays it bit-exact, follows the
// drive's tray and spin-up, and fails as the kernel makes it fail.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <mutex>
#include <string>
#include <vector>

#include "platform/mci/MciDevice.h"
#include "platform/sound/ManualSink.h"
#include "tests/drive_emulator/DriveHarness.h"
#include "tests/support/TemporaryFolder.h"
#include "tools/imagegen/ImageGen.h"

namespace corvid::drive_emulator {
namespace {

using namespace std::chrono_literals;

constexpr auto DRIVE_TIMEOUT = 30s;

// Two audio tracks, the second after an INDEX 00 gap, then a data track.
imagegen::DiscDescription FirstDisc() {
    imagegen::DiscDescription disc;
    disc.tracks.resize(3);
    disc.tracks[0].length = 4 * 75;
    disc.tracks[1].length = 3 * 75;
    disc.tracks[1].index00 = 75;
    disc.tracks[2].type = imagegen::TrackType::Data;
    disc.tracks[2].length = 2 * 75;
    return disc;
}

// Longer than the engine's buffer, so that it is still read while it plays.
imagegen::DiscDescription LongDisc() {
    imagegen::DiscDescription disc;
    disc.tracks.resize(1);
    disc.tracks[0].length = 20 * 75;
    return disc;
}

imagegen::DiscDescription SecondDisc() {
    imagegen::DiscDescription disc;
    disc.tracks.resize(2);
    disc.tracks[0].length = 2 * 75;
    disc.tracks[1].length = 2 * 75;
    return disc;
}

std::string Variable(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr ? value : "";
}

class Device {
  public:
    explicit Device(cdrom::DriveLocation location)
        : m_device([location] { return cdrom::OpenDrive(location); }, m_sink) {
        m_sink.SetRecording(true);
        m_sink.SetBeforePull(
            [this](std::int64_t frames) { m_device.Engine().WaitUntilBuffered(frames); });
    }

    std::string Send(std::string_view command, NotifyWindow* notify = nullptr) {
        char answer[128] = {};
        const MciError error = m_device.SendString(command, answer, notify);
        if (error != MCIERR_NONE) {
            return "error " + std::to_string(error) + ": " + m_device.GetErrorString(error);
        }
        return answer;
    }

    sound::ManualSink& Sink() { return m_sink; }

  private:
    sound::ManualSink m_sink;
    mci::MciDevice m_device;
};

// Records the play notices.
class Notices final : public NotifyWindow {
  public:
    void PostMciNotify(MciNotifyCode code) override {
        std::lock_guard lock(m_mutex);
        m_codes.push_back(code);
    }
    std::vector<MciNotifyCode> Codes() const {
        std::lock_guard lock(m_mutex);
        return m_codes;
    }

  private:
    mutable std::mutex m_mutex;
    std::vector<MciNotifyCode> m_codes;
};

class RealDriveDevice : public ::testing::Test {
  protected:
    void SetUp() override {
        for (auto [disc, name] : {std::pair{&m_first, "first"}, std::pair{&m_second, "second"},
                                  std::pair{&m_long, "long"}}) {
            const imagegen::WriteResult written =
                imagegen::WriteImage(*disc, m_folder / name, name);
            ASSERT_FALSE(written.error) << *written.error;
            m_cueSheets.push_back(written.cueSheet.string());
        }
        m_log.MarkStart();
        StartDrive([](DriveScript&) {});
    }

    // The drive as the program will find it: the first disc in, spun up,
    // with `edit` made to the script.
    template <class Edit>
    void StartDrive(Edit edit) {
        static int session = 0;
        DriveScript script;
        script.disc = m_cueSheets[0];
        script.spinUpMilliseconds = 1500;
        script.session = ++session;
        edit(script);
        m_control.Write(script);
    }

    // Opens the device and waits until the drive's disc is read.
    void OpenAndWaitForTheDisc() {
        ASSERT_EQ(m_drive.Send("open cdaudio shareable wait"), "");
        ASSERT_EQ(m_drive.Send("set cdaudio time format tmsf"), "");
        ASSERT_TRUE(WaitForMode("stopped")) << m_log.Text();
    }

    // Asks for the mode whenever the drive was polled, until it is `mode`.
    bool WaitForMode(const std::string& mode) {
        return m_log.WaitUntil([&] { return m_drive.Send("status cdaudio mode") == mode; },
                               DRIVE_TIMEOUT);
    }

    // The speeds the program asked the drive for, in order.
    std::vector<std::string> SpeedCalls() const {
        std::vector<std::string> speeds;
        for (const std::string& line : m_log.Lines("CDROM_SELECT_SPEED ")) {
            const std::size_t at = line.find("CDROM_SELECT_SPEED ") + 19;
            speeds.push_back(line.substr(at, line.find(' ', at) - at));
        }
        return speeds;
    }

    imagegen::DiscDescription m_first = FirstDisc();
    imagegen::DiscDescription m_second = SecondDisc();
    imagegen::DiscDescription m_long = LongDisc();
    testing::TemporaryFolder m_folder{"corvid-realdrive"};
    std::vector<std::string> m_cueSheets;
    DriveControlFile m_control{Variable("CORVID_DRIVE_CONTROL")};
    DriveLog m_log{Variable("CORVID_DRIVE_LOG")};
    Notices m_notices;
    Device m_drive{{cdrom::DriveLocation::Kind::Device, EMULATED_DRIVE_PATH}};
};

TEST_F(RealDriveDevice, FindsTheDiscAsTheSameImageOpenedDirectly) {
    OpenAndWaitForTheDisc();
    Device image({cdrom::DriveLocation::Kind::Image, m_cueSheets[0]});
    ASSERT_EQ(image.Send("open cdaudio shareable wait"), "");
    ASSERT_EQ(image.Send("set cdaudio time format tmsf"), "");
    // The identity is the key of the disc's track list.
    for (const char* command :
         {"info cdaudio identity", "status cdaudio number of tracks", "status cdaudio length",
          "status cdaudio type track 1", "status cdaudio type track 3",
          "status cdaudio position track 2", "status cdaudio media present"}) {
        EXPECT_EQ(m_drive.Send(command), image.Send(command)) << command;
    }
    EXPECT_EQ(m_log.Lines("unknown").size(), 0U) << m_log.Text();
}

TEST_F(RealDriveDevice, PlaysTheDiscBitExactAndAsksForTheFastSpeedOnlyWhileTheBufferFills) {
    OpenAndWaitForTheDisc();
    ASSERT_EQ(m_drive.Send("play cdaudio from 1"), "");
    m_drive.Sink().ConsumeAll();
    EXPECT_EQ(m_drive.Send("status cdaudio mode"), "stopped");
    // The gap of track 2 belongs to track 1; the data track is not heard.
    EXPECT_TRUE(m_drive.Sink().Heard() == imagegen::ExpectedPlayback(m_first, 1));
    const std::vector<std::string> speeds = SpeedCalls();
    ASSERT_FALSE(speeds.empty());
    EXPECT_EQ(speeds.front(), "8") << "an empty buffer is filled at the fast speed";
    for (const std::string& speed : speeds) {
        EXPECT_TRUE(speed == "4" || speed == "8") << speed;
    }
}

TEST_F(RealDriveDevice, FollowsTheTrayButtonTheSpinUpAndADiscSwappedBetweenTwoPolls) {
    OpenAndWaitForTheDisc();
    const std::string firstIdentity = m_drive.Send("info cdaudio identity");

    m_control.Change([](DriveScript& script) { script.tray = TrayPosition::Open; });
    ASSERT_TRUE(WaitForMode("open"));
    EXPECT_EQ(m_drive.Send("status cdaudio media present"), "false");
    m_control.Change([](DriveScript& script) { script.tray = TrayPosition::Closed; });
    // The disc spins up for 1.5 s: polled twice a second, it is seen not ready.
    ASSERT_TRUE(WaitForMode("not ready"));
    EXPECT_EQ(m_drive.Send("status cdaudio media present"), "false");
    ASSERT_TRUE(WaitForMode("stopped"));
    EXPECT_EQ(m_drive.Send("info cdaudio identity"), firstIdentity);

    // Another disc, put in between two polls: the mode answers "open" once,
    // so that no list of the old disc stays with the new one.
    const std::string second = m_cueSheets[1];
    m_control.Change([&](DriveScript& script) {
        script.disc = second;
        ++script.generation;
    });
    std::vector<std::string> modes;
    ASSERT_TRUE(m_log.WaitUntil(
        [&] {
            const std::string mode = m_drive.Send("status cdaudio mode");
            if (modes.empty() || modes.back() != mode) {
                modes.push_back(mode);
            }
            return mode == "stopped" && m_drive.Send("info cdaudio identity") != firstIdentity;
        },
        DRIVE_TIMEOUT));
    EXPECT_NE(std::find(modes.begin(), modes.end(), "open"), modes.end())
        << "the change of disc was never told";
    EXPECT_EQ(m_drive.Send("status cdaudio number of tracks"), "2");
}

TEST_F(RealDriveDevice, AScratchStopsThePlayWhereParanoiaGivesUpWithNoSampleMadeUp) {
    OpenAndWaitForTheDisc();
    m_control.Change([](DriveScript& script) { script.scratch = ScratchedSectors{100, 104, 5}; });
    ASSERT_EQ(m_drive.Send("play cdaudio from 1 notify", &m_notices), "");
    m_drive.Sink().ConsumeAll();
    const std::vector<std::int16_t> expected = imagegen::ExpectedPlayback(m_first, 1);
    const std::vector<std::int16_t>& heard = m_drive.Sink().Heard();
    ASSERT_EQ(heard.size(), 100U * cdrom::SAMPLES_PER_SECTOR) << "the play goes up to the scratch";
    EXPECT_TRUE(std::equal(heard.begin(), heard.end(), expected.begin()));
    EXPECT_TRUE(m_log.WaitUntil(
        [&] { return m_notices.Codes() == std::vector{MciNotifyCode::Failure}; }, DRIVE_TIMEOUT));
    EXPECT_EQ(m_drive.Send("status cdaudio mode"), "stopped");
    EXPECT_EQ(m_drive.Send("status cdaudio media present"), "true");
    EXPECT_FALSE(m_log.Lines("READ CD 93 +25").empty()) << "paranoia never met the scratch";
}

TEST_F(RealDriveDevice, TheTrayOfADriveHeldByAnotherProgramDoesNotOpen) {
    StartDrive([](DriveScript& script) { script.heldByAnother = true; });
    OpenAndWaitForTheDisc();
    EXPECT_EQ(m_drive.Send("set cdaudio door open wait"),
              "error 291: The CD drive at /dev/corvid-test-cd is in use by another program, so "
              "its tray cannot open.");
    m_control.Change([](DriveScript& script) { script.heldByAnother = false; });
    EXPECT_EQ(m_drive.Send("set cdaudio door open wait"), "");
    EXPECT_EQ(m_drive.Send("status cdaudio mode"), "open");
}

TEST_F(RealDriveDevice, TheTrayOpensWhileTheDiscIsRead) {
    StartDrive([&](DriveScript& script) { script.disc = m_cueSheets[2]; });
    OpenAndWaitForTheDisc();
    ASSERT_EQ(m_drive.Send("play cdaudio from 1"), "");
    // The buffer fills: the drive is reading. The kernel lets only the
    // drive's one user eject it, so the disc's own descriptor must be closed
    // first, also when a read still has it.
    ASSERT_TRUE(m_log.WaitUntil([&] { return !m_log.Lines("READ CD").empty(); }, DRIVE_TIMEOUT));
    EXPECT_EQ(m_drive.Send("set cdaudio door open wait"), "") << m_log.Text();
    EXPECT_EQ(m_drive.Send("status cdaudio mode"), "open");
    EXPECT_EQ(m_drive.Send("set cdaudio door closed wait"), "");
    EXPECT_TRUE(WaitForMode("stopped"));
}

struct OpenFailureCase {
    const char* name;
    void (*edit)(DriveScript&);
    std::string answer;
};

TEST_F(RealDriveDevice, ADriveThatCannotBeOpenedIsNamedInTheError) {
    const std::vector<OpenFailureCase> cases = {
        {"no permission", [](DriveScript& script) { script.permitted = false; },
         "error 262: Permission to use the CD drive at /dev/corvid-test-cd is missing."},
        {"unplugged", [](DriveScript& script) { script.unplugged = true; },
         "error 263: No CD drive was found at /dev/corvid-test-cd."},
    };
    for (const OpenFailureCase& failure : cases) {
        StartDrive(failure.edit);
        Device device({cdrom::DriveLocation::Kind::Device, EMULATED_DRIVE_PATH});
        EXPECT_EQ(device.Send("open cdaudio shareable wait"), failure.answer) << failure.name;
    }
}

TEST_F(RealDriveDevice, AnUnpluggedDriveEndsThePlayAndHasNoDiscAnyMore) {
    StartDrive([&](DriveScript& script) { script.disc = m_cueSheets[2]; });
    OpenAndWaitForTheDisc();
    ASSERT_EQ(m_drive.Send("play cdaudio from 1 notify", &m_notices), "");
    m_drive.Sink().Consume(cdrom::SAMPLE_RATE);
    m_control.Change([](DriveScript& script) { script.unplugged = true; });
    m_drive.Sink().ConsumeAll();
    EXPECT_LT(m_drive.Sink().Heard().size(), imagegen::ExpectedPlayback(m_long, 1).size());
    EXPECT_TRUE(m_log.WaitUntil(
        [&] { return m_notices.Codes() == std::vector{MciNotifyCode::Failure}; }, DRIVE_TIMEOUT));
    ASSERT_TRUE(WaitForMode("not ready")) << m_log.Text();
    EXPECT_EQ(m_drive.Send("status cdaudio media present"), "false");
    EXPECT_EQ(m_drive.Send("play cdaudio from 1"),
              "error 276: No disc is ready in /dev/corvid-test-cd.");
}

}  // namespace
}  // namespace corvid::drive_emulator
