#pragma once

#include <deque>
#include <mutex>
#include <optional>

#include "cdaudio/MciPort.h"

namespace corvid::headless {

// The notices posted to a window from any thread, waiting to be delivered on
// the window's thread.
class PostedNotices {
  public:
    void Post(MciNotifyCode code) {
        const std::lock_guard lock(m_mutex);
        m_codes.push_back(code);
    }
    std::optional<MciNotifyCode> Take() {
        const std::lock_guard lock(m_mutex);
        if (m_codes.empty()) {
            return std::nullopt;
        }
        const MciNotifyCode code = m_codes.front();
        m_codes.pop_front();
        return code;
    }
    void Clear() {
        const std::lock_guard lock(m_mutex);
        m_codes.clear();
    }
    [[nodiscard]] int Count() const {
        const std::lock_guard lock(m_mutex);
        return static_cast<int>(m_codes.size());
    }

  private:
    mutable std::mutex m_mutex;
    std::deque<MciNotifyCode> m_codes;
};

}  // namespace corvid::headless
