#ifndef QUADROTAG_PREDICTIONSPOOL_H
#define QUADROTAG_PREDICTIONSPOOL_H

#include <QByteArray>
#include <QFile>
#include <QList>
#include <QString>
#include <QTemporaryDir>

// Predictions sorted by image on disk instead of in memory: one scratch file per image, a
// record per line. Formats that list predictions in any order go through it, so that memory
// stays the same however many predictions there are.
class PredictionSpool
{
public:
    PredictionSpool();

    bool isValid() const { return scratch.isValid(); }
    // Appends a record (one line, without its line end) for the image that key names.
    bool append(const QByteArray& key, const QByteArray& record);
    // The records of key in the order they came, removed from the spool.
    QList<QByteArray> take(const QByteArray& key);
    bool has(const QByteArray& key) const;
    // The keys still in the spool: images that nobody took.
    QList<QByteArray> remainingKeys() const;

private:
    QString pathOf(const QByteArray& key) const;

    QTemporaryDir scratch;
    // Predictions of one image mostly come together: its file stays open between them.
    QFile current;
    QByteArray currentKey;
};

#endif
