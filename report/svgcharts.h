#ifndef QUADROTAG_SVGCHARTS_H
#define QUADROTAG_SVGCHARTS_H

#include <QString>

#include <vector>

// Charts as inline SVG that the page's style sheet colours, so that light and dark, screen and
// paper all come from one place. Labels arrive as plain text and are escaped here.
struct ChartBar
{
    QString label;
    long long value = 0;
};

struct ChartSeries
{
    QString name;
    // One value per point of the x axis.
    std::vector<double> values;
};

// A bar per item, longest first as given, the value at its end.
QString horizontalBars(const std::vector<ChartBar>& bars);
// A column per bin, its label under it.
QString columnHistogram(const std::vector<ChartBar>& bins);
// A line per series over shared x labels (only the first and last are written); a legend
// names the series in their colours.
QString lineChart(const std::vector<ChartSeries>& series, const QString& firstX,
                  const QString& lastX, const QString& yUnit);
// One bar split into parts in the colours of the parts' order, with a legend.
QString stackedBar(const std::vector<ChartBar>& parts);
// A small bar of the same parts, for a table cell.
QString stackedCellBar(const std::vector<long long>& parts);

#endif
