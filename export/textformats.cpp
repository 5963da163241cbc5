#include "textformats.h"

#include "quadgeometry.h"

#include <QRegularExpression>

namespace {

const int decimals = 6;
// Every shape the operator outlined counts as an object to find.
const char notDifficult[] = " 0\n";

QByteArray normalised(int value, int extent)
{
    return QByteArray::number(static_cast<double>(value) / extent, 'f', decimals);
}

// A double-quoted YAML scalar, so that names like "yes", "1" or "a: b" stay text.
QByteArray yamlQuoted(const QString& text)
{
    QByteArray quoted = text.toUtf8();
    quoted.replace('\\', "\\\\").replace('"', "\\\"");
    return '"' + quoted + '"';
}

QByteArray yoloObbLine(const ExportShape& shape, const ExportImage& image, const ClassTable&)
{
    QByteArray line = QByteArray::number(shape.classIndex);
    for (const QPoint& corner : shape.corners) {
        line += ' ' + normalised(corner.x(), image.size.width());
        line += ' ' + normalised(corner.y(), image.size.height());
    }
    return line + '\n';
}

QByteArray yoloDataYaml(const ClassTable& classes)
{
    QByteArray yaml = "# Classes exported by quadrotag-export; add path, train and val for "
                      "your trainer.\n";
    yaml += "nc: " + QByteArray::number(classes.count()) + "\nnames:\n";
    for (int index = 0; index < classes.count(); ++index)
        yaml += "  " + QByteArray::number(index) + ": " + yamlQuoted(classes.name(index)) + '\n';
    return yaml;
}

// DOTA separates fields by spaces, so a name must not hold any.
QByteArray dotaCategory(const QString& name)
{
    static const QRegularExpression whiteSpace(QStringLiteral("\\s+"));
    return QString(name).replace(whiteSpace, QStringLiteral("_")).toUtf8();
}

QByteArray dotaLine(const ExportShape& shape, const ExportImage&, const ClassTable& classes)
{
    QByteArray line;
    for (const QPoint& corner : clockwiseFromTopLeft(shape.corners))
        line += QByteArray::number(corner.x()) + ' ' + QByteArray::number(corner.y()) + ' ';
    return line + dotaCategory(classes.name(shape.classIndex)) + notDifficult;
}

} // namespace

const TextFormat yoloObbFormat{"labels", yoloObbLine, "data.yaml", yoloDataYaml};
const TextFormat dotaFormat{"labelTxt", dotaLine, nullptr, nullptr};
