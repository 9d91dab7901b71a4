#pragma once

#include <cstdint>
#include <vector>

#include "platform/window/DialogWindow.h"

namespace corvid::headless {

// One drawing call of a paint, in the order made.
struct PaintCall {
    enum class Kind : std::uint8_t { BACKGROUND_FILL, BITMAP, ICON };
    Kind kind = Kind::BACKGROUND_FILL;
    int resourceId = 0;  // 0 for the fill
    window::Point topLeft;
    window::Message during = window::WM_PAINT;
    bool operator==(const PaintCall&) const = default;
};

// A painter that draws nothing and remembers every call.
class RecordingPainter final : public window::Painter {
  public:
    explicit RecordingPainter(std::vector<PaintCall>& calls) : m_calls(calls) {}

    void DrawBitmap(int bitmapId, window::Point topLeft) override;
    void DrawIcon(int iconId, window::Point topLeft) override;
    void FillBackground();
    // The message the following calls are made for.
    void SetMessage(window::Message message) { m_message = message; }

  private:
    std::vector<PaintCall>& m_calls;
    window::Message m_message = window::WM_PAINT;
};

}  // namespace corvid::headless
