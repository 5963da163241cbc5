#include "viewadjustment.h"

#include <QImage>
#include <QRect>

#include <algorithm>
#include <cmath>

namespace {
const double midGrey = 127.5;

bool isThirtyTwoBit(const QImage& image)
{
    return image.format() == QImage::Format_RGB32 || image.format() == QImage::Format_ARGB32;
}

QString signedPercent(int percent)
{
    return (percent > 0 ? QStringLiteral("+") : QString()) + QString::number(percent) +
           QStringLiteral(" %");
}

} // namespace

ViewAdjustment ViewAdjustment::withBrightness(int percent) const
{
    ViewAdjustment changed = *this;
    changed.brightness = std::clamp(percent, lowest, highest);
    return changed;
}

ViewAdjustment ViewAdjustment::withContrast(int percent) const
{
    ViewAdjustment changed = *this;
    changed.contrast = std::clamp(percent, lowest, highest);
    return changed;
}

bool ViewAdjustment::operator==(const ViewAdjustment& other) const
{
    return brightness == other.brightness && contrast == other.contrast;
}

std::array<unsigned char, 256> adjustmentTable(const ViewAdjustment& adjustment)
{
    const double gain = 1.0 + adjustment.brightness / 100.0;
    const double stretch = 1.0 + adjustment.contrast / 100.0;
    std::array<unsigned char, 256> table{};
    for (int value = 0; value < 256; ++value) {
        const double adjusted = (value * gain - midGrey) * stretch + midGrey;
        table[std::size_t(value)] =
            static_cast<unsigned char>(std::clamp(std::lround(adjusted), 0L, 255L));
    }
    return table;
}

void applyAdjustment(QImage& image, const ViewAdjustment& adjustment)
{
    if (adjustment.isNeutral() || image.isNull())
        return;
    image = adjustedCopy(image, image.rect(), adjustment);
}

QImage adjustedCopy(const QImage& image, const QRect& area, const ViewAdjustment& adjustment)
{
    const QRect inside = area & image.rect();
    if (!isThirtyTwoBit(image))
        return adjustedCopy(image.copy(inside).convertToFormat(QImage::Format_RGB32),
                            QRect(QPoint(0, 0), inside.size()), adjustment);
    QImage adjusted(inside.size(), image.format());
    const std::array<unsigned char, 256> table = adjustmentTable(adjustment);
    for (int y = 0; y < inside.height(); ++y) {
        const auto* from =
            reinterpret_cast<const QRgb*>(image.constScanLine(inside.y() + y)) + inside.x();
        auto* to = reinterpret_cast<QRgb*>(adjusted.scanLine(y));
        for (int x = 0; x < inside.width(); ++x)
            to[x] = qRgba(table[qRed(from[x])], table[qGreen(from[x])], table[qBlue(from[x])],
                          qAlpha(from[x]));
    }
    return adjusted;
}

QString adjustmentText(const ViewAdjustment& adjustment)
{
    return QStringLiteral("Brightness ") + signedPercent(adjustment.brightness) +
           QStringLiteral(", contrast ") + signedPercent(adjustment.contrast);
}
