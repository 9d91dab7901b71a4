// The real corvid-mci started with --device on the emulated drive: the
// commands on its command line get the disc's answers at once, the same as
// the image opened directly, and a drive that cannot be used is named in the
// error.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/drive_emulator/DriveHarness.h"
#include "tests/e2e/Desktop.h"
#include "tests/support/TemporaryFolder.h"
#include "tools/imagegen/ImageGen.h"

namespace corvid::drive_emulator {
namespace {

using namespace std::chrono_literals;

constexpr auto TIMEOUT = 60s;

testing::Environment ProcessEnvironment() {
    testing::Environment variables;
    for (char** entry = environ; *entry != nullptr; ++entry) {
        variables.emplace_back(*entry);
    }
    return variables;
}

class CorvidMciOnTheDrive : public ::testing::Test {
  protected:
    void SetUp() override {
        m_disc.tracks.resize(3);
        m_disc.tracks[0].length = 5 * 75;
        m_disc.tracks[1].length = 3 * 75;
        m_disc.tracks[1].index00 = 75;
        m_disc.tracks[2].type = imagegen::TrackType::Data;
        m_disc.tracks[2].length = 2 * 75;
        const imagegen::WriteResult written =
            imagegen::WriteImage(m_disc, m_folder / "disc", "disc");
        ASSERT_FALSE(written.error) << *written.error;
        m_cueSheet = written.cueSheet.string();
        DriveScript script;
        script.disc = m_cueSheet;
        m_control.Write(script);
    }

    // Runs corvid-mci with `arguments` and no sound server to reach.
    testing::CommandResult Run(std::vector<std::string> arguments, bool onTheDrive = true) {
        arguments.insert(arguments.begin(), CORVID_MCI_PATH);
        testing::Environment environment = testing::WithVariables(
            ProcessEnvironment(), {"PULSE_SERVER=unix:" + (m_folder / "no-server").string()});
        if (onTheDrive) {
            environment = testing::WithVariables(
                environment,
                DriveEnvironment(CORVID_DRIVE_PRELOAD, m_control.Path(), m_folder / "drive.log"));
        }
        return testing::RunCommand(arguments, environment, TIMEOUT);
    }

    imagegen::DiscDescription m_disc;
    testing::TemporaryFolder m_folder{"corvid-realdrive-mci"};
    std::string m_cueSheet;
    DriveControlFile m_control{m_folder / "control"};
};

const std::string DEVICE = std::string("--device=") + EMULATED_DRIVE_PATH;

TEST_F(CorvidMciOnTheDrive, AnswersAtOnceAsTheImageOpenedDirectly) {
    const std::vector<std::string> commands = {
        "info cdaudio identity", "status cdaudio number of tracks",
        "status cdaudio length", "status cdaudio type track 3",
        "status cdaudio mode",   "status cdaudio media present"};
    std::vector<std::string> onDrive = {DEVICE, "--no-wait"};
    onDrive.insert(onDrive.end(), commands.begin(), commands.end());
    std::vector<std::string> onImage = {m_cueSheet, "--no-wait"};
    onImage.insert(onImage.end(), commands.begin(), commands.end());

    const testing::CommandResult drive = Run(onDrive);
    const testing::CommandResult image = Run(onImage, false);
    EXPECT_EQ(drive.exitStatus, 0) << drive.output;
    EXPECT_EQ(drive.output, image.output);
    EXPECT_NE(drive.output.find("stopped\ntrue\n"), std::string::npos) << drive.output;
}

struct FailureCase {
    const char* name;
    void (*edit)(DriveScript&);
    std::vector<std::string> commands;
    int exitStatus;
    std::string output;
};

TEST_F(CorvidMciOnTheDrive, ADriveThatCannotBeUsedIsNamed) {
    const std::vector<FailureCase> cases = {
        {"no permission",
         [](DriveScript& script) { script.permitted = false; },
         {},
         1,
         "Permission to use the CD drive at /dev/corvid-test-cd is missing.\n"},
        {"unplugged",
         [](DriveScript& script) { script.unplugged = true; },
         {},
         1,
         "No CD drive was found at /dev/corvid-test-cd.\n"},
        {"held by another program",
         [](DriveScript& script) { script.heldByAnother = true; },
         {"set cdaudio door open wait"},
         0,
         "error 291: The CD drive at /dev/corvid-test-cd is in use by another program, so its "
         "tray cannot open.\n"},
    };
    for (const FailureCase& failure : cases) {
        DriveScript script;
        script.disc = m_cueSheet;
        failure.edit(script);
        m_control.Write(script);
        std::vector<std::string> arguments = {DEVICE, "--no-wait"};
        arguments.insert(arguments.end(), failure.commands.begin(), failure.commands.end());
        const testing::CommandResult result = Run(arguments);
        EXPECT_EQ(result.exitStatus, failure.exitStatus) << failure.name << "\n" << result.output;
        EXPECT_EQ(result.output, failure.output) << failure.name;
    }
}

}  // namespace
}  // namespace corvid::drive_emulator
