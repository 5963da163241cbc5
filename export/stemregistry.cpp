#include "stemregistry.h"

#include <QDir>
#include <QFile>

#include <cerrno>

#include <fcntl.h>
#include <unistd.h>

namespace {
const char scratchTemplate[] = ".quadrotag-export-names-XXXXXX";
const mode_t ownerOnly = 0600;
} // namespace

StemRegistry::StemRegistry(const QString& scratchParent)
    : scratch(QDir(scratchParent).filePath(QLatin1String(scratchTemplate)))
{
}

bool StemRegistry::claim(const QString& stem, const QString& imagePath, QString& firstImagePath)
{
    const QString path = scratch.filePath(stem);
    const int descriptor = ::open(QFile::encodeName(path).constData(),
                                  O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, ownerOnly);
    if (descriptor >= 0) {
        const QByteArray bytes = imagePath.toUtf8();
        const bool written = ::write(descriptor, bytes.constData(),
                                     static_cast<std::size_t>(bytes.size())) == bytes.size();
        return ::close(descriptor) == 0 && written;
    }
    if (errno != EEXIST)
        return true;
    QFile first(path);
    firstImagePath =
        first.open(QIODevice::ReadOnly) ? QString::fromUtf8(first.readAll()) : QString();
    return false;
}
