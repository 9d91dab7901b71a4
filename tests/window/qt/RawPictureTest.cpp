#include "platform/qt/RawPicture.h"

#include <gtest/gtest.h>

#include <QColor>
#include <QResource>

namespace corvid::window::qt {
namespace {

QImage Gradient(int width, int height) {
    QImage picture(width, height, QImage::Format_ARGB32_Premultiplied);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            picture.setPixelColor(x, y, QColor(x * 40 % 256, y * 30 % 256, (x + y) % 256, 255 - x));
        }
    }
    return picture;
}

QImage Decode(const QByteArray& bytes) {
    return DecodeRawPicture(reinterpret_cast<const uchar*>(bytes.constData()), bytes.size());
}

TEST(RawPicture, GivesBackEveryPixelOfWhatWasWritten) {
    // An odd width: rows are stored without padding.
    const QImage written = Gradient(7, 5);
    const QByteArray bytes = EncodeRawPicture(written);
    EXPECT_EQ(bytes.size(), RAW_PICTURE_HEADER_BYTES + 7 * 5 * RAW_PICTURE_PIXEL_BYTES);
    const QImage read = Decode(bytes);
    ASSERT_FALSE(read.isNull());
    EXPECT_EQ(read.format(), QImage::Format_ARGB32_Premultiplied);
    EXPECT_EQ(read, written);
    // Aligned bytes are shown as they are, not copied.
    EXPECT_EQ(read.constBits(),
              reinterpret_cast<const uchar*>(bytes.constData()) + RAW_PICTURE_HEADER_BYTES);
}

TEST(RawPicture, ReadsPixelsThatAreNotAlignedInMemory) {
    const QImage written = Gradient(3, 2);
    const QByteArray shifted = QByteArray(1, 'x') + EncodeRawPicture(written);
    const QImage read = DecodeRawPicture(reinterpret_cast<const uchar*>(shifted.constData()) + 1,
                                         shifted.size() - 1);
    EXPECT_EQ(read, written);
}

TEST(RawPicture, RefusesBytesThatAreNoWholePicture) {
    const QByteArray good = EncodeRawPicture(Gradient(4, 3));
    QByteArray wrongMagic = good;
    wrongMagic[0] = 'X';
    QByteArray tooWide = good;
    tooWide[8] = '\xff';
    tooWide[9] = '\xff';
    QByteArray noWidth = good;
    noWidth[8] = 0;
    const struct {
        const char* name;
        QByteArray bytes;
    } cases[] = {
        {"empty", QByteArray()},
        {"header cut short", good.left(RAW_PICTURE_HEADER_BYTES - 1)},
        {"last pixel missing", good.chopped(RAW_PICTURE_PIXEL_BYTES)},
        {"a byte too many", good + QByteArray(1, '\0')},
        {"another format", wrongMagic},
        {"a side past the limit", tooWide},
        {"no width", noWidth},
    };
    for (const auto& bad : cases) {
        SCOPED_TRACE(bad.name);
        EXPECT_TRUE(Decode(bad.bytes).isNull());
    }
    EXPECT_TRUE(DecodeRawPicture(nullptr, 100).isNull());
}

TEST(RawPicture, TheBackgroundIsCompiledInUncompressedAtHalfTheSizeOfItsDoubleDensityDrawing) {
    const QResource raw(QStringLiteral(":/corvid/bitmaps/151.argb"));
    ASSERT_TRUE(raw.isValid());
    EXPECT_EQ(raw.compressionAlgorithm(), QResource::NoCompression);
    const QImage background = DecodeRawPicture(raw.data(), raw.size());
    const QImage drawn(QStringLiteral(":/corvid/bitmaps/151@2x.png"));
    ASSERT_FALSE(background.isNull());
    ASSERT_FALSE(drawn.isNull());
    // Shown from where it is compiled in, with no copy on the heap.
    EXPECT_EQ(background.constBits(), raw.data() + RAW_PICTURE_HEADER_BYTES);
    EXPECT_EQ(background.size() * 2, drawn.size());
}

}  // namespace
}  // namespace corvid::window::qt
