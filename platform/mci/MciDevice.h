#pragma once

#include <functional>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <utility>

#include "cdaudio/DiscNames.h"
#include "cdaudio/MciPort.h"
#include "platform/cdrom/Drive.h"
#include "platform/cdrom/PcmSink.h"
#include "platform/cdrom/PlaybackEngine.h"
#include "platform/mci/MciCommand.h"

namespace corvid::mci {

class PlayNotice;

using DriveOpener = std::function<cdrom::DriveOpenResult()>;

// The "cdaudio" device: the command strings of the media control interface
// over a Drive, answered as Windows answers them, with the playback engine
// playing to `sink`.
//
// Threads: the window's thread only, as MciPort says. Status queries answer
// from the drive's cached state and the engine's status, and never wait.
// "open" calls `opener` to reach the drive; "close" lets it go. The names the
// disc carries are those of the disc whose table of contents it took in.
class MciDevice final : public MciPort, public DiscNamesPort {
  public:
    MciDevice(DriveOpener opener, cdrom::PcmSink& sink, cdrom::EngineOptions options = {});
    ~MciDevice() override;
    MciDevice(const MciDevice&) = delete;
    MciDevice& operator=(const MciDevice&) = delete;

    MciError SendString(std::string_view text, std::span<char> answer,
                        NotifyWindow* notify) override;
    std::string GetErrorString(MciError error) override;
    DiscNames CurrentDiscNames() override;

    // For tests and tools that drive a manual sink.
    [[nodiscard]] cdrom::PlaybackEngine& Engine() { return m_engine; }

  private:
    struct Reply {
        MciError error = MCIERR_NONE;
        std::string answer;
        std::string errorText;  // what went wrong, when the drive said so
    };
    static Reply Answer(std::string text) { return {MCIERR_NONE, std::move(text), {}}; }
    static Reply Fail(MciError error, std::string text = {}) {
        // A failure must never read as success.
        return {error == MCIERR_NONE ? MCIERR_HARDWARE : error, {}, std::move(text)};
    }
    enum class PositionSource : std::uint8_t { DiscStart, Engine };

    Reply Dispatch(const Command& command, NotifyWindow* notify);
    Reply Execute(const OpenCommand& command);
    Reply Execute(const CloseCommand& command);
    Reply Execute(const SetTimeFormatCommand& command);
    Reply Execute(const SetDoorCommand& command);
    Reply Execute(const StopCommand& command);
    Reply Execute(const InfoIdentityCommand& command);
    Reply Execute(const StatusCommand& command);
    Reply Play(const PlayCommand& command, NotifyWindow* notify);
    Reply WaitForPlay(PlayNotice& notice);
    Reply StatusOfTrack(const StatusCommand& command);

    // Takes in what the drive reports: a changed disc, the tray, a new TOC.
    void RefreshDisc();
    // Drops the disc's TOC and ends a play of it.
    void ForgetDisc();
    void StopEngine();
    [[nodiscard]] bool HasDisc() const { return m_toc != nullptr; }
    [[nodiscard]] std::string ModeWord();
    [[nodiscard]] cdrom::Lba CurrentPosition() const;
    [[nodiscard]] std::string DriveLabel() const;

    DriveOpener m_opener;
    // Declared before the engine, so that the engine is gone before the drive it reads.
    std::unique_ptr<cdrom::Drive> m_drive;
    std::shared_ptr<const cdrom::Toc> m_toc;
    std::shared_ptr<const DiscNames> m_names;  // of the disc of m_toc
    cdrom::PlaybackEngine m_engine;
    std::shared_ptr<PlayNotice> m_playNotice;

    TimeFormat m_timeFormat = TimeFormat::Msf;
    cdrom::DriveState m_driveState = cdrom::DriveState::NoDisc;
    PositionSource m_positionSource = PositionSource::DiscStart;
    bool m_reportOpenOnce = false;
    std::string m_driveName;
    MciError m_lastError = MCIERR_NONE;
    std::string m_lastErrorText;
};

}  // namespace corvid::mci
