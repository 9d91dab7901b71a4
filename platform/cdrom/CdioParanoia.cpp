#include "platform/cdrom/CdioParanoia.h"

#include <cdio/cdio.h>
#include <cdio/paranoia/cdda.h>
#include <cdio/paranoia/paranoia.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <utility>

namespace corvid::cdrom {

namespace {

// Full checking, but a sector that stays unreadable is given up on rather
// than retried for ever, so a scratch gives an error instead of a hang.
constexpr int PARANOIA_MODE = PARANOIA_MODE_FULL ^ PARANOIA_MODE_NEVERSKIP;
constexpr int MAX_RETRIES = 5;

// Paranoia's callback carries no context, so the reading thread says where
// its reports go for the length of one read.
thread_local ReadTrouble* t_trouble = nullptr;

class TroubleScope {
  public:
    explicit TroubleScope(ReadTrouble& trouble) : m_previous(std::exchange(t_trouble, &trouble)) {}
    ~TroubleScope() { t_trouble = m_previous; }
    TroubleScope(const TroubleScope&) = delete;
    TroubleScope& operator=(const TroubleScope&) = delete;

  private:
    ReadTrouble* m_previous;
};

void OnParanoiaEvent(long wordPosition, paranoia_cb_mode_t mode) {
    if (t_trouble == nullptr || wordPosition < 0) {
        return;
    }
    const auto sector = static_cast<Lba>(wordPosition / SAMPLES_PER_SECTOR);
    switch (mode) {
        case PARANOIA_CB_READERR:
            t_trouble->OnReadError(sector);
            break;
        case PARANOIA_CB_READ:
            t_trouble->OnReadEnd(sector);
            break;
        case PARANOIA_CB_SKIP:
            t_trouble->OnSkip(sector);
            break;
        default:
            break;
    }
}

}  // namespace

void ReadTrouble::OnReadError(Lba firstUnread) {
    if (!m_unreadFrom) {
        m_unreadFrom = firstUnread;
    }
}

void ReadTrouble::OnReadEnd(Lba lastSector) {
    if (!m_unreadFrom) {
        return;
    }
    m_spans.push_back({std::min(*m_unreadFrom, lastSector), lastSector});
    m_unreadFrom.reset();
}

void ReadTrouble::OnSkip(Lba sector) {
    m_spans.push_back({sector, sector});
}

bool ReadTrouble::Touches(Lba sector) const {
    if (m_unreadFrom && sector >= *m_unreadFrom) {
        return true;
    }
    return std::any_of(m_spans.begin(), m_spans.end(), [sector](const Span& span) {
        return span.first <= sector && sector <= span.last;
    });
}

void ReadTrouble::ForgetBefore(Lba sector) {
    std::erase_if(m_spans, [sector](const Span& span) { return span.last < sector; });
}

void ReadTrouble::Clear() {
    m_spans.clear();
    m_unreadFrom.reset();
}

void CdioParanoia::DriveCloser::operator()(cdrom_drive_t* drive) const {
    // The CdIo_t belongs to the disc, not to paranoia.
    cdio_cddap_close_no_free_cdio(drive);
}

void CdioParanoia::ParanoiaFreer::operator()(cdrom_paranoia_t* paranoia) const {
    cdio_paranoia_free(paranoia);
}

CdioParanoia::CdioParanoia(DriveHandle drive, ParanoiaHandle paranoia)
    : m_drive(std::move(drive)), m_paranoia(std::move(paranoia)) {}

std::unique_ptr<CdioParanoia> CdioParanoia::Open(CdIo_t* cdio) {
    DriveHandle drive(cdio_cddap_identify_cdio(cdio, CDDA_MESSAGE_FORGETIT, nullptr));
    if (!drive) {
        return nullptr;
    }
    cdio_cddap_verbose_set(drive.get(), CDDA_MESSAGE_FORGETIT, CDDA_MESSAGE_FORGETIT);
    // Drives deliver little-endian samples; paranoia's guess from the
    // samples gets noisy music wrong.
    drive->bigendianp = 0;
    if (cdio_cddap_open(drive.get()) != 0) {
        return nullptr;
    }
    ParanoiaHandle paranoia(cdio_paranoia_init(drive.get()));
    if (!paranoia) {
        return nullptr;
    }
    cdio_paranoia_modeset(paranoia.get(), PARANOIA_MODE);
    return std::make_unique<CdioParanoia>(std::move(drive), std::move(paranoia));
}

bool CdioParanoia::Seek(Lba sector) {
    m_trouble.Clear();
    m_cursor = sector;
    return cdio_paranoia_seek(m_paranoia.get(), sector, SEEK_SET) >= 0;
}

bool CdioParanoia::ReadNext(std::span<std::int16_t> sector) {
    const Lba wanted = m_cursor++;
    const std::int16_t* samples = nullptr;
    {
        TroubleScope scope(m_trouble);
        samples = cdio_paranoia_read_limited(m_paranoia.get(), &OnParanoiaEvent, MAX_RETRIES);
    }
    if (samples == nullptr) {
        return false;
    }
    m_trouble.ForgetBefore(wanted);
    if (m_trouble.Touches(wanted)) {
        return ReadAlone(wanted, sector);
    }
    std::memcpy(sector.data(), samples, BYTES_PER_SECTOR);
    return true;
}

bool CdioParanoia::ReadAlone(Lba sector, std::span<std::int16_t> out) {
    return cdio_cddap_read(m_drive.get(), out.data(), sector, 1) == 1;
}

}  // namespace corvid::cdrom
