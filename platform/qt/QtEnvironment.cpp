#include "platform/qt/QtEnvironment.h"

#include <QPalette>

namespace corvid::window::qt {

namespace {

QColor ToQColor(Color color) {
    return QColor(color.red, color.green, color.blue);
}

}  // namespace

void QtEnvironment::ApplyColors(QWidget& widget) const {
    if (!colors) {
        return;
    }
    QPalette palette = widget.palette();
    palette.setColor(QPalette::Window, ToQColor(colors->background));
    palette.setColor(QPalette::WindowText, ToQColor(colors->text));
    widget.setPalette(palette);
}

}  // namespace corvid::window::qt
