#include "imageclaim.h"

#include "teampaths.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QThread>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {

// Taking a stale claim over is a matter of milliseconds; a takeover mark older than this was
// left by a program that stopped in between.
const qint64 takeoverStaleSeconds = 10;
const int takeAttempts = 20;
const int retryMilliseconds = 5;

QString takeoverPathFor(const QString& claimPath)
{
    return claimPath + QStringLiteral(".takeover");
}

// The same folder, so that a hard link can give it the claim's name.
QString uniqueTemporaryPath(const QString& path)
{
    return path + QStringLiteral(".%1.%2.tmp")
                      .arg(QCoreApplication::applicationPid())
                      .arg(QRandomGenerator::global()->generate64(), 0, 16);
}

bool writeWhole(const QString& path, const QByteArray& bytes, QIODevice::OpenMode mode)
{
    QFile file(path);
    if (!file.open(mode))
        return false;
    const bool written = file.write(bytes) == bytes.size();
    file.close();
    return written && file.error() == QFileDevice::NoError;
}

// O_CREAT|O_EXCL, for file systems without hard links (SMB, FAT); the server creates
// exclusively, but the contents follow the creation, so a reader may briefly find it empty.
bool createNewOnly(const QString& path, const QByteArray& bytes)
{
    return writeWhole(path, bytes, QIODevice::WriteOnly | QIODevice::NewOnly);
}

bool isOlderThan(const QFileInfo& info, qint64 seconds)
{
    return info.lastModified().secsTo(QDateTime::currentDateTimeUtc()) > seconds;
}

} // namespace

bool createExclusively(const QString& path, const QByteArray& bytes)
{
#ifdef Q_OS_UNIX
    // link() is atomic on NFS too, where O_EXCL was not before version 3, and the claim appears
    // with its contents already written.
    const QString temporary = uniqueTemporaryPath(path);
    if (!writeWhole(temporary, bytes, QIODevice::WriteOnly | QIODevice::NewOnly))
        return false;
    const QByteArray from = QFile::encodeName(temporary);
    const int result = ::link(from.constData(), QFile::encodeName(path).constData());
    const int linkError = errno;
    // NFS may lose the reply of a link that succeeded; two names on the file tell the truth.
    struct stat status = {};
    const bool linked =
        result == 0 || (::stat(from.constData(), &status) == 0 && status.st_nlink == 2);
    ::unlink(from.constData());
    if (linked)
        return true;
    if (linkError == EPERM || linkError == ENOTSUP || linkError == EOPNOTSUPP ||
        linkError == ENOSYS)
        return createNewOnly(path, bytes);
    return false;
#else
    return createNewOnly(path, bytes);
#endif
}

ImageClaim::ImageClaim(const QString& operatorName)
    : own(Claim::ofThisProcess(operatorName)), ownBytes(own.toBytes())
{
}

ImageClaim::Result ImageClaim::take(const QString& imagePath)
{
    const QString claimPath = claimPathFor(imagePath);
    if (heldPath == claimPath && isOwnFile(claimPath))
        return Result::Held;
    release();
    lastHolder = Claim();
    own.since = QDateTime::currentDateTimeUtc();
    ownBytes = own.toBytes();
    if (!QDir().mkpath(QFileInfo(claimPath).path()))
        return Result::Failed;
    for (int attempt = 0; attempt < takeAttempts; ++attempt) {
        if (createExclusively(claimPath, ownBytes)) {
            heldPath = claimPath;
            heldImagePath = imagePath;
            return Result::Held;
        }
        QFile file(claimPath);
        if (!file.open(QIODevice::ReadOnly)) {
            if (!file.exists())
                continue; // released in between
            return Result::Failed;
        }
        const QByteArray bytes = file.readAll();
        file.close();
        const std::optional<Claim> found = Claim::fromBytes(bytes);
        if (!isStale(claimPath, found)) {
            // A claim still being written by a program without hard links names nobody yet.
            lastHolder = found.value_or(Claim());
            if (found)
                return Result::HeldByOther;
        } else if (removeIfStillStale(claimPath, bytes)) {
            continue;
        }
        QThread::msleep(retryMilliseconds);
    }
    return lastHolder.operatorName.isEmpty() ? Result::Failed : Result::HeldByOther;
}

// Two programs that found one stale claim must not both remove it: the second would remove
// the first one's new claim. A takeover mark lets one at a time look again and remove it.
bool ImageClaim::removeIfStillStale(const QString& claimPath, const QByteArray& staleBytes)
{
    const QString takeoverPath = takeoverPathFor(claimPath);
    if (!createExclusively(takeoverPath, ownBytes)) {
        const QFileInfo mark(takeoverPath);
        if (mark.exists() && isOlderThan(mark, takeoverStaleSeconds))
            QFile::remove(takeoverPath);
        return false;
    }
    QFile file(claimPath);
    bool removed = false;
    if (file.open(QIODevice::ReadOnly) && file.readAll() == staleBytes) {
        file.close();
        removed = isStale(claimPath, Claim::fromBytes(staleBytes)) && QFile::remove(claimPath);
    }
    QFile::remove(takeoverPath);
    return removed;
}

// A file that names nobody (damaged, or still being written) is judged by its age alone.
bool ImageClaim::isStale(const QString& claimPath, const std::optional<Claim>& found) const
{
    const QFileInfo info(claimPath);
    return found ? found->isStale(info.lastModified(), QDateTime::currentDateTimeUtc(), own.host)
                 : isOlderThan(info, Claim::staleAfterSeconds);
}

bool ImageClaim::isOwnFile(const QString& claimPath) const
{
    QFile file(claimPath);
    return file.open(QIODevice::ReadOnly) && file.readAll() == ownBytes;
}

ImageClaim::~ImageClaim()
{
    release();
}

void ImageClaim::release()
{
    if (heldPath.isEmpty())
        return;
    if (isOwnFile(heldPath))
        QFile::remove(heldPath);
    heldPath.clear();
    heldImagePath.clear();
}

bool ImageClaim::refresh()
{
    if (heldPath.isEmpty())
        return false;
    QFile file(heldPath);
    if (!file.open(QIODevice::ReadWrite) || file.readAll() != ownBytes) {
        heldPath.clear();
        heldImagePath.clear();
        return false;
    }
    return file.setFileTime(QDateTime::currentDateTimeUtc(), QFileDevice::FileModificationTime);
}
