#include "labelfilesave.h"

#include "labelfile.h"

#include <QFile>
#include <QFileInfo>

#include <filesystem>
#include <optional>
#include <utility>

namespace {

// What a look that proved a label file unchanged saw at its name: nothing, or a plain file.
std::filesystem::file_status statusOf(const QFileInfo& info)
{
    namespace fs = std::filesystem;
    if (!info.exists())
        return fs::file_status(fs::file_type::not_found);
    const std::pair<QFileDevice::Permission, fs::perms> bits[] = {
        {QFileDevice::ReadOwner, fs::perms::owner_read},
        {QFileDevice::WriteOwner, fs::perms::owner_write},
        {QFileDevice::ExeOwner, fs::perms::owner_exec},
        {QFileDevice::ReadGroup, fs::perms::group_read},
        {QFileDevice::WriteGroup, fs::perms::group_write},
        {QFileDevice::ExeGroup, fs::perms::group_exec},
        {QFileDevice::ReadOther, fs::perms::others_read},
        {QFileDevice::WriteOther, fs::perms::others_write},
        {QFileDevice::ExeOther, fs::perms::others_exec}};
    fs::perms permissions = fs::perms::none;
    for (const auto& [permission, bit] : bits)
        // Bit by bit: the permissions of this user would each cost a look of their own.
        if (info.permission(permission))
            permissions |= bit;
    return fs::file_status(fs::file_type::regular, permissions);
}

} // namespace

bool LabelFileSave::isStill(const LabelFileSnapshot& known, const QString& path)
{
    return known.isCurrent(path) || LabelFileSnapshot::of(path) == known;
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
        const QFileInfo info(path);
        if (startedFrom->isCurrent(info)) {
            // Asked only where a file stands: the look that found none also found no link.
            if (!info.exists() || !info.isSymLink())
                lookedAt = statusOf(info);
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
    result.written = writeLabelBytesIf(
        bytes, QFile::encodeName(path).toStdString(), [&] { return confirm(!lookedJustNow); },
        stillMayReplace, lookedAt);
    return result;
}
