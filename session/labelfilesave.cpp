#include "labelfilesave.h"

#include "labelfile.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>

#include <filesystem>
#include <future>
#include <optional>
#include <utility>

#include <sys/stat.h>

namespace {

namespace fs = std::filesystem;

fs::file_type typeOf(mode_t mode)
{
    if (S_ISREG(mode))
        return fs::file_type::regular;
    if (S_ISDIR(mode))
        return fs::file_type::directory;
    return S_ISFIFO(mode) ? fs::file_type::fifo : fs::file_type::unknown;
}

// One look at the name, links followed: what stands there, with every bit of its mode (the
// set-id and sticky bits too), which the write keeps.
struct Look
{
    bool found = false;
    struct stat status = {};

    explicit Look(const QString& path)
    {
        found = ::stat(QFile::encodeName(path).constData(), &status) == 0;
    }
    bool isFile() const { return found && S_ISREG(status.st_mode); }
    QDateTime modified() const
    {
        return QDateTime::fromMSecsSinceEpoch(qint64(status.st_mtim.tv_sec) * 1000 +
                                              status.st_mtim.tv_nsec / 1000000);
    }
    fs::file_status fileStatus() const
    {
        if (!found)
            return fs::file_status(fs::file_type::not_found);
        return fs::file_status(typeOf(status.st_mode), fs::perms(status.st_mode & 07777));
    }
};

// A folder as the file system knows it, by whichever path it is reached: a bind mount or a
// share mounted twice names one folder by two paths.
using FolderIdentity = std::pair<dev_t, ino_t>;

std::optional<FolderIdentity> identityOf(const QString& folder)
{
    struct stat status = {};
    if (::stat(QFile::encodeName(folder).constData(), &status) != 0)
        return std::nullopt;
    return FolderIdentity(status.st_dev, status.st_ino);
}

// As the system's own resolution does: a longer chain is a loop.
const int linksFollowedAtMost = 40;

bool isLinkAt(const QString& path)
{
    struct stat status = {};
    return ::lstat(QFile::encodeName(path).constData(), &status) == 0 && S_ISLNK(status.st_mode);
}

} // namespace

bool LabelFileSave::isStill(const LabelFileSnapshot& known, const QString& path)
{
    return known.isCurrent(path) || LabelFileSnapshot::of(path) == known;
}

QString LabelFileSave::linkedFileBeside(const QString& path)
{
    QFileInfo step(path);
    if (!step.isSymLink())
        return QString();
    const std::optional<FolderIdentity> folder = identityOf(step.absolutePath());
    // Every link of a chain: one that leads beside the label file leads to another's file.
    for (int followed = 0; followed < linksFollowedAtMost && step.isSymLink(); ++followed) {
        step = QFileInfo(step.symLinkTarget());
        if (folder && identityOf(step.absolutePath()) == folder)
            return step.fileName();
    }
    return QString();
}

LabelFileSave LabelFileSave::write(const std::string& bytes, const QString& path,
                                   const LabelFileSnapshot* startedFrom, bool lookFirst,
                                   const std::function<bool()>& claimHolds,
                                   std::chrono::milliseconds stalledAfter)
{
    LabelFileSave result;
    // Where its attributes prove the file unchanged, that look is the write's own too.
    std::optional<std::filesystem::file_status> lookedAt;
    if (lookFirst && startedFrom) {
        const Look look(path);
        if (startedFrom->isCurrent(look.isFile(), qint64(look.status.st_size), look.modified())) {
            // Asked only where something stands: the look that found nothing found no link.
            if (!look.found || !isLinkAt(path))
                lookedAt = look.fileStatus();
        } else if (LabelFileSnapshot::of(path) != *startedFrom) {
            result.changedOnDisk = true;
            return result;
        }
    }
    const LabelFileSnapshot start = startedFrom ? *startedFrom : LabelFileSnapshot::of(path);
    const auto begun = std::chrono::steady_clock::now();
    const auto confirm = [&](bool lookAgain) {
        result.claimLost = claimHolds && !claimHolds();
        result.withheld = result.claimLost || (lookAgain && !isStill(start, path));
        return !result.withheld;
    };
    // Beside the write, the file is looked at only where this save has not just looked.
    const bool lookedJustNow = lookFirst || !startedFrom;
    // A write that stalled may have outlived both: the claim taken over, the file saved by its
    // new holder meanwhile.
    const auto stillMayReplace = [&] {
        return std::chrono::steady_clock::now() - begun <= stalledAfter || confirm(true);
    };
    // Linked to a file beside it since the image was entered: another's, never written through.
    const auto besideWrite = [&] {
        std::future<QString> linked = std::async(std::launch::async | std::launch::deferred,
                                                 [&path] { return linkedFileBeside(path); });
        const bool confirmed = confirm(!lookedJustNow);
        return linked.get().isEmpty() && confirmed;
    };
    result.written = writeLabelBytesIf(bytes, QFile::encodeName(path).toStdString(), besideWrite,
                                       stillMayReplace, lookedAt);
    return result;
}
