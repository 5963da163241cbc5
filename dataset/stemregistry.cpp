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

bool StemRegistry::claim(const QString& stem)
{
    const int descriptor = ::open(QFile::encodeName(scratch.filePath(stem)).constData(),
                                  O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, ownerOnly);
    if (descriptor >= 0)
        ::close(descriptor);
    return descriptor >= 0 || errno != EEXIST;
}
