#include "imageclaim.h"

#include "claimsfolder.h"
#include "teampaths.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QThread>

#include <utility>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {

// Taking a stale claim over is a matter of milliseconds; a takeover mark seen unchanged for
// this share of the stale time was left by a program that stopped in between.
const qint64 takeoverStaleShare = 12;
const int takeAttempts = 20;
const int retryMilliseconds = 5;

// No longer than the claim's own name, which fits.
QString takeoverPathFor(const QString& claimPath)
{
    return claimPath.chopped(QStringLiteral("claim").size()) + QStringLiteral("take");
}

// The same folder, so that a hard link can give it the claim's name; short, so that it fits
// wherever the claim's name does.
QString uniqueTemporaryPath(const QString& path)
{
    return QFileInfo(path).path() +
           QStringLiteral("/.%1.tmp")
               .arg(QRandomGenerator::global()->generate64(), 16, 16, QLatin1Char('0'));
}

// A pipe at a claim's name would block the open, a huge file fill the memory: only a regular
// file is read, and never past a claim's length.
QByteArray bytesOf(const QString& path, bool* opened = nullptr)
{
    QFile file(path);
#ifdef Q_OS_UNIX
    // Opened without waiting for a writer and looked at through the open file: on a share, one
    // round trip less than a look at the name before opening it.
    const int descriptor =
        ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    struct stat status;
    const bool isFile =
        descriptor >= 0 && ::fstat(descriptor, &status) == 0 && S_ISREG(status.st_mode);
    const bool open =
        isFile && file.open(descriptor, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle);
    if (descriptor >= 0 && !open)
        ::close(descriptor);
#else
    const bool open = QFileInfo(path).isFile() && file.open(QIODevice::ReadOnly);
#endif
    if (opened)
        *opened = open;
    return open ? ClaimsFolder::claimBytesOf(file) : QByteArray();
}

// What stands at a claim's name for a claim's watcher to compare: a file's bytes, or a mark no
// claim file holds for a folder or a link that leads nowhere, which name nobody either.
const QByteArray folderMark("\0folder", 7);
const QByteArray brokenLinkMark("\0link ", 6);
const QByteArray otherMark("\0other ", 7);

QByteArray standingAt(const QString& path, bool* opened)
{
    const QFileInfo info(path);
    if (info.isSymLink() && !info.exists()) {
        *opened = true;
        return brokenLinkMark + QFile::encodeName(info.symLinkTarget());
    }
    if (info.isDir()) {
        *opened = true;
        return folderMark + QByteArray::number(info.lastModified().toMSecsSinceEpoch());
    }
    // A pipe, a socket or a device names nobody, as a damaged claim does.
    if (info.exists() && !info.isFile()) {
        *opened = true;
        return otherMark + QByteArray::number(info.lastModified().toMSecsSinceEpoch());
    }
    return bytesOf(path, opened);
}

bool removeStanding(const QString& path)
{
    const QFileInfo info(path);
    if (info.isDir() && !info.isSymLink())
        return QDir().rmdir(path);
    return QFile::remove(path);
}

ImageClaim::Failure failureOfNobodysClaim(const QByteArray& standing)
{
    if (standing.startsWith(folderMark))
        return ImageClaim::Failure::ClaimIsFolder;
    if (standing.startsWith(brokenLinkMark))
        return ImageClaim::Failure::ClaimIsBrokenLink;
    return ImageClaim::Failure::ClaimUnreadable;
}

// Creates the file at path with bytes; one created and then left short (a full disk) is
// removed, for a claim that names nobody would stop everyone, and a temporary one no one would.
bool writeNew(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::NewOnly))
        return false;
    const bool written = file.write(bytes) == bytes.size();
    file.close();
    if (written && file.error() == QFileDevice::NoError)
        return true;
    file.remove();
    return false;
}

// O_CREAT|O_EXCL, for file systems without hard links (SMB, FAT); the server creates
// exclusively, but the contents follow the creation, so a reader may briefly find it empty.
bool createNewOnly(const QString& path, const QByteArray& bytes)
{
    return writeNew(path, bytes);
}

} // namespace

