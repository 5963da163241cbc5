#include "labelpaths.h"

#include "labelpath.h"

#include <QFileInfo>

QString LabelPaths::operator[](qsizetype row) const
{
    return labelPathFor(images[row]);
}

std::vector<int> LabelPaths::rowsOf(const QString& labelPath) const
{
    // An image's label path keeps its path up to the last dot, so only images that begin
    // like it can have it; the check allocates nothing for the others.
    std::vector<int> rows;
    if (!labelPath.endsWith(QLatin1String(".lbl")))
        return rows;
    const QStringView stem = QStringView(labelPath).chopped(4);
    for (qsizetype row = 0; row < images.size(); ++row)
        if (images[row].startsWith(stem) && labelPathFor(images[row]) == labelPath &&
            !shared.contains(int(row)) && !outsideKeepers.contains(int(row)))
            rows.push_back(int(row));
    return rows;
}

QString LabelPaths::keeperOf(qsizetype row) const
{
    const int keeper = sharedWith(row);
    if (keeper >= 0)
        return QFileInfo(images[keeper]).fileName();
    return outsideKeepers.value(int(row));
}

int LabelPaths::indexOf(const QString& labelPath) const
{
    const std::vector<int> rows = rowsOf(labelPath);
    return rows.empty() ? -1 : rows.front();
}
