#include "platform/cdrom/CdioPollClock.h"

namespace corvid::cdrom {

bool IntervalPollClock::WaitForNextPoll() {
    std::unique_lock lock(m_mutex);
    if (m_first) {
        m_first = false;
        return !m_stop;
    }
    m_stopped.wait_for(lock, m_interval, [this] { return m_stop; });
    return !m_stop;
}

void IntervalPollClock::Stop() {
    {
        std::lock_guard lock(m_mutex);
        m_stop = true;
    }
    m_stopped.notify_all();
}

bool ManualPollClock::Step(std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    std::unique_lock lock(m_mutex);
    if (!m_changed.wait_until(lock, deadline, [this] { return m_waiting || m_stop; }) || m_stop) {
        return false;
    }
    const std::uint64_t step = ++m_granted;
    m_changed.notify_all();
    return m_changed.wait_until(lock, deadline, [this, step] {
        return m_stop || (m_taken >= step && m_waiting);
    }) && !m_stop;
}

bool ManualPollClock::WaitForNextPoll() {
    std::unique_lock lock(m_mutex);
    m_waiting = true;
    m_changed.notify_all();
    m_changed.wait(lock, [this] { return m_stop || m_granted > m_taken; });
    m_waiting = false;
    if (m_stop) {
        return false;
    }
    ++m_taken;
    return true;
}

void ManualPollClock::Stop() {
    {
        std::lock_guard lock(m_mutex);
        m_stop = true;
    }
    m_changed.notify_all();
}

}  // namespace corvid::cdrom
