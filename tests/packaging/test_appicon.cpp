#include "appicondrawing.h"
#include "sixteencoloricon.h"

#include <QtTest>

#include <vector>

namespace {

// Where things lie in a file of one 1-pixel image: 6 bytes of directory, one 16-byte entry,
// the 40-byte bitmap header, 16 palette entries, one padded pixel row and one mask row.
constexpr int onePixelPalette = 6 + 16 + 40;
constexpr int onePixelIndexByte = onePixelPalette + 64;
constexpr int onePixelMaskByte = onePixelIndexByte + 4;

quint32 littleEndian(const QByteArray& bytes, int offset, int size)
{
    quint32 value = 0;
    for (int i = size - 1; i >= 0; --i)
        value = value << 8 | quint8(bytes.at(offset + i));
    return value;
}

QImage transparentImage(int width, int height)
{
    QImage image(width, height, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    return image;
}

} // namespace

class TestAppIcon : public QObject
{
    Q_OBJECT

private slots:
    void directoryDescribesEveryImage_data()
    {
        QTest::addColumn<QList<int>>("sizes");
        QTest::addColumn<QList<int>>("storedSizes");
        QTest::addColumn<QList<int>>("bitmapBytes");

        // 40 header + 64 palette + 4-bit rows and 1-bit mask rows, each padded to 4 bytes.
        QTest::newRow("windows sizes")
            << QList<int>{48, 32, 16} << QList<int>{48, 32, 16} << QList<int>{1640, 744, 296};
        QTest::newRow("rows padded") << QList<int>{5} << QList<int>{5} << QList<int>{144};
        QTest::newRow("256 stored as 0") << QList<int>{256} << QList<int>{0} << QList<int>{41064};
    }

    void directoryDescribesEveryImage()
    {
        QFETCH(QList<int>, sizes);
        QFETCH(QList<int>, storedSizes);
        QFETCH(QList<int>, bitmapBytes);
        std::vector<QImage> images;
        for (int size : sizes)
            images.push_back(transparentImage(size, size));

        const QByteArray bytes = encodeSixteenColorIcon(images);

        QCOMPARE(bytes.left(6), QByteArray("\0\0\1\0", 4) + char(sizes.size()) + '\0');
        int offset = 6 + 16 * sizes.size();
        for (int i = 0; i < sizes.size(); ++i) {
            const QByteArray entry = bytes.mid(6 + 16 * i, 16);
            QCOMPARE(quint8(entry.at(0)), quint8(storedSizes[i]));
            QCOMPARE(quint8(entry.at(1)), quint8(storedSizes[i]));
            QCOMPARE(entry.mid(2, 6), QByteArray("\x10\0\1\0\4\0", 6));
            QCOMPARE(littleEndian(entry, 8, 4), quint32(bitmapBytes[i]));
            QCOMPARE(littleEndian(entry, 12, 4), quint32(offset));

            QCOMPARE(littleEndian(bytes, offset, 4), 40u);
            QCOMPARE(littleEndian(bytes, offset + 4, 4), quint32(sizes[i]));
            QCOMPARE(littleEndian(bytes, offset + 8, 4), quint32(2 * sizes[i]));
            QCOMPARE(littleEndian(bytes, offset + 14, 2), 4u);
            offset += bitmapBytes[i];
        }
        QCOMPARE(bytes.size(), offset);
    }

    void onePixelTakesItsIndexAndMaskBit_data()
    {
        QTest::addColumn<QColor>("pixel");
        QTest::addColumn<QByteArray>("paletteEntry1");
        QTest::addColumn<int>("index");
        QTest::addColumn<bool>("transparent");

        QTest::newRow("opaque red")
            << QColor(255, 0, 0) << QByteArray("\0\0\xff\0", 4) << 1 << false;
        QTest::newRow("half alpha is opaque")
            << QColor(0, 0, 255, 128) << QByteArray("\xff\0\0\0", 4) << 1 << false;
        QTest::newRow("below half is transparent")
            << QColor(0, 0, 255, 127) << QByteArray(4, '\0') << 0 << true;
        QTest::newRow("opaque black is entry 0")
            << QColor(0, 0, 0) << QByteArray(4, '\0') << 0 << false;
    }

