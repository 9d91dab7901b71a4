#include "tests/support/FakeDrive.h"

#include <algorithm>
#include <utility>

namespace corvid::testing {

using cdrom::Lba;

std::int16_t FakeSample(std::int64_t sampleFrame, int channel) {
    const auto n = static_cast<std::uint64_t>(sampleFrame);
    const std::uint64_t mixed = (n * 2654435761ULL) ^ (n >> 7);
    return static_cast<std::int16_t>(channel == 0 ? (mixed >> 8) : (mixed ^ 0x5A5A));
}

std::vector<std::int16_t> FakeSamples(Lba begin, Lba end) {
    std::vector<std::int16_t> samples;
    samples.reserve(static_cast<std::size_t>(end - begin) * cdrom::SAMPLES_PER_SECTOR);
    const std::int64_t first = std::int64_t{begin} * cdrom::SAMPLE_FRAMES_PER_SECTOR;
    const std::int64_t last = std::int64_t{end} * cdrom::SAMPLE_FRAMES_PER_SECTOR;
    for (std::int64_t frame = first; frame < last; ++frame) {
        samples.push_back(FakeSample(frame, 0));
        samples.push_back(FakeSample(frame, 1));
    }
    return samples;
}

cdrom::Toc MakeToc(const std::vector<FakeTrack>& tracks) {
    cdrom::Toc toc;
    Lba start = 0;
    int number = 1;
    for (const FakeTrack& track : tracks) {
        toc.tracks.push_back({number++, start, start + track.length, track.kind});
        start += track.length;
    }
    toc.leadOut = start;
    return toc;
}

FakeDrive::FakeDrive(cdrom::Toc toc, std::string name)
    : m_toc(std::make_shared<const cdrom::Toc>(std::move(toc))), m_name(std::move(name)) {}

cdrom::DriveState FakeDrive::State() {
    std::lock_guard lock(m_mutex);
    return m_state;
}

std::shared_ptr<const cdrom::Toc> FakeDrive::CurrentToc() {
    std::lock_guard lock(m_mutex);
    return m_state == cdrom::DriveState::Ready ? m_toc : nullptr;
}

bool FakeDrive::TakeDiscChanged() {
    std::lock_guard lock(m_mutex);
    return std::exchange(m_discChanged, false);
}

std::optional<cdrom::DriveError> FakeDrive::OpenTray() {
    SetState(cdrom::DriveState::TrayOpen);
    return std::nullopt;
}

std::optional<cdrom::DriveError> FakeDrive::CloseTray() {
    SetState(cdrom::DriveState::Ready);
    return std::nullopt;
}

cdrom::ReadResult FakeDrive::ReadAudio(Lba start, std::span<std::int16_t> samples) {
    std::lock_guard lock(m_mutex);
    ++m_readCalls;
    const auto wanted = static_cast<Lba>(samples.size() / cdrom::SAMPLES_PER_SECTOR);
    Lba readable = std::min(wanted, m_toc->leadOut - start);
    if (m_failFrom) {
        readable = std::min(readable, std::max(Lba{0}, *m_failFrom - start));
    }
    readable = std::max(readable, Lba{0});
    const std::vector<std::int16_t> data = FakeSamples(start, start + readable);
    std::copy(data.begin(), data.end(), samples.begin());
    cdrom::ReadResult result{readable, std::nullopt};
    if (readable < wanted) {
        result.error = cdrom::DriveError{
            MCIERR_HARDWARE,
            "Cannot read sector " + std::to_string(start + readable) + " of " + m_name + "."};
    }
    return result;
}

void FakeDrive::SetReadSpeed(cdrom::ReadSpeed speed) {
    std::lock_guard lock(m_mutex);
    m_speeds.push_back(speed);
}

void FakeDrive::SetState(cdrom::DriveState state) {
    std::lock_guard lock(m_mutex);
    m_state = state;
}

void FakeDrive::ChangeDisc(cdrom::Toc toc) {
    std::lock_guard lock(m_mutex);
    m_toc = std::make_shared<const cdrom::Toc>(std::move(toc));
    m_discChanged = true;
}

void FakeDrive::FailReadsFrom(Lba sector) {
    std::lock_guard lock(m_mutex);
    m_failFrom = sector;
}

int FakeDrive::ReadCalls() const {
    std::lock_guard lock(m_mutex);
    return m_readCalls;
}

std::vector<cdrom::ReadSpeed> FakeDrive::SpeedsSet() const {
    std::lock_guard lock(m_mutex);
    return m_speeds;
}

}  // namespace corvid::testing
