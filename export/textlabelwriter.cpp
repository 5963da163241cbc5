#include "textlabelwriter.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>

#include <cstdio>

namespace {
const char stagingTemplate[] = ".quadrotag-export-XXXXXX";
const char labelSuffix[] = ".txt";
} // namespace

TextLabelWriter::TextLabelWriter(const QString& dir, const QString& folder,
                                 const ClassTable& classTable)
    : outputDir(dir), classes(classTable), labelFolder(folder)
{
}

bool TextLabelWriter::open(QString& error)
{
    if (!QDir().mkpath(outputDir)) {
        error = QStringLiteral("cannot create the folder %1").arg(outputDir);
        return false;
    }
    staging =
        std::make_unique<QTemporaryDir>(QDir(outputDir).filePath(QLatin1String(stagingTemplate)));
    if (!staging->isValid()) {
        error = QStringLiteral("cannot write in %1: %2").arg(outputDir, staging->errorString());
        return false;
    }
    return true;
}

bool TextLabelWriter::addImage(const ExportImage& image)
{
    if (failed || !staging)
        return false;
    QByteArray lines;
    for (const ExportShape& shape : image.shapes)
        lines += shapeLine(shape, image);
    QFile file(staging->filePath(imageStem(image.relativePath) + QLatin1String(labelSuffix)));
    failed = !file.open(QIODevice::WriteOnly) || file.write(lines) != lines.size() || !file.flush();
    return !failed;
}

bool TextLabelWriter::commit(QString& error)
{
    const QString folder = target();
    if (failed || !staging || !QDir().mkpath(folder)) {
        error = QStringLiteral("cannot write in %1").arg(folder);
        return false;
    }
    QDirIterator staged(staging->path(), QDir::Files | QDir::Hidden);
    while (staged.hasNext()) {
        const QString from = staged.next();
        const QString to = QDir(folder).filePath(staged.fileName());
        // rename(2) replaces a file left by an earlier export in one step.
        if (std::rename(QFile::encodeName(from).constData(), QFile::encodeName(to).constData())) {
            error = QStringLiteral("cannot move %1 into %2").arg(staged.fileName(), folder);
            return false;
        }
    }
    return commitExtras(error);
}

QString TextLabelWriter::target() const
{
    return QDir(outputDir).filePath(labelFolder);
}

bool TextLabelWriter::commitExtras(QString&)
{
    return true;
}
