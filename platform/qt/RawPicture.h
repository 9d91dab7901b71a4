#pragma once

#include <QByteArray>
#include <QImage>
#include <QtEndian>
#include <cstdint>
#include <cstring>
#include <string_view>

namespace corvid::window::qt {

// A picture as the build writes it for the program to show without decoding
// it at every start: "CORVIDPX", the width and the height as little-endian
// 32-bit numbers, then the rows of premultiplied ARGB32 pixels as 32-bit
// numbers in the byte order of the machine that built it, with no padding.
// Build and program run on the same kind of machine.
inline constexpr std::string_view RAW_PICTURE_MAGIC = "CORVIDPX";
inline constexpr qsizetype RAW_PICTURE_HEADER_BYTES = 16;
inline constexpr quint32 RAW_PICTURE_MAX_SIDE = 16'384;
inline constexpr qsizetype RAW_PICTURE_PIXEL_BYTES = 4;

inline QByteArray EncodeRawPicture(const QImage& picture) {
    const QImage pixels = picture.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    QByteArray encoded(RAW_PICTURE_MAGIC.data(), static_cast<qsizetype>(RAW_PICTURE_MAGIC.size()));
    char side[4];
    qToLittleEndian(static_cast<quint32>(pixels.width()), side);
    encoded.append(side, sizeof side);
    qToLittleEndian(static_cast<quint32>(pixels.height()), side);
    encoded.append(side, sizeof side);
    const qsizetype rowBytes = pixels.width() * RAW_PICTURE_PIXEL_BYTES;
    for (int row = 0; row < pixels.height(); ++row) {
        encoded.append(reinterpret_cast<const char*>(pixels.constScanLine(row)), rowBytes);
    }
    return encoded;
}

// A null image when the bytes are not a whole picture of this form. The
// image shows the bytes themselves, which must then outlive it (as data
// compiled in does), when they lie where 32-bit pixels may; else a copy.
inline QImage DecodeRawPicture(const uchar* data, qsizetype size) {
    if (data == nullptr || size < RAW_PICTURE_HEADER_BYTES ||
        std::memcmp(data, RAW_PICTURE_MAGIC.data(), RAW_PICTURE_MAGIC.size()) != 0) {
        return {};
    }
    const quint32 width = qFromLittleEndian<quint32>(data + RAW_PICTURE_MAGIC.size());
    const quint32 height = qFromLittleEndian<quint32>(data + RAW_PICTURE_MAGIC.size() + 4);
    if (width == 0 || height == 0 || width > RAW_PICTURE_MAX_SIDE ||
        height > RAW_PICTURE_MAX_SIDE) {
        return {};
    }
    const qsizetype rowBytes = static_cast<qsizetype>(width) * RAW_PICTURE_PIXEL_BYTES;
    if (size != RAW_PICTURE_HEADER_BYTES + rowBytes * static_cast<qsizetype>(height)) {
        return {};
    }
    const uchar* pixels = data + RAW_PICTURE_HEADER_BYTES;
    if (reinterpret_cast<std::uintptr_t>(pixels) % alignof(quint32) == 0) {
        return QImage(pixels, static_cast<int>(width), static_cast<int>(height), rowBytes,
                      QImage::Format_ARGB32_Premultiplied);
    }
    QImage picture(static_cast<int>(width), static_cast<int>(height),
                   QImage::Format_ARGB32_Premultiplied);
    const uchar* row = pixels;
    for (int line = 0; line < picture.height(); ++line, row += rowBytes) {
        std::memcpy(picture.scanLine(line), row, static_cast<std::size_t>(rowBytes));
    }
    return picture;
}

}  // namespace corvid::window::qt
