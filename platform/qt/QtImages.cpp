#include "platform/qt/QtImages.h"

#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QSvgRenderer>
#include <cmath>

namespace corvid::window::qt {

namespace {

// `logicalSize` empty: the picture's own size. The pixmap holds `ratio`
// device pixels per logical pixel, drawn from the SVG at that density.
QPixmap Render(const QString& path, QSize logicalSize, qreal ratio) {
    QSvgRenderer renderer(path);
    if (!renderer.isValid()) {
        return {};
    }
    if (logicalSize.isEmpty()) {
        logicalSize = renderer.defaultSize();
    }
    QImage image(QSize(static_cast<int>(std::ceil(logicalSize.width() * ratio)),
                       static_cast<int>(std::ceil(logicalSize.height() * ratio))),
                 QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    renderer.render(&painter);
    painter.end();
    image.setDevicePixelRatio(ratio);
    return QPixmap::fromImage(image);
}

// The build renders every bitmap at these densities, "<id>.png" and
// "<id>@2x.png".
QString PrerenderedPath(int bitmapId, qreal ratio) {
    if (ratio == 1.0) {
        return QStringLiteral(":/corvid/bitmaps/%1.png").arg(bitmapId);
    }
    if (ratio == 2.0) {
        return QStringLiteral(":/corvid/bitmaps/%1@2x.png").arg(bitmapId);
    }
    return {};
}

}  // namespace

qreal QtImages::ScreenRatio() {
    return qGuiApp != nullptr ? qGuiApp->devicePixelRatio() : 1.0;
}

QPixmap QtImages::Icon(int iconId, int pixels) {
    const qreal ratio = ScreenRatio();
    const auto key = std::make_tuple(iconId, pixels, ratio);
    if (auto found = icons.find(key); found != icons.end()) {
        return found->second;
    }
    QPixmap icon =
        Render(QStringLiteral(":/corvid/icons/%1.svg").arg(iconId), QSize(pixels, pixels), ratio);
    icons.emplace(key, icon);
    return icon;
}

QIcon QtImages::IconSet(int iconId) {
    QIcon set;
    for (int pixels : {SMALL_ICON_PIXELS, BIG_ICON_PIXELS}) {
        QPixmap icon = Icon(iconId, pixels);
        if (!icon.isNull()) {
            set.addPixmap(icon);
        }
    }
    return set;
}

QPixmap QtImages::Bitmap(int bitmapId) {
    const qreal ratio = ScreenRatio();
    const auto key = std::make_pair(bitmapId, ratio);
    if (auto found = bitmaps.find(key); found != bitmaps.end()) {
        return found->second;
    }
    QPixmap bitmap;
    const QString prerendered = PrerenderedPath(bitmapId, ratio);
    if (!prerendered.isEmpty() && QFile::exists(prerendered) && bitmap.load(prerendered)) {
        bitmap.setDevicePixelRatio(ratio);
    } else {
        // A density the build has no picture for: drawn from the SVG now.
        bitmap = Render(QStringLiteral(":/corvid/bitmaps/%1.svg").arg(bitmapId), QSize(), ratio);
    }
    bitmaps.emplace(key, bitmap);
    return bitmap;
}

}  // namespace corvid::window::qt
