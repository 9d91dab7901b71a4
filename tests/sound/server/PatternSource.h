#pragma once

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <span>
#include <vector>

#include "platform/cdrom/PcmSink.h"
#include "platform/cdrom/Toc.h"
#include "tests/support/FakeDrive.h"

namespace corvid::testing {

// A source of a known pattern, distinct in every sample, that can be told to
// run short: it gives only the frames let out so far.
class PatternSource final : public cdrom::PcmSource {
  public:
    // Frames of the pattern come from FakeSample from `firstFrame` on, so that
    // the first frame is not silence.
    explicit PatternSource(std::int64_t frames, std::int64_t firstFrame = 1000)
        : m_total(frames), m_available(frames) {
        m_samples.reserve(static_cast<std::size_t>(frames) * cdrom::CHANNELS);
        for (std::int64_t frame = 0; frame < frames; ++frame) {
            m_samples.push_back(FakeSample(firstFrame + frame, 0));
            m_samples.push_back(FakeSample(firstFrame + frame, 1));
        }
    }

    PullResult Pull(std::span<std::int16_t> out) override {
        std::lock_guard lock(m_mutex);
        const auto asked = static_cast<std::int64_t>(out.size() / cdrom::CHANNELS);
        const std::int64_t frames = std::clamp<std::int64_t>(m_available - m_position, 0, asked);
        std::copy_n(m_samples.begin() + m_position * cdrom::CHANNELS, frames * cdrom::CHANNELS,
                    out.begin());
        m_position += frames;
        ++m_pulls;
        m_changed.notify_all();
        return {static_cast<std::size_t>(frames), m_position == m_total};
    }
    void OnDrained() override {
        if (m_whenDrained) {
            m_whenDrained();
        }
        std::lock_guard lock(m_mutex);
        ++m_drains;
        m_changed.notify_all();
    }
    void OnLost(std::int64_t frames) override {
        std::lock_guard lock(m_mutex);
        m_position -= frames;
        m_lostFrames += frames;
        m_changed.notify_all();
    }

    // Runs on the sink's thread when it reports the drain, as an engine's
    // end-of-play notice would.
    void SetWhenDrained(std::function<void()> action) { m_whenDrained = std::move(action); }

    // Only the first `frames` frames can be pulled until more are let out.
    void LetOut(std::int64_t frames) {
        std::lock_guard lock(m_mutex);
        m_available = std::min(frames, m_total);
    }

    bool WaitUntilDrained(std::chrono::milliseconds timeout) {
        return WaitUntil([this] { return m_drains > 0; }, timeout);
    }
    bool WaitUntilPulls(int pulls, std::chrono::milliseconds timeout) {
        return WaitUntil([this, pulls] { return m_pulls >= pulls; }, timeout);
    }

    [[nodiscard]] std::span<const std::int16_t> Samples() const { return m_samples; }
    [[nodiscard]] std::span<const std::int16_t> Head(std::size_t frames) const {
        return std::span(m_samples).first(frames * cdrom::CHANNELS);
    }
    [[nodiscard]] std::int64_t Position() const {
        std::lock_guard lock(m_mutex);
        return m_position;
    }
    [[nodiscard]] std::int64_t LostFrames() const {
        std::lock_guard lock(m_mutex);
        return m_lostFrames;
    }
    [[nodiscard]] int Drains() const {
        std::lock_guard lock(m_mutex);
        return m_drains;
    }
    [[nodiscard]] int Pulls() const {
        std::lock_guard lock(m_mutex);
        return m_pulls;
    }

  private:
    // `condition` runs with the lock held: it reads the members directly.
    template <typename Condition>
    bool WaitUntil(Condition condition, std::chrono::milliseconds timeout) {
        std::unique_lock lock(m_mutex);
        return m_changed.wait_for(lock, timeout, condition);
    }

    mutable std::mutex m_mutex;
    std::condition_variable m_changed;
    std::vector<std::int16_t> m_samples;
    std::int64_t m_total = 0;
    std::int64_t m_available = 0;
    std::int64_t m_position = 0;
    std::int64_t m_lostFrames = 0;
    int m_drains = 0;
    int m_pulls = 0;
    std::function<void()> m_whenDrained;
};

}  // namespace corvid::testing
