#pragma once

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

#include "cdaudio/MciPort.h"
#include "platform/cdrom/Drive.h"
#include "platform/cdrom/PcmSink.h"

namespace corvid::cdrom {

enum class EngineMode : std::uint8_t { Stopped, Playing };

struct EngineStatus {
    EngineMode mode = EngineMode::Stopped;
    // The sector being heard: frames the sink has played, from the play's start.
    Lba position = 0;
    // Why the last play stopped early, if it did.
    std::optional<DriveError> error;
};

struct EngineOptions {
    // How much audio the reader keeps ahead of the sink.
    int bufferSeconds = 10;
    // Sectors read at once; a real drive is read in long bursts, not sector by sector.
    int sectorsPerRead = 75;
};

// Plays a disc from a start sector to its end through a sink: a reader thread
// fills a ring buffer from the drive, the sink pulls from it. Gapless: audio
// tracks are played one after the other without a sample dropped, inserted or
// changed; data tracks and the pregaps before them are skipped.
//
// Threads: Play, Stop and Status are called on the window's thread and never
// wait on the drive or the sink's server. The notice callback runs on the
// reader's or the sink's thread, never with the engine's lock held.
class PlaybackEngine final : public PcmSource {
public:
    using EndNotice = std::function<void(MciNotifyCode)>;

    explicit PlaybackEngine(PcmSink& sink, EngineOptions options = {});
    ~PlaybackEngine() override;
    PlaybackEngine(const PlaybackEngine&) = delete;
    PlaybackEngine& operator=(const PlaybackEngine&) = delete;

    // Plays `drive` from `start` to the end of `toc`. A play in progress ends
    // with Superseded first. `onEnd` hears how this play ended.
    void Play(Drive& drive, std::shared_ptr<const Toc> toc, Lba start, EndNotice onEnd);
    // Stops; the position heard stays. The play in progress ends with Superseded.
    void Stop();
    // Stops without a notice and forgets the drive: it is about to go away.
    void Detach();
    [[nodiscard]] EngineStatus Status() const;
    // Blocks until the reader holds `frames` sample frames ahead of the sink,
    // or has read to the end, or failed, or no play is running. For tests and
    // tools that drive a manual sink; the window never calls it.
    void WaitUntilBuffered(std::int64_t frames) const;

    PullResult Pull(std::span<std::int16_t> out) override;
    void OnDrained() override;
    void OnLost(std::int64_t frames) override;

private:
    struct Segment {
        Lba begin = 0;
        Lba end = 0;
    };
    void ReaderLoop();
    void JoinReader();
    void EndPlay(MciNotifyCode code, std::unique_lock<std::mutex>& lock);
    [[nodiscard]] Lba HeardPositionLocked() const;
    [[nodiscard]] std::int64_t BufferedFramesLocked() const;

    PcmSink& m_sink;
    EngineOptions m_options;

    mutable std::mutex m_mutex;
    std::condition_variable m_readerWake;
    mutable std::condition_variable m_bufferChanged;
    std::thread m_reader;
    bool m_readerExit = false;

    Drive* m_drive = nullptr;
    std::shared_ptr<const Toc> m_toc;
    std::vector<Segment> m_plan;  // audio to play, in order
    EndNotice m_onEnd;
    EngineMode m_mode = EngineMode::Stopped;
    std::optional<DriveError> m_error;
    std::uint64_t m_generation = 0;  // one per play: a stale reader's sectors are dropped

    // The play's sample frames are numbered from its start: the reader has
    // read up to m_readFrames, the sink has pulled up to m_pulledFrames.
    Lba m_playStart = 0;
    Lba m_heldPosition = 0;  // while stopped
    std::int64_t m_readFrames = 0;
    std::int64_t m_pulledFrames = 0;
    std::int64_t m_totalFrames = 0;
    bool m_endOfStream = false;
    std::vector<std::int16_t> m_ring;  // interleaved stereo
};

}  // namespace corvid::cdrom
