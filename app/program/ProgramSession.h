#pragma once

#include <filesystem>

#include "app/CommandLine.h"
#include "app/Environment.h"
#include "app/PlayerApp.h"
#include "platform/mci/MciDevice.h"
#include "platform/nameloader/LoadedNameLookup.h"
#include "platform/qt/TimerSource.h"
#include "platform/sound/PulseSink.h"
#include "platform/sound/SinkMixer.h"

namespace corvid::app {

// The real device for one run: the "cdaudio" device over the drive or image
// that the command line names, playing to the sound server, the search for
// names online, and the per-user folder of the track lists.
class ProgramSession final : public PlayerSession {
  public:
    ProgramSession(const CommandOptions& options, const Environment& environment,
                   window::WindowSystem& windows);

    [[nodiscard]] ui::PlayerPorts Ports() override;

  private:
    window::WindowSystem& m_windows;
    std::filesystem::path m_trackListFolder;
    // Declared before the device, so that the device closes before its sink goes.
    sound::PulseSink m_sink;
    sound::SinkMixer m_mixer;
    mci::MciDevice m_device;
    window::qt::QtTimerSource m_timers;
    names::LoadedNameLookup m_nameLookup;
};

// The name servers the command line names, or their own.
names::NameServers NameServersOf(const CommandOptions& options);

// Where the "cdaudio" device finds its disc: the image when one is given,
// else the drive.
cdrom::DriveLocation DriveLocationOf(const CommandOptions& options);

}  // namespace corvid::app
