#pragma once

#include <cstdint>

namespace corvid {

// Result of a mixer call: 0 is success, anything else a failure.
using MixerResult = std::uint32_t;
inline constexpr MixerResult MIXER_NOERROR = 0;
inline constexpr MixerResult MIXER_ERROR = 1;

// The component type of a mixer line that carries a compact disc's sound.
inline constexpr std::uint32_t MIXERLINE_COMPONENTTYPE_SRC_COMPACTDISC = 0x1005;

// The auxiliary audio devices that may carry the CD line.
//
// Called on the window's thread only; no call blocks on a server. Devices are
// numbered from 0. A volume value holds the left channel's level (0..65535) in
// its low 16 bits and the right channel's in its high 16 bits.
class MixerPort {
  public:
    virtual ~MixerPort() = default;
    virtual std::uint32_t GetNumberOfDevices() = 0;
    // The component type of the destination line of aux device `device`.
    virtual MixerResult GetLineComponentType(std::uint32_t device,
                                             std::uint32_t& componentType) = 0;
    virtual MixerResult GetVolume(std::uint32_t device, std::uint32_t& value) = 0;
    virtual MixerResult SetVolume(std::uint32_t device, std::uint32_t value) = 0;
};

}  // namespace corvid
