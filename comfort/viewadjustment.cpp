#include "viewadjustment.h"

#include <QImage>

#include <algorithm>
#include <cmath>

namespace {
const double midGrey = 127.5;

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
    if (image.format() != QImage::Format_RGB32 && image.format() != QImage::Format_ARGB32)
        image.convertTo(QImage::Format_RGB32);
    const std::array<unsigned char, 256> table = adjustmentTable(adjustment);
    for (int y = 0; y < image.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            const QRgb pixel = line[x];
            line[x] =
                qRgba(table[qRed(pixel)], table[qGreen(pixel)], table[qBlue(pixel)], qAlpha(pixel));
        }
    }
}

QString adjustmentText(const ViewAdjustment& adjustment)
{
    return QStringLiteral("Brightness ") + signedPercent(adjustment.brightness) +
           QStringLiteral(", contrast ") + signedPercent(adjustment.contrast);
}
