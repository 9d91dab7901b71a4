#pragma once

#include <string_view>

#include "cdaudio/MessagePort.h"
#include "platform/window/WindowSystem.h"

namespace corvid::ui {

// The device's messages as OK boxes of the window system; they may come
// before any window exists.
class WindowMessages final : public MessagePort {
  public:
    explicit WindowMessages(window::WindowSystem& windows) : m_windows(windows) {}
    void ShowMessage(std::string_view text) override {
        m_windows.ShowMessageBox(text, window::MessageBoxButtons::OK);
    }

  private:
    window::WindowSystem& m_windows;
};

}  // namespace corvid::ui
