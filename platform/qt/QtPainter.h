#pragma once

#include <QPainter>

#include "platform/qt/QtImages.h"
#include "platform/window/DialogWindow.h"

namespace corvid::window::qt {

// The Painter of WM_ERASEBKGND and WM_PAINT over the dialog's QPainter.
class QtPainter final : public Painter {
  public:
    QtPainter(QPainter& painter, QtImages& images) : painter(painter), images(images) {}

    void DrawBitmap(int bitmapId, Point topLeft) override {
        painter.drawPixmap(QPoint(topLeft.x, topLeft.y), images.Bitmap(bitmapId));
    }
    void DrawIcon(int iconId, Point topLeft) override {
        painter.drawPixmap(QPoint(topLeft.x, topLeft.y), images.Icon(iconId, BIG_ICON_PIXELS));
    }
    void Fill(const QRect& area, const QBrush& brush) { painter.fillRect(area, brush); }

  private:
    QPainter& painter;
    QtImages& images;
};

}  // namespace corvid::window::qt
