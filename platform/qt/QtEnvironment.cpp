#include "platform/qt/QtEnvironment.h"

#include <QCoreApplication>
#include <QPalette>

namespace corvid::window::qt {

namespace {

QColor ToQColor(Color color) {
    return QColor(color.red, color.green, color.blue);
}

}  // namespace

QString QtEnvironment::Caption() const {
    return applicationName.isEmpty() ? QCoreApplication::applicationName() : applicationName;
}

void QtEnvironment::ApplyColors(QWidget& widget) const {
    if (!colors) {
        return;
    }
    QPalette palette = widget.palette();
    palette.setColor(QPalette::Window, ToQColor(colors->background));
    palette.setColor(QPalette::WindowText, ToQColor(colors->text));
    widget.setPalette(palette);
}

void QtEnvironment::ApplyButtonColors(QWidget& button) const {
    if (!colors) {
        return;
    }
    QPalette palette = button.palette();
    palette.setColor(QPalette::Button, ToQColor(colors->background));
    palette.setColor(QPalette::ButtonText, ToQColor(colors->text));
    button.setPalette(palette);
}

}  // namespace corvid::window::qt
