#include "platform/cdrom/PlaybackEngine.h"

#include <algorithm>
#include <utility>

namespace corvid::cdrom {

namespace {

constexpr std::int64_t SECTOR_FRAMES = SAMPLE_FRAMES_PER_SECTOR;

std::int64_t SegmentFrames(Lba begin, Lba end) {
    return std::int64_t{end - begin} * SECTOR_FRAMES;
}

}  // namespace

PlaybackEngine::PlaybackEngine(PcmSink& sink, EngineOptions options)
    : m_sink(sink), m_options(options) {
    m_options.bufferSeconds = std::max(1, m_options.bufferSeconds);
    m_options.sectorsPerRead = std::max(1, m_options.sectorsPerRead);
    const auto capacityFrames = static_cast<std::size_t>(m_options.bufferSeconds) * SAMPLE_RATE;
    m_ringSamples = capacityFrames * CHANNELS;
    m_ring = std::make_unique_for_overwrite<std::int16_t[]>(m_ringSamples);
    m_reader = std::thread([this] { ReaderLoop(); });
    m_sink.SetSource(this);
}

PlaybackEngine::~PlaybackEngine() {
    m_sink.SetState(SinkState::Paused);
    m_sink.SetSource(nullptr);
    {
        std::lock_guard lock(m_mutex);
        m_readerExit = true;
    }
    m_readerWake.notify_all();
    m_reader.join();
}

std::int64_t PlaybackEngine::CapacityFrames() const {
    return static_cast<std::int64_t>(m_ringSamples / CHANNELS);
}

std::vector<PlaybackEngine::Segment> PlaybackEngine::PlanFrom(const Toc& toc, Lba start) {
    std::vector<Segment> plan;
    for (const TocTrack& track : toc.tracks) {
        if (track.kind != TrackKind::Audio) {
            continue;
        }
        const Lba begin = std::max(track.start, start);
        if (begin < track.playableEnd) {
            plan.push_back({begin, track.playableEnd});
        }
    }
    return plan;
}

Lba PlaybackEngine::LbaOfPlayFrameLocked(std::int64_t frame) const {
    for (const Segment& segment : m_plan) {
        const std::int64_t frames = SegmentFrames(segment.begin, segment.end);
        if (frame < frames) {
            return segment.begin + static_cast<Lba>(frame / SECTOR_FRAMES);
        }
        frame -= frames;
    }
    return m_plan.empty() ? m_playStart : m_plan.back().end;
}

void PlaybackEngine::Play(Drive& drive, std::shared_ptr<const Toc> toc, Lba start,
                          EndNotice onEnd) {
    EndNotice superseded = StopLocked();
    m_sink.SetState(SinkState::Paused);
    m_sink.Flush();
    if (superseded) {
        superseded(MciNotifyCode::Superseded);
    }

    std::vector<Segment> plan = PlanFrom(*toc, start);
    if (plan.empty()) {
        // Nothing left to play from there: the play is over as soon as it starts.
        {
            std::lock_guard lock(m_mutex);
            m_heldPosition = start;
        }
        if (onEnd) {
            onEnd(MciNotifyCode::Successful);
        }
        return;
    }
    {
        std::lock_guard lock(m_mutex);
        m_drive = &drive;
        m_toc = std::move(toc);
        m_plan = std::move(plan);
        m_playStart = m_plan.front().begin;
        m_totalFrames = 0;
        for (const Segment& segment : m_plan) {
            m_totalFrames += SegmentFrames(segment.begin, segment.end);
        }
        m_readFrames = 0;
        m_pulledFrames = 0;
        m_refilling = true;
        m_error.reset();
        m_onEnd = std::move(onEnd);
        m_mode = EngineMode::Playing;
        ++m_generation;
    }
    m_readerWake.notify_all();
    m_bufferChanged.notify_all();
    m_sink.SetState(SinkState::Playing);
}

PlaybackEngine::EndNotice PlaybackEngine::StopLocked() {
    // The sink is paused first, so that what it reports heard no longer moves.
    m_sink.SetState(SinkState::Paused);
    const std::int64_t heard = m_sink.HeardFrames();
    std::lock_guard lock(m_mutex);
    if (m_mode != EngineMode::Playing) {
        return {};
    }
    m_heldPosition = LbaOfPlayFrameLocked(std::min(heard, m_totalFrames));
    m_mode = EngineMode::Stopped;
    ++m_generation;
    return std::exchange(m_onEnd, {});
}

void PlaybackEngine::Stop() {
    EndNotice superseded = StopLocked();
    m_sink.Flush();
    m_bufferChanged.notify_all();
    if (superseded) {
        superseded(MciNotifyCode::Superseded);
    }
}

void PlaybackEngine::Detach() {
    StopLocked();
    m_sink.Flush();
    std::unique_lock lock(m_mutex);
    m_onEnd = {};
    // The drive may go away once this returns: wait for a read in progress.
    m_readerIdle.wait(lock, [this] { return !m_readerBusy; });
    m_drive = nullptr;
    m_toc.reset();
    m_bufferChanged.notify_all();
}

EngineStatus PlaybackEngine::Status() const {
    const std::int64_t heard = m_sink.HeardFrames();
    std::lock_guard lock(m_mutex);
    EngineStatus status;
    status.mode = m_mode;
    status.error = m_error;
    status.position = m_mode == EngineMode::Playing
                          ? LbaOfPlayFrameLocked(std::min(heard, m_totalFrames))
                          : m_heldPosition;
    return status;
}

void PlaybackEngine::WaitUntilBuffered(std::int64_t frames) const {
    std::unique_lock lock(m_mutex);
    const std::int64_t wanted = std::min(frames, CapacityFrames());
    m_bufferChanged.wait(lock, [&] {
        // A resting reader adds nothing until the sink has taken half the ring.
        return m_mode != EngineMode::Playing || m_error.has_value() || !m_refilling ||
               m_readFrames >= m_totalFrames || m_readFrames - m_pulledFrames >= wanted;
    });
}

PcmSource::PullResult PlaybackEngine::Pull(std::span<std::int16_t> out) {
    PullResult result;
    bool wakeReader = false;
    {
        std::lock_guard lock(m_mutex);
        if (m_mode != EngineMode::Playing) {
            return result;
        }
        const std::int64_t available = std::max<std::int64_t>(0, m_readFrames - m_pulledFrames);
        const std::int64_t frames =
            std::min(available, static_cast<std::int64_t>(out.size() / CHANNELS));
        CopyFromRingLocked(m_pulledFrames, frames, out);
        m_pulledFrames += frames;
        result.frames = static_cast<std::size_t>(frames);
        result.endOfStream = m_pulledFrames >= m_totalFrames && m_readFrames >= m_totalFrames;
        if (!m_refilling && m_readFrames < m_totalFrames &&
            m_readFrames - m_pulledFrames <= CapacityFrames() / 2) {
            m_refilling = true;
            wakeReader = true;
        }
    }
    // The reader rests until the ring is half empty: waking it on every pull
    // would cost a thread switch each time the server asks for more.
    if (wakeReader) {
        m_readerWake.notify_all();
    }
    return result;
}

void PlaybackEngine::OnDrained() {
    EndNotice notice;
    MciNotifyCode code = MciNotifyCode::Successful;
    {
        std::lock_guard lock(m_mutex);
        if (m_mode != EngineMode::Playing || m_pulledFrames < m_totalFrames) {
            return;
        }
        m_heldPosition = LbaOfPlayFrameLocked(m_totalFrames);
        m_mode = EngineMode::Stopped;
        ++m_generation;
        code = m_error ? MciNotifyCode::Failure : MciNotifyCode::Successful;
        notice = std::exchange(m_onEnd, {});
    }
    m_bufferChanged.notify_all();
    if (notice) {
        notice(code);
    }
}

void PlaybackEngine::OnLost(std::int64_t frames) {
    {
        std::lock_guard lock(m_mutex);
        if (m_mode != EngineMode::Playing) {
            return;
        }
        const std::int64_t resume = std::max<std::int64_t>(0, m_pulledFrames - frames);
        m_pulledFrames = resume;
        if (m_readFrames - resume > CapacityFrames()) {
            // Those frames are no longer in the ring: read them again.
            m_readFrames = resume - resume % SECTOR_FRAMES;
        }
        // A read under way was sized for the ring before the rewind.
        ++m_generation;
        m_refilling = true;
    }
    m_readerWake.notify_all();
}

template <typename CopyRun>
void PlaybackEngine::ForEachRingRun(std::int64_t firstFrame, std::int64_t frames,
                                    CopyRun copyRun) const {
    // A run of frames may wrap around the ring's end: copy it in pieces.
    const std::int64_t capacity = CapacityFrames();
    std::int64_t done = 0;
    while (done < frames) {
        const std::int64_t ringFrame = (firstFrame + done) % capacity;
        const std::int64_t run = std::min(frames - done, capacity - ringFrame);
        copyRun(ringFrame * CHANNELS, done * CHANNELS, run * CHANNELS);
        done += run;
    }
}

void PlaybackEngine::CopyFromRingLocked(std::int64_t firstFrame, std::int64_t frames,
                                        std::span<std::int16_t> out) const {
    ForEachRingRun(firstFrame, frames,
                   [&](std::int64_t ring, std::int64_t other, std::int64_t count) {
                       std::copy_n(m_ring.get() + ring, count, out.begin() + other);
                   });
}

void PlaybackEngine::CopyToRingLocked(std::int64_t firstFrame,
                                      std::span<const std::int16_t> samples) {
    const auto frames = static_cast<std::int64_t>(samples.size() / CHANNELS);
    ForEachRingRun(firstFrame, frames,
                   [&](std::int64_t ring, std::int64_t other, std::int64_t count) {
                       std::copy_n(samples.begin() + other, count, m_ring.get() + ring);
                   });
}

std::optional<PlaybackEngine::ReadJob> PlaybackEngine::NextJobLocked() const {
    if (m_mode != EngineMode::Playing || m_drive == nullptr || !m_refilling ||
        m_error.has_value() || m_readFrames >= m_totalFrames) {
        return std::nullopt;
    }
    const std::int64_t space = CapacityFrames() - (m_readFrames - m_pulledFrames);
    if (space < SECTOR_FRAMES) {
        return std::nullopt;
    }
    // Find the segment and sector that hold the next frame to read.
    std::int64_t frame = m_readFrames;
    for (const Segment& segment : m_plan) {
        const std::int64_t frames = SegmentFrames(segment.begin, segment.end);
        if (frame >= frames) {
            frame -= frames;
            continue;
        }
        const Lba sector = segment.begin + static_cast<Lba>(frame / SECTOR_FRAMES);
        const Lba sectors = std::min<Lba>({segment.end - sector, m_options.sectorsPerRead,
                                           static_cast<Lba>(space / SECTOR_FRAMES)});
        return ReadJob{m_drive, sector, sectors, m_readFrames, m_generation};
    }
    return std::nullopt;
}

void PlaybackEngine::ReaderLoop() {
    std::vector<std::int16_t> buffer;
    std::optional<ReadSpeed> speed;
    std::unique_lock lock(m_mutex);
    for (;;) {
        std::optional<ReadJob> job;
        m_readerWake.wait(lock, [&] {
            job = NextJobLocked();
            return m_readerExit || job.has_value();
        });
        if (m_readerExit) {
            return;
        }
        const std::int64_t buffered = m_readFrames - m_pulledFrames;
        const ReadSpeed wanted =
            buffered < CapacityFrames() / 4 ? ReadSpeed::Fast : ReadSpeed::Quiet;
        m_readerBusy = true;
        lock.unlock();

        if (speed != wanted) {
            job->drive->SetReadSpeed(wanted);
            speed = wanted;
        }
        buffer.resize(static_cast<std::size_t>(job->sectors) * SAMPLES_PER_SECTOR);
        const ReadResult result = job->drive->ReadAudio(job->sector, buffer);

        lock.lock();
        m_readerBusy = false;
        m_readerIdle.notify_all();
        if (job->generation != m_generation || job->firstFrame != m_readFrames) {
            continue;  // a stop, a new play or a rewind made this read stale
        }
        const int sectorsRead = std::clamp(result.sectorsRead, 0, job->sectors);
        const std::span<const std::int16_t> samples(
            buffer.data(), static_cast<std::size_t>(sectorsRead) * SAMPLES_PER_SECTOR);
        CopyToRingLocked(m_readFrames, samples);
        m_readFrames += std::int64_t{sectorsRead} * SECTOR_FRAMES;
        if (result.error || sectorsRead < job->sectors) {
            // Play what was read, then end there.
            m_error = result.error.value_or(
                DriveError{MCIERR_HARDWARE, "Reading " + job->drive->Name() + " failed."});
            m_totalFrames = m_readFrames;
        }
        if (CapacityFrames() - (m_readFrames - m_pulledFrames) < SECTOR_FRAMES) {
            m_refilling = false;  // full: rest until the sink has taken half
        }
        m_bufferChanged.notify_all();
    }
}

}  // namespace corvid::cdrom
