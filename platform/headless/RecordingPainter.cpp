#include "platform/headless/RecordingPainter.h"

namespace corvid::headless {

void RecordingPainter::DrawBitmap(int bitmapId, window::Point topLeft) {
    m_calls.push_back({PaintCall::Kind::BITMAP, bitmapId, topLeft, m_message});
}

void RecordingPainter::DrawIcon(int iconId, window::Point topLeft) {
    m_calls.push_back({PaintCall::Kind::ICON, iconId, topLeft, m_message});
}

void RecordingPainter::FillBackground() {
    m_calls.push_back({PaintCall::Kind::BACKGROUND_FILL, 0, {}, m_message});
}

}  // namespace corvid::headless
