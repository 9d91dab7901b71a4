#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>

namespace corvid::cdrom {

// Paces the polls of a drive's monitor thread.
class PollClock {
  public:
    virtual ~PollClock() = default;
    // Called on the monitor thread: blocks until the next poll is due; false
    // once Stop() was called.
    virtual bool WaitForNextPoll() = 0;
    // Ends the waiting, now and for good. Any thread.
    virtual void Stop() = 0;
};

// Lets the first poll run at once, then one every `interval`.
class IntervalPollClock final : public PollClock {
  public:
    explicit IntervalPollClock(std::chrono::milliseconds interval) : m_interval(interval) {}
    bool WaitForNextPoll() override;
    void Stop() override;

  private:
    const std::chrono::milliseconds m_interval;
    std::mutex m_mutex;
    std::condition_variable m_stopped;
    bool m_stop = false;
    bool m_first = true;
};

// Lets a poll run only when a test steps it.
class ManualPollClock final : public PollClock {
  public:
    // Lets one poll run and waits until it is done. False if the monitor did
    // not finish the poll within `timeout`.
    [[nodiscard]] bool Step(std::chrono::milliseconds timeout = std::chrono::seconds(10));

    bool WaitForNextPoll() override;
    void Stop() override;

  private:
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::uint64_t m_granted = 0;
    std::uint64_t m_taken = 0;
    bool m_waiting = false;  // the monitor waits for a step
    bool m_stop = false;
};

}  // namespace corvid::cdrom
