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
        if (info.permissions().testFlag(permission))
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
                                   const std::function<bool()>& claimHolds)
{
    LabelFileSave result;
    // Where its attributes prove the file unchanged, that look is the write's own too.
    std::optional<std::filesystem::file_status> lookedAt;
    if (lookFirst && startedFrom) {
        const QFileInfo info(path);
        if (startedFrom->isCurrent(info))
            lookedAt = statusOf(info);
        else if (LabelFileSnapshot::of(path) != *startedFrom) {
            result.changedOnDisk = true;
            return result;
        }
    }
    const LabelFileSnapshot start = startedFrom ? *startedFrom : LabelFileSnapshot::of(path);
    // Checked again once the bytes are flushed: the write may have stalled for minutes while
    // the claim went to someone else, who saved meanwhile.
    result.written = writeLabelBytesIf(
        bytes, QFile::encodeName(path).toStdString(),
        [&] {
            result.claimLost = claimHolds && !claimHolds();
            result.withheld = result.claimLost || !isStill(start, path);
            return !result.withheld;
        },
        lookedAt);
    return result;
}
