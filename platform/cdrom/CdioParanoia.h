#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <vector>

#include "platform/cdrom/CdioHandle.h"
#include "platform/cdrom/Toc.h"

typedef struct cdrom_drive_s cdrom_drive_t;        // NOLINT(modernize-use-using)
typedef struct cdrom_paranoia_s cdrom_paranoia_t;  // NOLINT(modernize-use-using)

namespace corvid::cdrom {

// Sectors whose samples paranoia may have made up: a read of the drive that
// covered them failed, or paranoia gave up verifying them.
class ReadTrouble {
  public:
    void OnReadError(Lba firstUnread);
    // The end of a read of the drive: the sectors since the read error up to
    // `lastSector` were not read.
    void OnReadEnd(Lba lastSector);
    void OnSkip(Lba sector);

    [[nodiscard]] bool Touches(Lba sector) const;
    void ForgetBefore(Lba sector);
    void Clear();

  private:
    struct Span {
        Lba first = 0;
        Lba last = 0;
    };
    std::vector<Span> m_spans;
    std::optional<Lba> m_unreadFrom;
};

// Reads one disc's audio through libcdio-paranoia, a sector at a time, in
// host byte order. A sector that a read error touched is read again on its
// own; if that fails too, the sector cannot be read.
//
// Threads: one caller at a time.
class CdioParanoia {
  public:
    // Null when paranoia cannot read audio from the disc (one without audio
    // tracks, or a drive that cannot read audio). `cdio` must outlive it.
    static std::unique_ptr<CdioParanoia> Open(CdIo_t* cdio);

    // Makes `sector` the next one read; false if it lies outside the disc.
    [[nodiscard]] bool Seek(Lba sector);
    // Reads the next sector into `sector`, SAMPLES_PER_SECTOR samples.
    [[nodiscard]] bool ReadNext(std::span<std::int16_t> sector);

    struct DriveCloser {
        void operator()(cdrom_drive_t* drive) const;
    };
    struct ParanoiaFreer {
        void operator()(cdrom_paranoia_t* paranoia) const;
    };
    using DriveHandle = std::unique_ptr<cdrom_drive_t, DriveCloser>;
    using ParanoiaHandle = std::unique_ptr<cdrom_paranoia_t, ParanoiaFreer>;

    CdioParanoia(DriveHandle drive, ParanoiaHandle paranoia);

  private:
    [[nodiscard]] bool ReadAlone(Lba sector, std::span<std::int16_t> out);

    DriveHandle m_drive;
    ParanoiaHandle m_paranoia;  // freed before the drive it reads
    ReadTrouble m_trouble;
    Lba m_cursor = 0;
};

}  // namespace corvid::cdrom
