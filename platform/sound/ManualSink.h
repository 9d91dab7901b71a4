#pragma once

#include <cstdint>
#include <functional>
#include <mutex>
#include <vector>

#include "platform/cdrom/PcmSink.h"

namespace corvid::sound {

// A sink in which time moves only when its owner says so: Consume pulls and
// "hears" frames at once, on the caller's thread. For tests.
class ManualSink final : public cdrom::PcmSink {
public:
    void SetSource(cdrom::PcmSource* source) override;
    void SetState(cdrom::SinkState state) override;
    void Flush() override;
    [[nodiscard]] std::int64_t HeardFrames() const override;
    [[nodiscard]] bool HasVolumeControl() const override { return true; }
    [[nodiscard]] cdrom::VolumeLevels GetVolume() const override;
    void SetVolume(cdrom::VolumeLevels levels) override;

    // Pulls up to `frames` sample frames, as many as the source gives, and
    // keeps them in Heard() when recording. Returns the frames pulled; none
    // while paused or without a source.
    std::int64_t Consume(std::int64_t frames);
    // Pulls until the source ends or runs short; returns the frames pulled.
    std::int64_t ConsumeAll(std::int64_t chunkFrames = 4096);

    // Called before every pull with the frames about to be asked for, so that a
    // test can let a reader thread catch up without any sleeping.
    void SetBeforePull(std::function<void(std::int64_t)> hook) { m_beforePull = std::move(hook); }
    void SetRecording(bool recording) { m_recording = recording; }
    [[nodiscard]] const std::vector<std::int16_t>& Heard() const { return m_heard; }
    [[nodiscard]] cdrom::SinkState State() const;
    [[nodiscard]] bool EndOfStreamSeen() const;

private:
    mutable std::mutex m_mutex;
    cdrom::PcmSource* m_source = nullptr;
    cdrom::SinkState m_state = cdrom::SinkState::Paused;
    cdrom::VolumeLevels m_volume;
    std::int64_t m_heardFrames = 0;
    bool m_endOfStream = false;
    bool m_recording = false;
    std::vector<std::int16_t> m_heard;
    std::function<void(std::int64_t)> m_beforePull;
};

}  // namespace corvid::sound
