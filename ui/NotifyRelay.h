#pragma once

#include <mutex>

#include "cdaudio/MciPort.h"

namespace corvid::ui {

// The device's play notices go to the window through this relay, which lives
// as long as the dialog object: the device may end a play (and post its
// notice, from its own thread) after the window is gone, when it closes.
class NotifyRelay final : public NotifyWindow {
  public:
    void Attach(NotifyWindow* window) {
        std::scoped_lock lock(m_mutex);
        m_window = window;
    }
    void Detach() { Attach(nullptr); }

    void PostMciNotify(MciNotifyCode code) override {
        std::scoped_lock lock(m_mutex);
        if (m_window != nullptr) {
            m_window->PostMciNotify(code);
        }
    }

  private:
    std::mutex m_mutex;
    NotifyWindow* m_window = nullptr;
};

}  // namespace corvid::ui
