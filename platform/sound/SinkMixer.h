#pragma once

#include <cstdint>

#include "cdaudio/MixerPort.h"
#include "platform/cdrom/PcmSink.h"

namespace corvid::sound {

// The mixer port over a sink's volume: one aux device, index 0, carrying the
// CD line while the sink has a volume control; no device otherwise.
class SinkMixer final : public MixerPort {
  public:
    static constexpr std::uint32_t DEVICE = 0;

    explicit SinkMixer(cdrom::PcmSink& sink) : m_sink(sink) {}

    std::uint32_t GetNumberOfDevices() override;
    MixerResult GetLineComponentType(std::uint32_t device, std::uint32_t& componentType) override;
    MixerResult GetVolume(std::uint32_t device, std::uint32_t& value) override;
    MixerResult SetVolume(std::uint32_t device, std::uint32_t value) override;

  private:
    [[nodiscard]] bool IsDevice(std::uint32_t device) const;

    cdrom::PcmSink& m_sink;
};

}  // namespace corvid::sound
