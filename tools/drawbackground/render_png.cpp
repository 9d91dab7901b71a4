// corvid-render-png INPUT.svg OUTPUT.png|OUTPUT.argb RATIO [PIXELS]: draws the
// picture at RATIO device pixels per pixel of its own size, or of PIXELS
// square for an icon, for screens of that density, so that the program need
// not draw SVG pictures.
// An .argb output holds the pixels as they are, for a picture shown at every
// start, which then needs no decoding either.

#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QSvgRenderer>
#include <cmath>
#include <cstdio>
#include <string>

#include "platform/qt/RawPicture.h"

namespace {

bool SavePicture(const QImage& image, const QString& output) {
    if (!output.endsWith(QStringLiteral(".argb"))) {
        return image.save(output, "PNG");
    }
    QFile file(output);
    const QByteArray encoded = corvid::window::qt::EncodeRawPicture(image);
    return file.open(QIODevice::WriteOnly) && file.write(encoded) == encoded.size();
}

// `size` empty: the picture's own size.
int RenderPicture(const char* input, const char* output, double ratio, QSize size) {
    QSvgRenderer renderer(QString::fromLocal8Bit(input));
    if (!renderer.isValid()) {
        std::fprintf(stderr, "corvid-render-png: %s: not a picture\n", input);
        return 1;
    }
    if (size.isEmpty()) {
        size = renderer.defaultSize();
    }
    QImage image(static_cast<int>(std::ceil(size.width() * ratio)),
                 static_cast<int>(std::ceil(size.height() * ratio)),
                 QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    renderer.render(&painter);
    painter.end();
    if (!SavePicture(image, QString::fromLocal8Bit(output))) {
        std::fprintf(stderr, "corvid-render-png: %s: cannot be written\n", output);
        return 1;
    }
    return 0;
}

}  // namespace

int main(int argumentCount, char** arguments) {
    if (argumentCount != 4 && argumentCount != 5) {
        std::fprintf(stderr,
                     "usage: corvid-render-png INPUT.svg OUTPUT.png|OUTPUT.argb RATIO [PIXELS]\n");
        return 2;
    }
    const double ratio = std::stod(arguments[3]);
    const int pixels = argumentCount == 5 ? std::stoi(arguments[4]) : 0;
    if (!(ratio > 0) || pixels < 0) {
        std::fprintf(stderr,
                     "corvid-render-png: the ratio must be above 0, the pixels not below\n");
        return 2;
    }
    // Text in the pictures needs the font database, which needs an
    // application; the build has no screen.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication application(argumentCount, arguments);
    return RenderPicture(arguments[1], arguments[2], ratio, QSize(pixels, pixels));
}
