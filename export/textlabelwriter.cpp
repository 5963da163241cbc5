#include "textlabelwriter.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <cerrno>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {
const char stagingTemplate[] = ".quadrotag-export-XXXXXX";
const char previousTemplate[] = ".quadrotag-export-previous-XXXXXX";
const char labelSuffix[] = ".txt";
// Inside every label folder an export makes: only a folder holding it is replaced next time.
const char ownFolderMark[] = ".quadrotag-export";
const QByteArray ownFolderMarkText =
    "This folder was made by quadrotag-export; its next export replaces it whole.\n";
const mode_t newFileMode = 0666;
const mode_t newFolderMode = 0777;

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
// A temporary folder is its owner's alone; the label folder is as open as any new folder.
bool giveUsualPermissions(const QString& folder, QString& error)
{
    const mode_t mask = ::umask(0);
    ::umask(mask);
    if (::chmod(QFile::encodeName(folder).constData(), newFolderMode & ~mask) == 0)
        return true;
    error = QStringLiteral("cannot open %1 to others").arg(folder);
    return false;
}
} // namespace

TextLabelWriter::TextLabelWriter(const QString& dir, const TextFormat& textFormat,
                                 const ClassTable& classTable)
    : outputDir(dir), format(textFormat), classes(classTable)
{
}

bool TextLabelWriter::open(QString& error)
{
    // A folder of the same name that the user keeps must never be replaced with ours.
    const QFileInfo existing(target());
    if ((existing.exists() || existing.isSymLink()) && !isOwnFolder(existing)) {
        error = QStringLiteral("%1 was not made by an export; move it away or choose another "
                               "--output, nothing was written")
                    .arg(target());
        return false;
    }
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
    if (!writeWhole(staging->filePath(QLatin1String(ownFolderMark)), ownFolderMarkText)) {
        error = QStringLiteral("cannot write in %1").arg(outputDir);
        return false;
    }
    return true;
}

bool TextLabelWriter::isOwnFolder(const QFileInfo& folder)
{
    return folder.isDir() && !folder.isSymLink() &&
           QFileInfo(QDir(folder.filePath()).filePath(QLatin1String(ownFolderMark))).isFile();
}

bool TextLabelWriter::claimName(const QString& stem)
{
    // The staged file itself marks the name as taken: one file made per image, not two.
    if (!staging)
        return true;
    const int descriptor = ::open(QFile::encodeName(stagedPath(stem)).constData(),
                                  O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, newFileMode);
    if (descriptor >= 0)
        ::close(descriptor);
    return descriptor >= 0 || errno != EEXIST;
}

bool TextLabelWriter::addImage(const ExportImage& image)
{
    if (failed || !staging)
        return false;
    QByteArray lines;
    for (const ExportShape& shape : image.shapes)
        lines += format.shapeLine(shape, image, classes);
    failed = !writeWhole(stagedPath(imageStem(image.relativePath)), lines);
    return !failed;
}

bool TextLabelWriter::commit(QString& error)
{
    const QString folder = target();
    if (failed || !staging) {
        error = QStringLiteral("cannot write in %1").arg(folder);
        return false;
    }
    // The staged folder takes the place of the last export's whole, so that no file of an
    // image that is gone stays behind.
    QTemporaryDir previous(QDir(outputDir).filePath(QLatin1String(previousTemplate)));
    const QString previousFolder = previous.filePath(QLatin1String(format.labelFolder));
    if (!previous.isValid() ||
        (QFileInfo::exists(folder) && !QDir().rename(folder, previousFolder))) {
        error = QStringLiteral("cannot replace %1").arg(folder);
        return false;
    }
    if (!QDir().rename(staging->path(), folder)) {
        QDir().rename(previousFolder, folder);
        error = QStringLiteral("cannot move the new files into %1").arg(folder);
        return false;
    }
    staging->setAutoRemove(false);
    return giveUsualPermissions(folder, error) && commitExtraFile(error);
}

QString TextLabelWriter::stagedPath(const QString& stem) const
{
    return staging->filePath(stem + QLatin1String(labelSuffix));
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