bool createExclusively(const QString& path, const QByteArray& bytes)
{
#ifdef Q_OS_UNIX
    // link() is atomic on NFS too, where O_EXCL was not before version 3, and the claim appears
    // with its contents already written.
    const QString temporary = uniqueTemporaryPath(path);
    if (!writeNew(temporary, bytes))
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

ImageClaim::ImageClaim(const QString& operatorName, ClaimWatch::Clock clock)
    : own(Claim::ofThisProcess(operatorName)), ownBytes(own.toBytes()), watch(std::move(clock))
{
}

ImageClaim::Result ImageClaim::take(const QString& imagePath)
{
    const QString claimPath = claimPathFor(imagePath);
    lastFailure = Failure::None;
    if (heldPath == claimPath && isOwnFile(claimPath, ownBytes)) {
        // Another image of the same label file shares the claim.
        heldImagePath = imagePath;
        ownClaimFound = true;
        return Result::Held;
    }
    setHeldAside();
    lastHolder = Claim();
    ownClaimFound = false;
    own.since = QDateTime::currentDateTimeUtc();
    ownBytes = own.toBytes();
    if (!hasClaimsFolder(claimPath)) {
        lastFailure = Failure::FolderNotWritable;
        return Result::Failed;
    }
    for (int attempt = 0; attempt < takeAttempts; ++attempt) {
        if (createExclusively(claimPath, ownBytes)) {
            watch.forget(claimPath);
            heldPath = claimPath;
            heldImagePath = imagePath;
            lastFailure = Failure::None;
            return Result::Held;
        }
        bool opened = false;
        const QByteArray bytes = standingAt(claimPath, &opened);
        if (!opened) {
            // Released in between, or the folder takes no new file: it may be gone since.
            if (!knownClaimsFolder.isEmpty()) {
                knownClaimsFolder.clear();
                if (!hasClaimsFolder(claimPath))
                    break;
            }
            lastFailure =
                QFile::exists(claimPath) ? Failure::ClaimUnreadable : Failure::FolderNotWritable;
            if (lastFailure == Failure::ClaimUnreadable)
                return Result::Failed;
            continue;
        }
        const std::optional<Claim> found = Claim::fromBytes(bytes);
        // One this very program left (a touch that failed, a claims folder put back) is its
        // own to replace, never another's that locks it out.
        if (found && found->isSameProcess(own) && found->operatorName == own.operatorName &&
            QFile::remove(claimPath)) {
            watch.forget(claimPath);
            ownClaimFound = true;
            continue;
        }
        // A claim still being written by a program without hard links names nobody yet.
        lastHolder = found.value_or(Claim());
        if (!found)
            lastFailure = failureOfNobodysClaim(bytes);
        if (!isStale(claimPath, bytes, found)) {
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
        clearMarkIfLeft(takeoverPath);
        return false;
    }
    bool removed = false;
    bool opened = false;
    if (standingAt(claimPath, &opened) == staleBytes && opened)
        removed = isStale(claimPath, staleBytes, Claim::fromBytes(staleBytes)) &&
                  removeStanding(claimPath);
    QFile::remove(takeoverPath);
    if (removed)
        watch.forget(claimPath);
    return removed;
}

void ImageClaim::clearMarkIfLeft(const QString& takeoverPath)
{
    // A pipe, folder or dead link there is never opened: it is watched by what stands there.
    bool opened = false;
    const QByteArray bytes = standingAt(takeoverPath, &opened);
    if (opened && watch.hasStoodStill(takeoverPath, bytes, QFileInfo(takeoverPath).lastModified(),
                                      staleAfterMilliseconds / takeoverStaleShare)) {
        // The mark's name is this program's own: a folder there goes with what it holds.
        const QFileInfo mark(takeoverPath);
        if (mark.isDir() && !mark.isSymLink())
            QDir(takeoverPath).removeRecursively();
        else
            removeStanding(takeoverPath);
        watch.forget(takeoverPath);
    }
}

// Never by the file's time against this program's clock: the writer's clock may be minutes
// off. A file that names nobody (damaged, or still being written) is judged by watching alone.
bool ImageClaim::isStale(const QString& claimPath, const QByteArray& bytes,
                         const std::optional<Claim>& found)
{
    const bool stoodStill = watch.hasStoodStill(
        claimPath, bytes, QFileInfo(claimPath).lastModified(), staleAfterMilliseconds);
    return stoodStill || (found && found->isOfEndedProcessOn(own));
}

bool ImageClaim::isOwnFile(const QString& claimPath, const QByteArray& bytes) const
{
    bool opened = false;
    return bytesOf(claimPath, &opened) == bytes && opened;
}

// Once the claims folder is there, a take costs no look at it: one made or found is known.
bool ImageClaim::hasClaimsFolder(const QString& claimPath)
{
    const QString folder = QFileInfo(claimPath).path();
    if (folder == knownClaimsFolder)
        return true;
    if (!QDir().mkpath(folder)) {
        lastFailure = Failure::FolderNotWritable;
        return false;
    }
    knownClaimsFolder = folder;
    return true;
}

// Kept standing until the next image's claim is taken; one still set aside goes first.
void ImageClaim::setHeldAside()
{
    releaseLeft();
    leftPath = std::exchange(heldPath, QString());
    leftBytes = ownBytes;
    heldImagePath.clear();
}

ImageClaim::~ImageClaim()
{
    release();
}

void ImageClaim::releaseLeft()
{
    const QString path = std::exchange(leftPath, QString());
    // Taken again since it was set aside: it is the claim held now.
    if (path.isEmpty() || path == heldPath)
        return;
    if (isOwnFile(path, leftBytes))
        QFile::remove(path);
}

void ImageClaim::release()
{
    releaseLeft();
    if (heldPath.isEmpty())
        return;
    if (isOwnFile(heldPath, ownBytes))
        QFile::remove(heldPath);
    heldPath.clear();
    heldImagePath.clear();
}

bool ImageClaim::confirm()
{
    if (heldPath.isEmpty())
        return false;
    if (isOwnFile(heldPath, ownBytes))
        return true;
    heldPath.clear();
    heldImagePath.clear();
    return false;
}

bool ImageClaim::refresh()
{
    if (!confirm())
        return false;
    // Still ours: a touch refused for a moment (a share's hiccup) is tried again at the next
    // refresh; others take the claim over only once it has stood still for the stale time.
    QFile file(heldPath);
    if (file.open(QIODevice::ReadWrite))
        file.setFileTime(QDateTime::currentDateTimeUtc(), QFileDevice::FileModificationTime);
    return true;
}
