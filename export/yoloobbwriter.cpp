#include "yoloobbwriter.h"

#include <QDir>
#include <QSaveFile>

namespace {

const char yoloLabelFolder[] = "labels";
const char dataFileName[] = "data.yaml";
const int decimals = 6;

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

} // namespace

YoloObbWriter::YoloObbWriter(const QString& dir, const ClassTable& classTable)
    : TextLabelWriter(dir, QLatin1String(yoloLabelFolder), classTable)
{
}

QByteArray YoloObbWriter::shapeLine(const ExportShape& shape, const ExportImage& image) const
{
    QByteArray line = QByteArray::number(shape.classIndex);
    for (const QPoint& corner : shape.corners) {
        line += ' ' + normalised(corner.x(), image.size.width());
        line += ' ' + normalised(corner.y(), image.size.height());
    }
    return line + '\n';
}

bool YoloObbWriter::commitExtras(QString& error)
{
    QByteArray yaml = "# Classes exported by quadrotag-export; add path, train and val for "
                      "your trainer.\n";
    yaml += "nc: " + QByteArray::number(classes.count()) + "\nnames:\n";
    for (int index = 0; index < classes.count(); ++index)
        yaml += "  " + QByteArray::number(index) + ": " + yamlQuoted(classes.name(index)) + '\n';
    QSaveFile file(QDir(outputDir).filePath(QLatin1String(dataFileName)));
    if (!file.open(QIODevice::WriteOnly) || file.write(yaml) != yaml.size() || !file.commit()) {
        error = QStringLiteral("cannot write %1: %2").arg(file.fileName(), file.errorString());
        return false;
    }
    return true;
}
