#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "platform/cdrom/Drive.h"

namespace corvid::testing {

// The sample that a fake disc holds at a sample frame counted from LBA 0, one
// per channel: distinct everywhere, so a dropped, inserted or changed sample
// shows in a comparison.
std::int16_t FakeSample(std::int64_t sampleFrame, int channel);

// The samples of sectors [begin, end) of a fake disc, interleaved.
std::vector<std::int16_t> FakeSamples(cdrom::Lba begin, cdrom::Lba end);

struct FakeTrack {
    cdrom::Lba length = 0;  // sectors
    cdrom::TrackKind kind = cdrom::TrackKind::Audio;
};

// A table of contents of tracks laid one after the other from LBA 0.
cdrom::Toc MakeToc(const std::vector<FakeTrack>& tracks);

// A drive in memory whose every sector holds FakeSamples. Tests set its state
// and make reads fail where they want.
class FakeDrive final : public cdrom::Drive {
  public:
    explicit FakeDrive(cdrom::Toc toc, std::string name = "/dev/fake-cdrom");

    cdrom::DriveState State() override;
    std::shared_ptr<const cdrom::Toc> CurrentToc() override;
    bool TakeDiscChanged() override;
    std::optional<cdrom::DriveError> OpenTray() override;
    std::optional<cdrom::DriveError> CloseTray() override;
    cdrom::ReadResult ReadAudio(cdrom::Lba start, std::span<std::int16_t> samples) override;
    void SetReadSpeed(cdrom::ReadSpeed speed) override;
    std::string Name() const override { return m_name; }

    void SetState(cdrom::DriveState state);
    void ChangeDisc(cdrom::Toc toc);
    // Reads of this sector and after fail with a hardware error.
    void FailReadsFrom(cdrom::Lba sector);

    [[nodiscard]] int ReadCalls() const;
    [[nodiscard]] std::vector<cdrom::ReadSpeed> SpeedsSet() const;

  private:
    mutable std::mutex m_mutex;
    std::shared_ptr<const cdrom::Toc> m_toc;
    cdrom::DriveState m_state = cdrom::DriveState::Ready;
    bool m_discChanged = false;
    std::optional<cdrom::Lba> m_failFrom;
    int m_readCalls = 0;
    std::vector<cdrom::ReadSpeed> m_speeds;
    std::string m_name;
};

}  // namespace corvid::testing
