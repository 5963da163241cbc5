#ifndef QUADROTAG_IMAGEFILE_H
#define QUADROTAG_IMAGEFILE_H

#include <QByteArray>
#include <QDateTime>
#include <QString>

// An image file's bytes and identity, read once. On a share every call is a round trip and a
// decoder reading the file itself opens it several times and reads it in small pieces, so the
// file is opened once and read whole in a few large reads at once, which a share serves side
// by side; the header and the pixels are then taken from memory.
struct ImageFile
{
    QString path;
    QByteArray bytes;
    // -1 when no regular file could be opened at the path.
    qint64 size = -1;
    QDateTime modified;
    // Larger than the bytes it may take in memory: left unread.
    bool overBudget = false;
    // The file ended before its size while it was read: it changed meanwhile.
    bool cutShort = false;

    bool isRead() const { return size >= 0 && !overBudget; }
};

// Reads the regular file at path whole, unless it holds more than budget bytes. A FIFO or a
// device is not opened for reading (it could wait for a writer forever).
ImageFile readImageFile(const QString& path, qint64 budget);

#endif
