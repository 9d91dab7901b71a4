#pragma once

#include <condition_variable>
#include <mutex>
#include <optional>

#include "cdaudio/MciPort.h"

namespace corvid::mci {

// How one play ended, told once: to the window that asked for a notice, and to
// a "play ... wait" that blocks the window's thread until then.
class PlayNotice {
  public:
    // `window` may be null: nothing is posted.
    explicit PlayNotice(NotifyWindow* window) : m_window(window) {}

    // Any thread. Only the first end counts.
    void Finish(MciNotifyCode code);
    // The disc went away: the stop that follows ends the play as a failure,
    // not as a play that another command took the place of.
    void MarkDiscGone();
    [[nodiscard]] MciNotifyCode WaitForEnd();

  private:
    NotifyWindow* m_window;
    std::mutex m_mutex;
    std::condition_variable m_ended;
    std::optional<MciNotifyCode> m_code;
    bool m_discGone = false;
};

}  // namespace corvid::mci
