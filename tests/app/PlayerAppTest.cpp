#include "app/PlayerApp.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/headless/HeadlessWindowSystem.h"
#include "res/ControlIds.h"
#include "tests/app/TestEnvironment.h"
#include "tests/cdaudio/FakePorts.h"
#include "tests/support/ScriptedNameLookup.h"

namespace corvid::app {
namespace {

using ::corvid::testing::FakeMci;
using ::corvid::testing::FakeMixer;
using headless::HeadlessWindowSystem;

class FakeSession final : public PlayerSession {
  public:
    FakeSession(window::WindowSystem& windows, FakeMci& mci, FakeMixer& mixer,
                std::filesystem::path trackLists)
        : m_windows(windows), m_mci(mci), m_mixer(mixer), m_trackLists(std::move(trackLists)) {}
    ui::PlayerPorts Ports() override {
        return {m_windows, m_mci, m_names, m_mixer, m_nameLookup, m_trackLists};
    }

  private:
    window::WindowSystem& m_windows;
    FakeMci& m_mci;
    corvid::testing::FakeDiscNames m_names;
    corvid::testing::ScriptedNameLookup m_nameLookup;
    FakeMixer& m_mixer;
    std::filesystem::path m_trackLists;
};

class PlayerAppTest : public ::testing::Test {
  protected:
    // The player window makes its track list folder the current directory.
    void TearDown() override { std::filesystem::current_path(m_startFolder); }

    [[nodiscard]] LockPlaces Places() const {
        return {m_lockFolder.Path(), m_lockFolder / "missing", ::getuid()};
    }

    std::unique_ptr<CPlayerApp> MakeApp() {
        return std::make_unique<CPlayerApp>(AppPorts{
            Places(), windows, [this] {
                ++sessionsMade;
                return std::make_unique<FakeSession>(windows, mci, mixer, m_trackLists.Path());
            }});
    }

    // Runs a whole start-up and gives its exit code.
    int RunApp() {
        const std::unique_ptr<CPlayerApp> app = MakeApp();
        EXPECT_FALSE(app->InitInstance());
        return app->ExitCode();
    }

    // While the player window is open, runs `action` once.
    void WhilePlayerWindowIsOpen(std::function<void(headless::HeadlessDialog&)> action) {
        windows.ScriptDialog(res::PLAYER_DIALOG_ID, std::move(action));
    }

