#include "textlabelwriter.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QSaveFile>

#include <cstdio>

#include <fcntl.h>
#include <unistd.h>

namespace {
const char stagingTemplate[] = ".quadrotag-export-XXXXXX";
const char labelSuffix[] = ".txt";
const mode_t newFileMode = 0666;

// Three system calls a file: creating thousands of small files is most of an export's time.
bool writeWhole(const QString& path, const QByteArray& bytes)
{
    const int descriptor = ::open(QFile::encodeName(path).constData(),
                                  O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, newFileMode);
    if (descriptor < 0)
        return false;
    const bool written =
        bytes.isEmpty() || ::write(descriptor, bytes.constData(),
                                   static_cast<std::size_t>(bytes.size())) == bytes.size();
    return ::close(descriptor) == 0 && written;
}
} // namespace

TextLabelWriter::TextLabelWriter(const QString& dir, const TextFormat& textFormat,
                                 const ClassTable& classTable)
    : outputDir(dir), format(textFormat), classes(classTable)
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
        lines += format.shapeLine(shape, image, classes);
    const QString path =
        staging->filePath(imageStem(image.relativePath) + QLatin1String(labelSuffix));
    failed = !writeWhole(path, lines);
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
    return commitExtraFile(error);
}

QString TextLabelWriter::target() const
{
    return QDir(outputDir).filePath(QLatin1String(format.labelFolder));
}

bool TextLabelWriter::commitExtraFile(QString& error)
{
    if (!format.extraFileName)
        return true;
    const QByteArray contents = format.extraFile(classes);
    QSaveFile file(QDir(outputDir).filePath(QLatin1String(format.extraFileName)));
    if (!file.open(QIODevice::WriteOnly) || file.write(contents) != contents.size() ||
        !file.commit()) {
        error = QStringLiteral("cannot write %1: %2").arg(file.fileName(), file.errorString());
        return false;
    }
    return true;
}
