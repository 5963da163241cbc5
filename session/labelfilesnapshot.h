#ifndef QUADROTAG_LABELFILESNAPSHOT_H
#define QUADROTAG_LABELFILESNAPSHOT_H

#include <QDateTime>
#include <QFileInfo>
#include <QString>

#include <string>

// A label file as it stood on disk at one moment: whether a regular file was there and
// its bytes. Two snapshots of one path differ when someone changed the file in between.
struct LabelFileSnapshot
{
    // Takes the snapshot now. A file too large to keep is read as unreadable.
    static LabelFileSnapshot of(const QString& path);
    // What the file holds right after these bytes were written to it.
    static LabelFileSnapshot written(const std::string& bytes);

    // Whether the file at path still has the size and modification time this snapshot was
    // taken at: one look at its attributes, no reading.
    bool isCurrent(const QString& path) const;
    // The same with a look the caller made.
    bool isCurrent(const QFileInfo& lookedAt) const;

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
    // When it was taken, on this computer's clock: a time this close to it proves nothing.
    QDateTime readAt;
};

#endif
