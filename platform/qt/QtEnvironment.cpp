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

namespace {

// Disabled controls keep the style's greyed text, so that they still look
// disabled on the dialog colours.
void SetEnabledTextColor(QPalette& palette, QPalette::ColorRole role, const QColor& color) {
    palette.setColor(QPalette::Active, role, color);
    palette.setColor(QPalette::Inactive, role, color);
}

}  // namespace

void QtEnvironment::ApplyColors(QWidget& widget) const {
    if (!colors) {
        return;
    }
    QPalette palette = widget.palette();
    palette.setColor(QPalette::Window, ToQColor(colors->background));
    SetEnabledTextColor(palette, QPalette::WindowText, ToQColor(colors->text));
    widget.setPalette(palette);
}

void QtEnvironment::ApplyButtonColors(QWidget& button) const {
    if (!colors) {
        return;
    }
    QPalette palette = button.palette();
    palette.setColor(QPalette::Button, ToQColor(colors->background));
    SetEnabledTextColor(palette, QPalette::ButtonText, ToQColor(colors->text));
    button.setPalette(palette);
}

}  // namespace corvid::window::qt