    void onePixelTakesItsIndexAndMaskBit()
    {
        QFETCH(QColor, pixel);
        QFETCH(QByteArray, paletteEntry1);
        QFETCH(int, index);
        QFETCH(bool, transparent);
        QImage image = transparentImage(1, 1);
        image.setPixelColor(0, 0, pixel);

        const QByteArray bytes = encodeSixteenColorIcon({image});

        QCOMPARE(bytes.mid(onePixelPalette, 4), QByteArray(4, '\0'));
        QCOMPARE(bytes.mid(onePixelPalette + 4, 4), paletteEntry1);
        QCOMPARE(quint8(bytes.at(onePixelIndexByte)), quint8(index << 4));
        QCOMPARE(quint8(bytes.at(onePixelMaskByte)), quint8(transparent ? 0x80 : 0x00));
    }

    void rowsAreStoredBottomFirstWithTheLeftPixelInTheHighBits()
    {
        QImage image = transparentImage(16, 16);
        const QRgb red = qRgb(255, 0, 0);
        const QRgb blue = qRgb(0, 0, 255);
        image.setPixel(0, 0, red);
        image.setPixel(1, 0, blue);
        image.setPixel(15, 15, red);

        const QByteArray bytes = encodeSixteenColorIcon({image});

        // Red is more frequent than blue, so it takes entry 1 and blue entry 2.
        const int pixels = 6 + 16 + 40 + 64;
        const int rowBytes = 8;
        const int mask = pixels + 16 * rowBytes;
        const int maskRowBytes = 4;
        QCOMPARE(bytes.mid(pixels, rowBytes), QByteArray("\0\0\0\0\0\0\0\x01", rowBytes));
        QCOMPARE(bytes.mid(pixels + 15 * rowBytes, rowBytes),
                 QByteArray("\x12\0\0\0\0\0\0\0", rowBytes));
        QCOMPARE(bytes.mid(mask, maskRowBytes), QByteArray("\xff\xfe\0\0", maskRowBytes));
        QCOMPARE(bytes.mid(mask + 15 * maskRowBytes, maskRowBytes),
                 QByteArray("\x3f\xff\0\0", maskRowBytes));
    }

    void rareColoursTakeTheNearestFrequentOne()
    {
        // Fifteen shades of red, four pixels each, fill the palette; a sixteenth shade that
        // occurs once must borrow the entry of its nearest neighbour.
        const int shades = 15;
        QImage image = transparentImage(4 * shades + 1, 1);
        for (int x = 0; x < 4 * shades; ++x)
            image.setPixel(x, 0, qRgb(16 * (x / 4) + 10, 0, 0));
        image.setPixel(4 * shades, 0, qRgb(16 * 3 + 13, 0, 0));

        const QByteArray bytes = encodeSixteenColorIcon({image});

        const int palette = 6 + 16 + 40;
        for (int shade = 0; shade < shades; ++shade)
            QCOMPARE(quint8(bytes.at(palette + 4 * (shade + 1) + 2)), quint8(16 * shade + 10));
        const int lastPixelByte = palette + 64 + (4 * shades) / 2;
        QCOMPARE(quint8(bytes.at(lastPixelByte)) >> 4, 1 + 3);
    }

    void iconFillsItsSquareButNotTheCorners_data()
    {
        QTest::addColumn<int>("size");
        for (int size : {16, 32, 48, 256})
            QTest::addRow("%d px", size) << size;
    }

    void iconFillsItsSquareButNotTheCorners()
    {
        QFETCH(int, size);
        const QImage icon = drawAppIcon(size);
        QCOMPARE(icon.size(), QSize(size, size));
        QCOMPARE(qAlpha(icon.pixel(0, 0)), 0);
        QCOMPARE(qAlpha(icon.pixel(size - 1, 0)), 0);
        QCOMPARE(qAlpha(icon.pixel(size / 2, size / 2)), 255);
    }
};

QTEST_APPLESS_MAIN(TestAppIcon)
#include "test_appicon.moc"
