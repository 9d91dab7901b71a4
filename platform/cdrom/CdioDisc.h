#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "platform/cdrom/CdioHandle.h"
#include "platform/cdrom/CdioParanoia.h"
#include "platform/cdrom/Drive.h"

namespace corvid::cdrom {

// One disc in a real drive as libcdio sees it: its table of contents, read
// once when the disc is found, and its audio, read through paranoia.
//
// Threads: made on the drive's monitor thread; ReadAudio and the speed are
// used on the engine's reader thread; GetToc on any thread.
class CdioDisc {
  public:
    // Reads the table of contents; null when the disc has none that can be used.
    static std::shared_ptr<CdioDisc> Load(CdioHandle cdio, std::string driveName);

    CdioDisc(CdioHandle cdio, std::string driveName, std::shared_ptr<const Toc> toc,
             std::shared_ptr<const DiscNames> names = nullptr);
    CdioDisc(const CdioDisc&) = delete;
    CdioDisc& operator=(const CdioDisc&) = delete;

    [[nodiscard]] const std::shared_ptr<const Toc>& GetToc() const { return m_toc; }
    // Its CD-TEXT, read with the table of contents; null when it has none.
    [[nodiscard]] const std::shared_ptr<const DiscNames>& GetNames() const { return m_names; }

    // As Drive::ReadAudio. Only the audio of audio tracks can be read, up to
    // each track's playable end.
    ReadResult ReadAudio(Lba start, std::span<std::int16_t> samples);

    // The speed last set while this disc was in; none for a new disc, whose
    // drive may have forgotten it.
    [[nodiscard]] std::optional<ReadSpeed> Speed() const;
    void SetSpeed(ReadSpeed speed);

  private:
    // Audio tracks that play into each other: paranoia reads one run at a time.
    struct AudioRun {
        Lba begin = 0;
        Lba end = 0;
    };
    static std::vector<AudioRun> AudioRuns(const Toc& toc);

    [[nodiscard]] std::optional<std::size_t> RunOf(Lba sector) const;
    [[nodiscard]] bool ReadSector(Lba sector, std::size_t run, std::span<std::int16_t> out);
    [[nodiscard]] DriveError UnreadableSector(Lba sector) const;
    [[nodiscard]] DriveError NotAudio(Lba sector) const;

    const std::string m_driveName;
    const std::shared_ptr<const Toc> m_toc;
    const std::shared_ptr<const DiscNames> m_names;
    const std::vector<AudioRun> m_runs;

    std::mutex m_readMutex;
    CdioHandle m_cdio;                         // outlives the paranoia that reads it
    std::unique_ptr<CdioParanoia> m_paranoia;  // opened at the first read
    std::optional<Lba> m_nextSector;           // where paranoia stands
    std::size_t m_run = 0;

    mutable std::mutex m_speedMutex;
    std::optional<ReadSpeed> m_speed;
};

}  // namespace corvid::cdrom
