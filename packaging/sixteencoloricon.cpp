#include "sixteencoloricon.h"

#include <QDataStream>
#include <QHash>
#include <QIODevice>
#include <QVector>

#include <algorithm>
#include <utility>

namespace {

constexpr int paletteSize = 16;
constexpr int bitsPerPixel = 4;
constexpr int opaqueAlpha = 128;
constexpr quint16 iconResourceType = 1;
constexpr quint32 iconDirectorySize = 6;
constexpr quint32 directoryEntrySize = 16;
constexpr quint32 bitmapHeaderSize = 40;
constexpr quint32 paletteBytes = paletteSize * 4;

bool isOpaque(QRgb pixel)
{
    return qAlpha(pixel) >= opaqueAlpha;
}

// Bitmap rows are padded to whole 32-bit words.
int rowBytes(int width, int bits)
{
    return (width * bits + 31) / 32 * 4;
}

quint32 bitmapBytes(const QImage& image)
{
    const int pixels = rowBytes(image.width(), bitsPerPixel) * image.height();
    const int mask = rowBytes(image.width(), 1) * image.height();
    return bitmapHeaderSize + paletteBytes + pixels + mask;
}

QVector<QRgb> sharedPalette(const std::vector<QImage>& images)
{
    QHash<QRgb, int> counts;
    for (const QImage& image : images)
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x) {
                const QRgb pixel = image.pixel(x, y);
                if (isOpaque(pixel))
                    ++counts[pixel | 0xff000000u];
            }
    std::vector<std::pair<int, QRgb>> byCount;
    for (auto it = counts.cbegin(); it != counts.cend(); ++it)
        byCount.emplace_back(-it.value(), it.key());
    std::sort(byCount.begin(), byCount.end());

    QVector<QRgb> palette{qRgb(0, 0, 0)};
    for (const auto& entry : byCount) {
        if (palette.size() == paletteSize)
            break;
        if (!palette.contains(entry.second))
            palette.append(entry.second);
    }
    palette.resize(paletteSize, qRgb(0, 0, 0));
    return palette;
}

int squaredDistance(QRgb a, QRgb b)
{
    const int red = qRed(a) - qRed(b);
    const int green = qGreen(a) - qGreen(b);
    const int blue = qBlue(a) - qBlue(b);
    return red * red + green * green + blue * blue;
}

quint8 nearestIndex(const QVector<QRgb>& palette, QRgb pixel)
{
    if (!isOpaque(pixel))
        return 0;
    const auto nearest =
        std::min_element(palette.cbegin(), palette.cend(), [pixel](QRgb a, QRgb b) {
            return squaredDistance(a, pixel) < squaredDistance(b, pixel);
        });
    return quint8(nearest - palette.cbegin());
}

void writeDirectoryEntry(QDataStream& out, const QImage& image, quint32 offset)
{
    // A stored width or height of 0 means 256.
    out << quint8(image.width() % 256) << quint8(image.height() % 256) << quint8(paletteSize)
        << quint8(0) << quint16(1) << quint16(bitsPerPixel) << bitmapBytes(image) << offset;
}

void writeBitmapHeader(QDataStream& out, const QImage& image)
{
    // The height counts the colour bitmap and the mask together.
    out << bitmapHeaderSize << qint32(image.width()) << qint32(image.height() * 2) << quint16(1)
        << quint16(bitsPerPixel) << quint32(0)
        << (bitmapBytes(image) - bitmapHeaderSize - paletteBytes) << qint32(0) << qint32(0)
        << quint32(paletteSize) << quint32(0);
}

void writePalette(QDataStream& out, const QVector<QRgb>& palette)
{
    for (QRgb color : palette)
        out << quint8(qBlue(color)) << quint8(qGreen(color)) << quint8(qRed(color)) << quint8(0);
}

// Both bitmaps are stored bottom row first.
void writePixels(QDataStream& out, const QImage& image, const QVector<QRgb>& palette)
{
    const int padded = rowBytes(image.width(), bitsPerPixel);
    for (int y = image.height() - 1; y >= 0; --y) {
        QByteArray row(padded, '\0');
        for (int x = 0; x < image.width(); ++x) {
            const int shift = x % 2 == 0 ? 4 : 0;
            row[x / 2] = char(row[x / 2] | nearestIndex(palette, image.pixel(x, y)) << shift);
        }
        out.writeRawData(row.constData(), row.size());
    }
}

void writeTransparencyMask(QDataStream& out, const QImage& image)
{
    const int padded = rowBytes(image.width(), 1);
    for (int y = image.height() - 1; y >= 0; --y) {
        QByteArray row(padded, '\0');
        for (int x = 0; x < image.width(); ++x)
            if (!isOpaque(image.pixel(x, y)))
                row[x / 8] = char(row[x / 8] | 0x80 >> (x % 8));
        out.writeRawData(row.constData(), row.size());
    }
}

} // namespace

QByteArray encodeSixteenColorIcon(const std::vector<QImage>& images)
{
    std::vector<QImage> argbImages;
    for (const QImage& image : images)
        argbImages.push_back(image.convertToFormat(QImage::Format_ARGB32));
    const QVector<QRgb> palette = sharedPalette(argbImages);

    QByteArray bytes;
    QDataStream out(&bytes, QIODevice::WriteOnly);
    out.setByteOrder(QDataStream::LittleEndian);
    out << quint16(0) << iconResourceType << quint16(argbImages.size());
    quint32 offset = iconDirectorySize + directoryEntrySize * quint32(argbImages.size());
    for (const QImage& image : argbImages) {
        writeDirectoryEntry(out, image, offset);
        offset += bitmapBytes(image);
    }
    for (const QImage& image : argbImages) {
        writeBitmapHeader(out, image);
        writePalette(out, palette);
        writePixels(out, image, palette);
        writeTransparencyMask(out, image);
    }
    return bytes;
}
