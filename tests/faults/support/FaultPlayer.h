#pragma once

#include <atomic>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "platform/cdrom/Drive.h"
#include "platform/headless/HeadlessWindowSystem.h"
#include "platform/mci/MciDevice.h"
#include "platform/sound/SinkMixer.h"
#include "tests/support/PulseServer.h"
#include "tests/support/ScriptedNameLookup.h"
#include "ui/PlayerDlg.h"

namespace corvid::faults {

// The player window on the headless adapter over a real "cdaudio" device
// that plays to `sink`. The window's timer moves only by Ticks; the device
// and the sink run in real time. The current directory is put back when the
// run ends.
class PlayerRun {
  public:
    PlayerRun(cdrom::PcmSink& sink, mci::DriveOpener opener,
              const std::filesystem::path& listFolder, cdrom::EngineOptions options = {});
    ~PlayerRun();
    PlayerRun(const PlayerRun&) = delete;
    PlayerRun& operator=(const PlayerRun&) = delete;

    [[nodiscard]] headless::HeadlessWindowSystem& Windows() { return m_windows; }
    [[nodiscard]] headless::HeadlessDialog& Window() { return *m_window; }
    [[nodiscard]] ui::CPlayerDlg& Player() { return *m_player; }
    [[nodiscard]] mci::MciDevice& Device() { return *m_device; }

    // What the device answers, asked beside the window.
    std::string Ask(std::string_view command);
    std::string Mode() { return Ask("status cdaudio mode"); }
    std::string Position() { return Ask("status cdaudio position"); }

    // Lets this many 200 ms timer ticks pass.
    void Ticks(int count);
    // Lets the ticks pass up to and with the next one that asks the drive.
    void Refresh();
    [[nodiscard]] std::string Text(int controlId);
    // The caption of Play/Stop: "Stop" while the window takes the disc for
    // playing, "Play" otherwise.
    [[nodiscard]] std::string PlayCaption();
    void Click(int controlId);
    void Close();

  private:
    std::filesystem::path m_startFolder;
    std::unique_ptr<mci::MciDevice> m_device;
    std::unique_ptr<sound::SinkMixer> m_mixer;
    corvid::testing::ScriptedNameLookup m_nameLookup;
    headless::HeadlessWindowSystem m_windows;
    std::unique_ptr<ui::CPlayerDlg> m_player;
    headless::HeadlessDialog* m_window = nullptr;
};

// Opens the cue sheet in a virtual drive, as the program does.
mci::DriveOpener ImageOpener(const std::filesystem::path& cueSheet);

// A drive over another whose reads fail from a chosen sector on, as a
// scratched disc or a failing disk does.
class FailingDrive final : public cdrom::Drive {
  public:
    explicit FailingDrive(std::unique_ptr<cdrom::Drive> inner) : m_inner(std::move(inner)) {}

    // Reads of this sector and after fail with a hardware error.
    void FailReadsFrom(cdrom::Lba sector) { m_failFrom = sector; }
    [[nodiscard]] int FailedReads() const { return m_failedReads; }

    cdrom::DriveState State() override { return m_inner->State(); }
    std::shared_ptr<const cdrom::Toc> CurrentToc() override { return m_inner->CurrentToc(); }
    bool TakeDiscChanged() override { return m_inner->TakeDiscChanged(); }
    std::optional<cdrom::DriveError> OpenTray() override { return m_inner->OpenTray(); }
    std::optional<cdrom::DriveError> CloseTray() override { return m_inner->CloseTray(); }
    cdrom::ReadResult ReadAudio(cdrom::Lba start, std::span<std::int16_t> samples) override;
    void SetReadSpeed(cdrom::ReadSpeed speed) override { m_inner->SetReadSpeed(speed); }
    std::string Name() const override { return m_inner->Name(); }

  private:
    static constexpr cdrom::Lba NEVER = 1 << 30;
    std::unique_ptr<cdrom::Drive> m_inner;
    std::atomic<cdrom::Lba> m_failFrom = NEVER;
    std::atomic<int> m_failedReads = 0;
};

// The process id of `server`'s pulseaudio, found by the socket on its
// command line, so that a test can kill it without a word of warning.
std::optional<pid_t> ServerPid(const testing::PulseServer& server);

// How a story is run in a child process of its own.
enum class ChildUser : std::uint8_t { Same, NobodyWhenRoot };

struct ChildLimits {
    ChildUser user = ChildUser::Same;
    // Largest file the child may write, as a full disk allows; 0: no limit.
    std::size_t fileSizeLimit = 0;
};

// Runs `story` in a forked child with `limits` and reports its gtest
// failures as a failure here. Writes past the size limit fail with EFBIG
// rather than ending the child. The story must make its own threads, in the
// child. `folder` is given to the user nobody when the child becomes that user.
void RunInChild(const ChildLimits& limits, const std::filesystem::path& folder,
                const std::function<void()>& story);

}  // namespace corvid::faults
