#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/headless/HeadlessWindowSystem.h"
#include "platform/mci/MciDevice.h"
#include "platform/sound/ManualSink.h"
#include "platform/sound/SinkMixer.h"
#include "tests/support/ScriptedNameLookup.h"
#include "tests/support/TemporaryFolder.h"
#include "tools/imagegen/ImageGen.h"
#include "ui/PlayerDlg.h"

namespace corvid::ui::testing {

// The disc of the stories: three audio tracks of 20, 15 and 10 seconds, 45
// seconds in all.
imagegen::DiscDescription ThreeTrackDisc();

// Passes every command on to the device and keeps its text, so that a story
// can count the plays the window sent.
class RecordingMci final : public MciPort {
  public:
    explicit RecordingMci(MciPort& device) : m_device(device) {}
    MciError SendString(std::string_view command, std::span<char> answer,
                        NotifyWindow* notify) override;
    std::string GetErrorString(MciError error) override { return m_device.GetErrorString(error); }

    [[nodiscard]] std::vector<std::string> Commands() const;
    // The commands that begin with `prefix`, sent since the last Forget.
    [[nodiscard]] int Count(std::string_view prefix) const;
    void Forget();

  private:
    MciPort& m_device;
    mutable std::mutex m_mutex;
    std::vector<std::string> m_commands;
};

// The whole player window on the headless adapter, over an image drive and a
// manual sink: sound is heard only when a story says so, and time passes only
// by its ticks.
class PlayerScenario : public ::testing::Test {
  protected:
    void SetUp() override;
    void TearDown() override;

    // Opens the player window on the image, or on the drive `opener` gives.
    void Start();
    void StartWith(mci::DriveOpener opener);
    // Ends the window as the close box does.
    void Close();

    // Lets the sink hear this many frames of sound (75 to the second).
    void Hear(int frames);
    // Lets this many timer ticks of 200 ms pass.
    void Ticks(int count);
    // Lets ticks pass until the next one that asks the drive has run.
    void UntilRefresh();
    // Hears a second of sound and lets its five ticks pass, `seconds` times.
    void PlaySeconds(int seconds);

    headless::HeadlessDialog& Window();
    std::string Text(int controlId);
    bool IsEnabled(int controlId);
    void Click(int controlId);
    void Type(int controlId, std::string_view text);

    // The list's rows as "text|text" of its two columns.
    std::vector<std::string> Rows();
    // The device's position "tt:mm:ss:ff".
    std::string Position();
    std::string Mode();
    // The identity of the disc, as the device gives it to the window.
    std::int32_t DiscKey();
    std::filesystem::path ListFolder() const { return m_folder.Path() / "lists"; }
    // Runs the story as the user nobody in a child when the tests run as
    // root, since root may write any file; as it is otherwise.
    void RunAsNobodyWhenRoot(const std::function<void()>& story);

    imagegen::DiscDescription m_disc = ThreeTrackDisc();
    corvid::testing::TemporaryFolder m_folder;
    std::filesystem::path m_cueSheet;
    std::filesystem::path m_startFolder;
    sound::ManualSink m_sink;
    sound::SinkMixer m_mixer{m_sink};
    corvid::testing::ScriptedNameLookup m_nameLookup;
    std::unique_ptr<mci::MciDevice> m_device;
    std::unique_ptr<RecordingMci> m_mci;
    headless::HeadlessWindowSystem m_windows;
    std::unique_ptr<CPlayerDlg> m_player;
    headless::HeadlessDialog* m_window = nullptr;
};

}  // namespace corvid::ui::testing
