#include "platform/sound/SinkMixer.h"

namespace corvid::sound {

bool SinkMixer::IsDevice(std::uint32_t device) const {
    return device == DEVICE && m_sink.HasVolumeControl();
}

std::uint32_t SinkMixer::GetNumberOfDevices() {
    return m_sink.HasVolumeControl() ? 1 : 0;
}

MixerResult SinkMixer::GetLineComponentType(std::uint32_t device, std::uint32_t& componentType) {
    if (!IsDevice(device)) {
        return MIXER_ERROR;
    }
    componentType = MIXERLINE_COMPONENTTYPE_SRC_COMPACTDISC;
    return MIXER_NOERROR;
}

MixerResult SinkMixer::GetVolume(std::uint32_t device, std::uint32_t& value) {
    if (!IsDevice(device)) {
        return MIXER_ERROR;
    }
    const cdrom::VolumeLevels levels = m_sink.GetVolume();
    value = std::uint32_t{levels.left} | (std::uint32_t{levels.right} << 16);
    return MIXER_NOERROR;
}

MixerResult SinkMixer::SetVolume(std::uint32_t device, std::uint32_t value) {
    if (!IsDevice(device)) {
        return MIXER_ERROR;
    }
    m_sink.SetVolume(
        {static_cast<std::uint16_t>(value & 0xFFFF), static_cast<std::uint16_t>(value >> 16)});
    return MIXER_NOERROR;
}

}  // namespace corvid::sound
