#include "platform/sound/ManualSink.h"

#include <algorithm>

#include "platform/cdrom/Toc.h"

namespace corvid::sound {

void ManualSink::SetSource(cdrom::PcmSource* source) {
    std::lock_guard lock(m_mutex);
    m_source = source;
}

void ManualSink::SetState(cdrom::SinkState state) {
    std::lock_guard lock(m_mutex);
    m_state = state;
}

void ManualSink::Flush() {
    std::lock_guard lock(m_mutex);
    m_heardFrames = 0;
    m_endOfStream = false;
}

std::int64_t ManualSink::HeardFrames() const {
    std::lock_guard lock(m_mutex);
    return m_heardFrames;
}

cdrom::VolumeLevels ManualSink::GetVolume() const {
    std::lock_guard lock(m_mutex);
    return m_volume;
}

void ManualSink::SetVolume(cdrom::VolumeLevels levels) {
    std::lock_guard lock(m_mutex);
    m_volume = levels;
}

cdrom::SinkState ManualSink::State() const {
    std::lock_guard lock(m_mutex);
    return m_state;
}

bool ManualSink::EndOfStreamSeen() const {
    std::lock_guard lock(m_mutex);
    return m_endOfStream;
}

std::int64_t ManualSink::Consume(std::int64_t frames) {
    cdrom::PcmSource* source = nullptr;
    {
        std::lock_guard lock(m_mutex);
        if (m_state != cdrom::SinkState::Playing || m_source == nullptr || m_endOfStream) {
            return 0;
        }
        source = m_source;
    }
    if (m_beforePull) {
        m_beforePull(frames);
    }
    std::vector<std::int16_t> buffer(static_cast<std::size_t>(frames) * cdrom::CHANNELS);
    // The source is called without the sink's lock, as a real sink's thread would.
    const cdrom::PcmSource::PullResult result = source->Pull(buffer);
    bool drained = false;
    {
        std::lock_guard lock(m_mutex);
        m_heardFrames += static_cast<std::int64_t>(result.frames);
        if (m_recording) {
            m_heard.insert(m_heard.end(), buffer.begin(),
                           buffer.begin() + static_cast<std::ptrdiff_t>(result.frames * cdrom::CHANNELS));
        }
        if (result.endOfStream) {
            m_endOfStream = true;
            drained = true;
        }
    }
    if (drained) {
        // Nothing is held back here: what was pulled was heard at once.
        source->OnDrained();
    }
    return static_cast<std::int64_t>(result.frames);
}

std::int64_t ManualSink::ConsumeAll(std::int64_t chunkFrames) {
    std::int64_t total = 0;
    for (;;) {
        const std::int64_t pulled = Consume(chunkFrames);
        total += pulled;
        if (pulled < chunkFrames) {
            return total;
        }
    }
}

}  // namespace corvid::sound
