#include "platform/qt/QtImages.h"

#include <QImage>
#include <QPainter>
#include <QSvgRenderer>

namespace corvid::window::qt {

namespace {

QPixmap Render(const QString& path, QSize size) {
    QSvgRenderer renderer(path);
    if (!renderer.isValid()) {
        return {};
    }
    if (size.isEmpty()) {
        size = renderer.defaultSize();
    }
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    renderer.render(&painter);
    painter.end();
    return QPixmap::fromImage(image);
}

}  // namespace

QPixmap QtImages::Icon(int iconId, int pixels) {
    const auto key = std::make_pair(iconId, pixels);
    if (auto found = icons.find(key); found != icons.end()) {
        return found->second;
    }
    QPixmap icon =
        Render(QStringLiteral(":/corvid/icons/%1.svg").arg(iconId), QSize(pixels, pixels));
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
    if (auto found = bitmaps.find(bitmapId); found != bitmaps.end()) {
        return found->second;
    }
    QPixmap bitmap = Render(QStringLiteral(":/corvid/bitmaps/%1.svg").arg(bitmapId), QSize());
    bitmaps.emplace(bitmapId, bitmap);
    return bitmap;
}

}  // namespace corvid::window::qt
