#include "dotawriter.h"

#include "quadgeometry.h"

#include <QRegularExpression>

namespace {

const char dotaLabelFolder[] = "labelTxt";
// Every shape the operator outlined counts as an object to find.
const char notDifficult[] = " 0\n";

// DOTA separates fields by spaces, so a name must not hold any.
QByteArray categoryName(const QString& name)
{
    static const QRegularExpression whiteSpace(QStringLiteral("\\s+"));
    return QString(name).replace(whiteSpace, QStringLiteral("_")).toUtf8();
}

} // namespace

DotaWriter::DotaWriter(const QString& dir, const ClassTable& classTable)
    : TextLabelWriter(dir, QLatin1String(dotaLabelFolder), classTable)
{
}

QByteArray DotaWriter::shapeLine(const ExportShape& shape, const ExportImage&) const
{
    QByteArray line;
    for (const QPoint& corner : clockwiseFromTopLeft(shape.corners))
        line += QByteArray::number(corner.x()) + ' ' + QByteArray::number(corner.y()) + ' ';
    return line + categoryName(classes.name(shape.classIndex)) + notDifficult;
}
