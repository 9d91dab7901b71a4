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
    // The sector being heard, from what the sink has played since the play's start.
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
        Lba end = 0;  // exclusive
    };
    struct ReadJob {
        Drive* drive = nullptr;
        Lba sector = 0;
        int sectors = 0;
        std::int64_t firstFrame = 0;
        std::uint64_t generation = 0;
    };

    static std::vector<Segment> PlanFrom(const Toc& toc, Lba start);
    // Pauses the sink and ends the play in progress, if any; returns its notice.
    EndNotice StopLocked();
    void ReaderLoop();
    [[nodiscard]] std::optional<ReadJob> NextJobLocked() const;
    [[nodiscard]] Lba LbaOfPlayFrameLocked(std::int64_t frame) const;
    [[nodiscard]] std::int64_t CapacityFrames() const;
    template <typename CopyRun>
    void ForEachRingRun(std::int64_t firstFrame, std::int64_t frames, CopyRun copyRun) const;
    void CopyFromRingLocked(std::int64_t firstFrame, std::int64_t frames,
                            std::span<std::int16_t> out) const;
    void CopyToRingLocked(std::int64_t firstFrame, std::span<const std::int16_t> samples);

    PcmSink& m_sink;
    EngineOptions m_options;

    mutable std::mutex m_mutex;
    std::condition_variable m_readerWake;
    std::condition_variable m_readerIdle;
    mutable std::condition_variable m_bufferChanged;
    std::thread m_reader;
    bool m_readerExit = false;
    bool m_readerBusy = false;
    // The reader fills the ring in long bursts: from half empty up to full.
    bool m_refilling = false;

    Drive* m_drive = nullptr;
    std::shared_ptr<const Toc> m_toc;
    std::vector<Segment> m_plan;  // the audio to play, in order
    EndNotice m_onEnd;
    EngineMode m_mode = EngineMode::Stopped;
    std::optional<DriveError> m_error;
    std::uint64_t m_generation = 0;  // a read begun under another is stale

    // Sample frames are counted from the play's start along the plan: the
    // ring holds those from m_pulledFrames up to m_readFrames.
    Lba m_playStart = 0;
    Lba m_heldPosition = 0;
    std::int64_t m_readFrames = 0;
    std::int64_t m_pulledFrames = 0;
    std::int64_t m_totalFrames = 0;
    // Interleaved stereo. Left unset when made: its memory is only taken
    // page by page as the reader first fills it, so a player that never
    // plays, or plays only a short track, never holds the whole of it.
    std::unique_ptr<std::int16_t[]> m_ring;
    std::size_t m_ringSamples = 0;
};

}  // namespace corvid::cdrom
