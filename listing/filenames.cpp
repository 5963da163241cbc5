#include "filenames.h"

#include <QFile>

#ifdef Q_OS_UNIX
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#else
#include <QDirIterator>
#endif

#ifdef Q_OS_UNIX

namespace {

// File systems that do not say what an entry is, and links, are asked about the entry itself.
bool isRegularFile(int folder, const dirent& entry)
{
    if (entry.d_type == DT_REG)
        return true;
    if (entry.d_type != DT_UNKNOWN && entry.d_type != DT_LNK)
        return false;
    struct stat status;
    return fstatat(folder, entry.d_name, &status, 0) == 0 && S_ISREG(status.st_mode);
}

} // namespace

bool forEachFileIn(const QString& folder, const std::function<void(std::string_view)>& visit)
{
    DIR* listing = opendir(QFile::encodeName(folder).constData());
    if (!listing)
        return false;
    const int descriptor = dirfd(listing);
    while (const dirent* entry = readdir(listing))
        if (isRegularFile(descriptor, *entry))
            visit(std::string_view(entry->d_name));
    closedir(listing);
    return true;
}

#else

bool forEachFileIn(const QString& folder, const std::function<void(std::string_view)>& visit)
{
    QDirIterator entries(folder, QDir::Files | QDir::Hidden);
    while (entries.hasNext()) {
        entries.next();
        const QByteArray name = QFile::encodeName(entries.fileName());
        visit(std::string_view(name.constData(), std::size_t(name.size())));
    }
    return QFileInfo(folder).isDir();
}

#endif
