#ifndef QUADROTAG_LABELFILESNAPSHOT_H
#define QUADROTAG_LABELFILESNAPSHOT_H

#include <QDateTime>
#include <QFileInfo>
#include <QString>

#include <chrono>
#include <string>

// A label file as it stood on disk at one moment: whether a regular file was there and
// its bytes. Two snapshots of one path differ when someone changed the file in between.
struct LabelFileSnapshot
{
    // Takes the snapshot now. A file too large to keep is read as unreadable.
    static LabelFileSnapshot of(const QString& path);
    // What the file holds right after these bytes were written to it.
    static LabelFileSnapshot written(const std::string& bytes);

    // Whether the file at path still has the size and modification time of this confirmed
    // snapshot: one look at its attributes, no reading. Never for one not yet confirmed.
    bool isCurrent(const QString& path) const;
    // The same with a look the caller made.
    bool isCurrent(const QFileInfo& lookedAt) const;
    // The same with what the caller's look found at the path: a plain file, its size and time.
    bool isCurrent(bool isFile, qint64 sizeNow, const QDateTime& modifiedNow) const;

    // This snapshot after a later reading of the file found the same bytes: confirmed where
    // that reading came a grain later at the same size and time; kept unconfirmed where it came
    // sooner, so that the grain runs from the first; the later one where its size or time moved.
    LabelFileSnapshot confirmedBy(const LabelFileSnapshot& later) const;

    // Compares the presence and the bytes, not the identity.
    bool operator==(const LabelFileSnapshot& other) const;
    bool operator!=(const LabelFileSnapshot& other) const { return !(*this == other); }

    bool exists = false;
    // False when a file is there but its bytes could not be read.
    bool readable = true;
    std::string bytes;
    // The file's identity when the snapshot was taken: a changed size or time means new bytes.
    qint64 size = -1;
    QDateTime modified;
    // When it was taken, on this computer's steady clock: a share's clock may run behind or
    // ahead of it, so the file's own time can't tell whether a rewrite in its second followed.
    std::chrono::steady_clock::time_point readAt;
    // A reading a grain after this one found the same bytes at the same size and time: any
    // rewrite since would carry a later time, so from now on the size and time prove the bytes.
    bool confirmed = false;
};

#endif
