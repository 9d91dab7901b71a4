#include "platform/qt/QtImages.h"

#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QResource>
#include <QSvgRenderer>
#include <cmath>
#include <string_view>
#include <utility>

#include "platform/qt/RawPicture.h"

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
// "<id>@2x.png"; a bitmap shown at every start comes at 1x as bare pixels,
// "<id>.argb", instead.
QString PrerenderedPath(int bitmapId, qreal ratio, std::string_view kind) {
    if (ratio == 1.0) {
        return QStringLiteral(":/corvid/bitmaps/%1.%2")
            .arg(bitmapId)
            .arg(QLatin1String(kind.data(), static_cast<qsizetype>(kind.size())));
    }
    if (ratio == 2.0 && kind == "png") {
        return QStringLiteral(":/corvid/bitmaps/%1@2x.png").arg(bitmapId);
    }
    return {};
}

QPixmap LoadPrerendered(int bitmapId, qreal ratio) {
    const QResource raw(PrerenderedPath(bitmapId, ratio, "argb"));
    if (raw.isValid() && raw.compressionAlgorithm() == QResource::NoCompression) {
        QImage picture = DecodeRawPicture(raw.data(), raw.size());
        if (!picture.isNull()) {
            return QPixmap::fromImage(std::move(picture));
        }
    }
    QPixmap bitmap;
    const QString png = PrerenderedPath(bitmapId, ratio, "png");
    if (png.isEmpty() || !QFile::exists(png) || !bitmap.load(png)) {
        return {};
    }
    return bitmap;
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
    QPixmap bitmap = LoadPrerendered(bitmapId, ratio);
    if (!bitmap.isNull()) {
        bitmap.setDevicePixelRatio(ratio);
    } else {
        // A density the build has no picture for: drawn from the SVG now.
        bitmap = Render(QStringLiteral(":/corvid/bitmaps/%1.svg").arg(bitmapId), QSize(), ratio);
    }
    bitmaps.emplace(key, bitmap);
    return bitmap;
}

}  // namespace corvid::window::qt
