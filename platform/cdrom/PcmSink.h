#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace corvid::cdrom {

// What a sink plays from: the playback engine.
class PcmSource {
  public:
    virtual ~PcmSource() = default;

    struct PullResult {
        std::size_t frames = 0;    // sample frames written to the front of `out`
        bool endOfStream = false;  // nothing follows until the next play
    };
    // Sink's thread. Copies up to out.size() / CHANNELS sample frames of
    // interleaved 16-bit stereo (host byte order). Fewer than asked without
    // endOfStream means the source runs short: pull again later, never fill
    // the gap with silence of your own.
    virtual PullResult Pull(std::span<std::int16_t> out) = 0;
    // Sink's thread. Everything pulled since endOfStream was said has been heard.
    virtual void OnDrained() = 0;
    // Sink's thread. The last `frames` sample frames pulled were lost unheard
    // (the sound server went away); the next pulls must give them again.
    virtual void OnLost(std::int64_t frames) = 0;
};

struct VolumeLevels {
    std::uint16_t left = 0xFFFF;
    std::uint16_t right = 0xFFFF;
};

enum class SinkState : std::uint8_t { Paused, Playing };

// Where PCM goes to be heard.
//
// Threads: every call but the source's is made on the window's thread and
// returns at once; none waits for a sound server. The source is pulled on the
// sink's own thread from SetSource until SetSource(nullptr) returns.
class PcmSink {
  public:
    virtual ~PcmSink() = default;

    virtual void SetSource(PcmSource* source) = 0;
    // Paused holds what is buffered, unheard; Playing pulls and plays.
    virtual void SetState(SinkState state) = 0;
    // Drops whatever was pulled and not yet heard; HeardFrames starts again at 0.
    virtual void Flush() = 0;
    // Sample frames heard of those pulled since the last Flush; never more
    // than were pulled. Holds still while paused or while no server is there.
    [[nodiscard]] virtual std::int64_t HeardFrames() const = 0;

    // Levels 0..65535 per channel; 65535 is exactly the server's 100 %, and a
    // level set reads back the same. A change made by a mixer is what the
    // next GetVolume reads.
    [[nodiscard]] virtual bool HasVolumeControl() const = 0;
    [[nodiscard]] virtual VolumeLevels GetVolume() const = 0;
    virtual void SetVolume(VolumeLevels levels) = 0;
};

}  // namespace corvid::cdrom
