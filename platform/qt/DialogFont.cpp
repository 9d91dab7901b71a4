#include "platform/qt/DialogFont.h"

#include <QFontDatabase>

namespace corvid::window::qt {

namespace {

// The reference font's cell is 13 pixels high, the y base unit; an 11-pixel
// font fills it as "MS Sans Serif" at 8 points does.
constexpr int DIALOG_FONT_PIXELS = 11;

}  // namespace

QStringList DialogFontFaces(const QString& desktopFace) {
    return {QStringLiteral("Liberation Sans"), QStringLiteral("Arimo"),
            QStringLiteral("Nimbus Sans"),     QStringLiteral("Arial"),
            QStringLiteral("Helvetica"),       desktopFace};
}

QFont DialogFont(const QFont& desktopFont) {
    QFont font = desktopFont;
    const QString desktopFace = desktopFont.family();
    // The installed families by their own names. QFontDatabase::hasFamily
    // would first ask fontconfig for an alias of each name, a run of its
    // substitution rules, and the faces here are real families.
    const QStringList installed = QFontDatabase::families();
    for (const QString& face : DialogFontFaces(desktopFace)) {
        if (face == desktopFace || installed.contains(face, Qt::CaseInsensitive)) {
            font.setFamily(face);
            break;
        }
    }
    font.setPixelSize(DIALOG_FONT_PIXELS);
    return font;
}

}  // namespace corvid::window::qt
