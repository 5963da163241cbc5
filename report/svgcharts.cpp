#include "svgcharts.h"

#include "htmltext.h"

#include <QStringList>

#include <algorithm>

namespace {

const int chartWidth = 720;
const int labelWidth = 230;
const int valueWidth = 70;
const int rowHeight = 18;
const int captionLength = 36;
const int seriesColours = 8;

QString svgOpen(int height, const QString& label)
{
    return QStringLiteral("<svg class=\"chart\" viewBox=\"0 0 %1 %2\" role=\"img\" "
                          "aria-label=\"%3\">")
        .arg(chartWidth)
        .arg(height)
        .arg(htmlText(label));
}

// A caption that may be cut shows its whole text on hover.
QString svgLabel(double x, double y, const QString& text, const QString& anchor)
{
    return QStringLiteral("<text x=\"%1\" y=\"%2\" text-anchor=\"%3\">%4<title>%5</title></text>")
        .arg(x)
        .arg(y)
        .arg(anchor, shortHtmlText(text, captionLength), htmlText(text));
}

long long largest(const std::vector<ChartBar>& bars)
{
    long long most = 0;
    for (const ChartBar& bar : bars)
        most = std::max(most, bar.value);
    return most;
}

} // namespace

QString horizontalBars(const std::vector<ChartBar>& bars)
{
    const int height = rowHeight * static_cast<int>(bars.size()) + 4;
    const double scale =
        double(chartWidth - labelWidth - valueWidth) / double(std::max(1LL, largest(bars)));
    QString svg = svgOpen(height, QStringLiteral("bar chart"));
    int y = 2;
    for (const ChartBar& bar : bars) {
        const double length = std::max(bar.value > 0 ? 1.0 : 0.0, double(bar.value) * scale);
        svg += svgLabel(labelWidth - 6, y + 13, bar.label, QStringLiteral("end"));
        svg += QStringLiteral("<rect class=\"bar\" x=\"%1\" y=\"%2\" width=\"%3\" height=\"%4\"/>")
                   .arg(labelWidth)
                   .arg(y + 3)
                   .arg(length, 0, 'f', 1)
                   .arg(rowHeight - 6);
        svg += QStringLiteral("<text class=\"value\" x=\"%1\" y=\"%2\">%3</text>")
                   .arg(labelWidth + length + 4, 0, 'f', 1)
                   .arg(y + 13)
                   .arg(countText(bar.value));
        y += rowHeight;
    }
    return svg + QStringLiteral("</svg>");
}

QString columnHistogram(const std::vector<ChartBar>& bins)
{
    const int plotHeight = 140;
    const int height = plotHeight + 40;
    const double slot = double(chartWidth - 20) / double(std::max<std::size_t>(1, bins.size()));
    const double scale = double(plotHeight - 16) / double(std::max(1LL, largest(bins)));
    QString svg = svgOpen(height, QStringLiteral("histogram"));
    double x = 10;
    for (const ChartBar& bin : bins) {
        const double barHeight = double(bin.value) * scale;
        svg += QStringLiteral("<rect class=\"bar\" x=\"%1\" y=\"%2\" width=\"%3\" height=\"%4\"/>")
                   .arg(x + 2, 0, 'f', 1)
                   .arg(plotHeight - barHeight, 0, 'f', 1)
                   .arg(std::max(1.0, slot - 4), 0, 'f', 1)
                   .arg(barHeight, 0, 'f', 1);
        svg += QStringLiteral("<text class=\"value\" x=\"%1\" y=\"%2\" text-anchor=\"middle\">%3"
                              "</text>")
                   .arg(x + slot / 2, 0, 'f', 1)
                   .arg(plotHeight - barHeight - 3, 0, 'f', 1)
                   .arg(countText(bin.value));
        svg += svgLabel(x + slot / 2, plotHeight + 16, bin.label, QStringLiteral("middle"));
        x += slot;
    }
    svg += QStringLiteral("<line class=\"axis\" x1=\"10\" y1=\"%1\" x2=\"%2\" y2=\"%1\"/>")
               .arg(plotHeight)
               .arg(chartWidth - 10);
    return svg + QStringLiteral("</svg>");
}