    const std::filesystem::path m_startFolder = std::filesystem::current_path();
    TemporaryFolder m_lockFolder;
    TemporaryFolder m_trackLists;
    HeadlessWindowSystem windows;
    FakeMci mci;
    FakeMixer mixer;
    int sessionsMade = 0;
};

TEST_F(PlayerAppTest, ASecondStartEndsAtOnceWithoutWindowMessageOrDrive) {
    const SingleInstanceGuard running = SingleInstanceGuard::Acquire(Places());
    ASSERT_EQ(running.Role(), InstanceRole::FirstInstance);

    EXPECT_EQ(RunApp(), 0);
    EXPECT_EQ(sessionsMade, 0);
    EXPECT_TRUE(windows.Dialogs().empty());
    EXPECT_TRUE(windows.MessageBoxes().empty());
    EXPECT_FALSE(windows.Colors());
    EXPECT_TRUE(mci.sent.empty());
}

TEST_F(PlayerAppTest, HoldsTheLockForAsLongAsTheApplicationObjectLives) {
    std::optional<InstanceRole> roleWhileOpen;
    WhilePlayerWindowIsOpen([&](headless::HeadlessDialog&) {
        roleWhileOpen = SingleInstanceGuard::Acquire(Places()).Role();
    });
    std::unique_ptr<CPlayerApp> app = MakeApp();
    app->InitInstance();
    EXPECT_EQ(roleWhileOpen, InstanceRole::AlreadyRunning);
    EXPECT_EQ(SingleInstanceGuard::Acquire(Places()).Role(), InstanceRole::AlreadyRunning);
    app.reset();
    EXPECT_EQ(SingleInstanceGuard::Acquire(Places()).Role(), InstanceRole::FirstInstance);
}

TEST_F(PlayerAppTest, StartsAgainNormallyAfterTheFirstRunHasEnded) {
    EXPECT_EQ(RunApp(), 0);
    EXPECT_EQ(RunApp(), 0);
    EXPECT_EQ(sessionsMade, 2);
    EXPECT_EQ(windows.DialogCount(res::PLAYER_DIALOG_ID), 2);
}

struct ColorCase {
    int colorCount;
    bool colorsSet;
};

class DialogColors : public PlayerAppTest, public ::testing::WithParamInterface<ColorCase> {};

TEST_P(DialogColors, AreSetOnlyAbove256Colors) {
    windows.SetScreenColorCount(GetParam().colorCount);
    bool setBeforeTheWindow = false;
    WhilePlayerWindowIsOpen(
        [&](headless::HeadlessDialog&) { setBeforeTheWindow = windows.Colors().has_value(); });
    RunApp();
    if (!GetParam().colorsSet) {
        EXPECT_FALSE(windows.Colors());
        return;
    }
    ASSERT_TRUE(windows.Colors());
    EXPECT_TRUE(setBeforeTheWindow);
    EXPECT_EQ(windows.Colors()->background, (window::Color{180, 200, 180}));
    EXPECT_EQ(windows.Colors()->text, (window::Color{0, 50, 0}));
}

INSTANTIATE_TEST_SUITE_P(PlayerAppTest, DialogColors,
                         ::testing::Values(ColorCase{-1, true}, ColorCase{256, false},
                                           ColorCase{16, false}, ColorCase{2, false}));

TEST_F(PlayerAppTest, RunsThePlayerWindowOnceAsItsMainWindow) {
    const std::unique_ptr<CPlayerApp> app = MakeApp();
    bool isMainWindow = false;
    WhilePlayerWindowIsOpen(
        [&](headless::HeadlessDialog&) { isMainWindow = app->MainWindow() != nullptr; });

    EXPECT_FALSE(app->InitInstance());
    EXPECT_EQ(app->ExitCode(), 0);
    EXPECT_EQ(windows.DialogCount(res::PLAYER_DIALOG_ID), 1);
    EXPECT_TRUE(isMainWindow);
    EXPECT_EQ(app->MainWindow(), nullptr);
}

TEST_F(PlayerAppTest, TheWindowOpensAndClosesTheSessionsDeviceAndWorksInItsFolder) {
    std::filesystem::path folderWhileOpen;
    WhilePlayerWindowIsOpen(
        [&](headless::HeadlessDialog&) { folderWhileOpen = std::filesystem::current_path(); });

    RunApp();
    EXPECT_EQ(sessionsMade, 1);
    EXPECT_EQ(folderWhileOpen, m_trackLists.Path());
    const std::vector<std::string> commands = mci.Commands();
    ASSERT_FALSE(commands.empty());
    EXPECT_EQ(commands.front(), "open cdaudio shareable wait");
    EXPECT_EQ(commands.back(), "close cdaudio wait");
}

TEST_F(PlayerAppTest, ADeviceThatFailsToOpenIsToldBeforeAnyWindowAndTheExitCodeIsZero) {
    mci.Fail("open cdaudio shareable wait", MCIERR_HARDWARE);
    mci.errorText = "No CD drive was found at /dev/sr9.";
    std::size_t windowsWhileTold = 1;
    windows.AnswerNextMessageBox(window::MessageBoxAnswer::OK,
                                 [&] { windowsWhileTold = windows.Dialogs().size(); });

    EXPECT_EQ(RunApp(), 0);
    ASSERT_EQ(windows.MessageBoxes().size(), 1U);
    EXPECT_EQ(windows.MessageBoxes()[0].text, "No CD drive was found at /dev/sr9.");
    EXPECT_EQ(windowsWhileTold, 0U);
    const headless::HeadlessDialog* player = windows.LastDialog(res::PLAYER_DIALOG_ID);
    ASSERT_NE(player, nullptr);
    EXPECT_FALSE(player->IsOpen());
}

TEST_F(PlayerAppTest, TheOpenFailureBoxAlreadyHasTheDialogColors) {
    mci.Fail("open cdaudio shareable wait", MCIERR_HARDWARE);
    bool colorsWhileTold = false;
    windows.AnswerNextMessageBox(window::MessageBoxAnswer::OK,
                                 [&] { colorsWhileTold = windows.Colors().has_value(); });

    RunApp();
    EXPECT_TRUE(colorsWhileTold);
}

TEST_F(PlayerAppTest, TheHelpCommandIsTakenAndLeadsNowhere) {
    const std::unique_ptr<CPlayerApp> app = MakeApp();
    EXPECT_TRUE(app->OnCommand(ID_HELP));
    EXPECT_FALSE(app->OnCommand(ID_HELP + 1));
    EXPECT_TRUE(windows.Dialogs().empty());
    EXPECT_TRUE(windows.MessageBoxes().empty());
    EXPECT_EQ(sessionsMade, 0);
}

}  // namespace
}  // namespace corvid::app
