#include "platform/cdrom/CdioDisc.h"

#include <utility>

#include "platform/cdrom/CdioText.h"
#include "platform/cdrom/CdioToc.h"

namespace corvid::cdrom {

std::shared_ptr<CdioDisc> CdioDisc::Load(CdioHandle cdio, std::string driveName) {
    if (!cdio) {
        return nullptr;
    }
    const std::optional<DiscLayout> layout = ReadDiscLayout(cdio.get());
    if (!layout) {
        return nullptr;
    }
    std::optional<Toc> toc = BuildToc(*layout);
    if (!toc) {
        return nullptr;
    }
    auto names = std::make_shared<const DiscNames>(ReadCdText(cdio.get(), *toc));
    return std::make_shared<CdioDisc>(std::move(cdio), std::move(driveName),
                                      std::make_shared<const Toc>(std::move(*toc)),
                                      std::move(names));
}

CdioDisc::CdioDisc(CdioHandle cdio, std::string driveName, std::shared_ptr<const Toc> toc,
                   std::shared_ptr<const DiscNames> names)
    : m_driveName(std::move(driveName)),
      m_toc(std::move(toc)),
      m_names(std::move(names)),
      m_runs(AudioRuns(*m_toc)),
      m_cdio(std::move(cdio)) {}

std::vector<CdioDisc::AudioRun> CdioDisc::AudioRuns(const Toc& toc) {
    std::vector<AudioRun> runs;
    for (const TocTrack& track : toc.tracks) {
        if (track.kind != TrackKind::Audio || track.playableEnd <= track.start) {
            continue;
        }
        if (!runs.empty() && runs.back().end == track.start) {
            runs.back().end = track.playableEnd;
        } else {
            runs.push_back({track.start, track.playableEnd});
        }
    }
    return runs;
}

std::optional<std::size_t> CdioDisc::RunOf(Lba sector) const {
    for (std::size_t index = 0; index < m_runs.size(); ++index) {
        if (sector >= m_runs[index].begin && sector < m_runs[index].end) {
            return index;
        }
    }
    return std::nullopt;
}

ReadResult CdioDisc::ReadAudio(Lba start, std::span<std::int16_t> samples) {
    const auto sectorCount = static_cast<int>(samples.size() / SAMPLES_PER_SECTOR);
    std::lock_guard lock(m_readMutex);
    ReadResult result;
    for (; result.sectorsRead < sectorCount; ++result.sectorsRead) {
        const Lba sector = start + result.sectorsRead;
        const std::optional<std::size_t> run = RunOf(sector);
        if (!run) {
            result.error = NotAudio(sector);
            return result;
        }
        const auto offset = static_cast<std::size_t>(result.sectorsRead) * SAMPLES_PER_SECTOR;
        if (!ReadSector(sector, *run, samples.subspan(offset, SAMPLES_PER_SECTOR))) {
            result.error = UnreadableSector(sector);
            return result;
        }
    }
    return result;
}

bool CdioDisc::ReadSector(Lba sector, std::size_t run, std::span<std::int16_t> out) {
    if (!m_paranoia) {
        m_paranoia = CdioParanoia::Open(m_cdio.get());
        m_nextSector.reset();
    }
    if (!m_paranoia) {
        return false;
    }
    // Paranoia reads one run of audio from where it was sought; past its end
    // it would hand out silence.
    if (m_nextSector != sector || m_run != run) {
        m_nextSector.reset();
        if (!m_paranoia->Seek(sector)) {
            return false;
        }
        m_run = run;
    }
    if (!m_paranoia->ReadNext(out)) {
        m_nextSector.reset();
        return false;
    }
    m_nextSector = sector + 1;
    return true;
}

DriveError CdioDisc::UnreadableSector(Lba sector) const {
    return {MCIERR_HARDWARE, "Sector " + std::to_string(sector) + " of the disc in " + m_driveName +
                                 " could not be read."};
}

DriveError CdioDisc::NotAudio(Lba sector) const {
    return {MCIERR_OUTOFRANGE, "Sector " + std::to_string(sector) + " of the disc in " +
                                   m_driveName + " holds no audio."};
}

std::optional<ReadSpeed> CdioDisc::Speed() const {
    std::lock_guard lock(m_speedMutex);
    return m_speed;
}

void CdioDisc::SetSpeed(ReadSpeed speed) {
    std::lock_guard lock(m_speedMutex);
    m_speed = speed;
}

}  // namespace corvid::cdrom
