#include "platform/qt/QtImages.h"

#include <QGuiApplication>
#include <QImage>
#include <QImageReader>
#include <QResource>
#include <cmath>
#include <iterator>
#include <utility>

#include "platform/qt/RawPicture.h"

namespace corvid::window::qt {

namespace {

// The densities the build draws every picture at.
constexpr qreal BUILT_RATIOS[] = {1.0, 2.0};

QString DensitySuffix(qreal ratio) {
    return ratio == 1.0 ? QString() : QStringLiteral("@2x");
}

// Read as PNG and nothing else: left to guess the format, Qt loads every
// image format plugin it has to ask each whether it knows the file.
QPixmap ReadPng(const QString& path) {
    QImageReader reader(path, "png");
    reader.setAutoDetectImageFormat(false);
    QImage picture = reader.read();
    return picture.isNull() ? QPixmap() : QPixmap::fromImage(std::move(picture));
}

// A bitmap shown at every start comes at 1x as bare pixels, "<id>.argb";
// the others as "<id>.png", and all as "<id>@2x.png".
QPixmap LoadBitmap(int bitmapId, qreal ratio) {
    if (ratio == 1.0) {
        const QResource raw(QStringLiteral(":/corvid/bitmaps/%1.argb").arg(bitmapId));
        if (raw.isValid() && raw.compressionAlgorithm() == QResource::NoCompression) {
            QImage picture = DecodeRawPicture(raw.data(), raw.size());
            if (!picture.isNull()) {
                return QPixmap::fromImage(std::move(picture));
            }
        }
    }
    return ReadPng(
        QStringLiteral(":/corvid/bitmaps/%1%2.png").arg(bitmapId).arg(DensitySuffix(ratio)));
}

QPixmap LoadIcon(int iconId, int pixels, qreal ratio) {
    return ReadPng(QStringLiteral(":/corvid/icons/%1-%2%3.png")
                       .arg(iconId)
                       .arg(pixels)
                       .arg(DensitySuffix(ratio)));
}

// The picture drawn at `ratio` device pixels per logical pixel: as the build
// drew it at 1x or 2x, or else the 2x drawing scaled to that density.
template <typename Load>
QPixmap AtDensity(qreal ratio, Load load) {
    for (const qreal built : BUILT_RATIOS) {
        if (ratio == built) {
            QPixmap picture = load(built);
            picture.setDevicePixelRatio(ratio);
            return picture;
        }
    }
    const QPixmap sharpest = load(BUILT_RATIOS[std::size(BUILT_RATIOS) - 1]);
    if (sharpest.isNull()) {
        return {};
    }
    const qreal scale = ratio / BUILT_RATIOS[std::size(BUILT_RATIOS) - 1];
    QPixmap scaled = sharpest.scaled(static_cast<int>(std::ceil(sharpest.width() * scale)),
                                     static_cast<int>(std::ceil(sharpest.height() * scale)),
                                     Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    scaled.setDevicePixelRatio(ratio);
    return scaled;
}

}  // namespace

qreal QtImages::ScreenRatio() {
    return qGuiApp != nullptr ? qGuiApp->devicePixelRatio() : 1.0;
}

QPixmap QtImages::Icon(int iconId, int pixels) {
    return Icon(iconId, pixels, ScreenRatio());
}

QPixmap QtImages::Icon(int iconId, int pixels, qreal ratio) {
    const auto key = std::make_tuple(iconId, pixels, ratio);
    if (auto found = icons.find(key); found != icons.end()) {
        return found->second;
    }
    QPixmap icon =
        AtDensity(ratio, [iconId, pixels](qreal built) { return LoadIcon(iconId, pixels, built); });
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
    return Bitmap(bitmapId, ScreenRatio());
}

QPixmap QtImages::Bitmap(int bitmapId, qreal ratio) {
    const auto key = std::make_pair(bitmapId, ratio);
    if (auto found = bitmaps.find(key); found != bitmaps.end()) {
        return found->second;
    }
    QPixmap bitmap =
        AtDensity(ratio, [bitmapId](qreal built) { return LoadBitmap(bitmapId, built); });
    bitmaps.emplace(key, bitmap);
    return bitmap;
}

}  // namespace corvid::window::qt