QString lineChart(const std::vector<ChartSeries>& series, const QString& firstX,
                  const QString& lastX, const QString& yUnit)
{
    const int plotLeft = 50;
    const int plotTop = 10;
    const int plotHeight = 160;
    const int legendTop = plotTop + plotHeight + 34;
    const int height = legendTop + rowHeight * static_cast<int>(series.size()) + 4;
    std::size_t points = 1;
    double most = 1;
    for (const ChartSeries& line : series) {
        points = std::max(points, line.values.size());
        for (const double value : line.values)
            most = std::max(most, value);
    }
    const double stepX =
        double(chartWidth - plotLeft - 10) / double(std::max<std::size_t>(1, points - 1));
    const double scaleY = double(plotHeight) / most;
    QString svg = svgOpen(height, QStringLiteral("line chart"));
    svg += QStringLiteral("<line class=\"axis\" x1=\"%1\" y1=\"%2\" x2=\"%3\" y2=\"%2\"/>")
               .arg(plotLeft)
               .arg(plotTop + plotHeight)
               .arg(chartWidth - 10);
    svg += QStringLiteral("<text class=\"value\" x=\"%1\" y=\"%2\" text-anchor=\"end\">%3</text>")
               .arg(plotLeft - 4)
               .arg(plotTop + 10)
               .arg(QString::number(most, 'f', most < 10 ? 1 : 0));
    svg += QStringLiteral("<text class=\"value\" x=\"%1\" y=\"%2\" text-anchor=\"end\">0</text>")
               .arg(plotLeft - 4)
               .arg(plotTop + plotHeight);
    svg += QStringLiteral("<text class=\"value\" x=\"%1\" y=\"%2\">%3</text>")
               .arg(plotLeft + 4)
               .arg(plotTop + 10)
               .arg(htmlText(yUnit));
    svg += svgLabel(plotLeft, plotTop + plotHeight + 16, firstX, QStringLiteral("start"));
    svg += svgLabel(chartWidth - 10, plotTop + plotHeight + 16, lastX, QStringLiteral("end"));
    for (std::size_t index = 0; index < series.size(); ++index) {
        QStringList coordinates;
        for (std::size_t point = 0; point < series[index].values.size(); ++point)
            coordinates << QStringLiteral("%1,%2")
                               .arg(plotLeft + double(point) * stepX, 0, 'f', 1)
                               .arg(plotTop + plotHeight - series[index].values[point] * scaleY, 0,
                                    'f', 1);
        const int colour = static_cast<int>(index) % seriesColours;
        // A single day has no line to draw; its point still shows.
        svg += QStringLiteral("<polyline class=\"line s%1\" points=\"%2\"/>")
                   .arg(colour)
                   .arg(coordinates.join(QLatin1Char(' ')));
        if (series[index].values.size() == 1)
            svg += QStringLiteral("<circle class=\"dot s%1\" cx=\"%2\" cy=\"%3\" r=\"3\"/>")
                       .arg(colour)
                       .arg(coordinates.first().section(QLatin1Char(','), 0, 0),
                            coordinates.first().section(QLatin1Char(','), 1, 1));
        const int y = legendTop + rowHeight * static_cast<int>(index);
        svg += QStringLiteral("<rect class=\"key s%1\" x=\"%2\" y=\"%3\" width=\"12\" "
                              "height=\"4\"/>")
                   .arg(colour)
                   .arg(plotLeft)
                   .arg(y - 5);
        svg += svgLabel(plotLeft + 18, y, series[index].name, QStringLiteral("start"));
    }
    return svg + QStringLiteral("</svg>");
}

QString stackedBar(const std::vector<ChartBar>& parts)
{
    long long total = 0;
    for (const ChartBar& part : parts)
        total += part.value;
    const int barHeight = 26;
    const int height = barHeight + 12 + rowHeight * ((static_cast<int>(parts.size()) + 2) / 3);
    QString svg = svgOpen(height, QStringLiteral("stacked bar"));
    double x = 0;
    for (std::size_t index = 0; index < parts.size(); ++index) {
        const double width =
            total > 0 ? double(parts[index].value) * chartWidth / double(total) : 0;
        svg += QStringLiteral("<rect class=\"p%1\" x=\"%2\" y=\"0\" width=\"%3\" height=\"%4\"/>")
                   .arg(index)
                   .arg(x, 0, 'f', 1)
                   .arg(width, 0, 'f', 1)
                   .arg(barHeight);
        x += width;
        const int column = static_cast<int>(index) % 3;
        const int y = barHeight + 22 + rowHeight * (static_cast<int>(index) / 3);
        svg += QStringLiteral("<rect class=\"p%1\" x=\"%2\" y=\"%3\" width=\"12\" height=\"12\"/>")
                   .arg(index)
                   .arg(column * 240)
                   .arg(y - 10);
        svg +=
            svgLabel(column * 240 + 18, y,
                     QStringLiteral("%1 %2").arg(parts[index].label, countText(parts[index].value)),
                     QStringLiteral("start"));
    }
    return svg + QStringLiteral("</svg>");
}

QString stackedCellBar(const std::vector<long long>& parts)
{
    long long total = 0;
    for (const long long part : parts)
        total += part;
    const int width = 160;
    QString svg = QStringLiteral("<svg class=\"cellbar\" viewBox=\"0 0 %1 10\">").arg(width);
    double x = 0;
    for (std::size_t index = 0; index < parts.size(); ++index) {
        const double partWidth = total > 0 ? double(parts[index]) * width / double(total) : 0;
        svg += QStringLiteral("<rect class=\"p%1\" x=\"%2\" y=\"0\" width=\"%3\" height=\"10\"/>")
                   .arg(index)
                   .arg(x, 0, 'f', 1)
                   .arg(partWidth, 0, 'f', 1);
        x += partWidth;
    }
    return svg + QStringLiteral("</svg>");
}
