#ifndef QUADROTAG_RELABELJOURNAL_H
#define QUADROTAG_RELABELJOURNAL_H

#include <QByteArray>
#include <QHash>
#include <QString>

// The record of one relabelling in a dataset folder, so that a run that was stopped can be
// started again without translating any file twice. Before a label file is replaced, its
// path and a digest of its new bytes are appended and synced: on a later run a file whose
// bytes have that digest is done, and any other file has not been replaced yet.
class RelabelJournal
{
public:
    explicit RelabelJournal(const QString& datasetPath);

    // Takes up what an earlier run of the same relabelling (the same old index and new
    // vocabulary) recorded. A finished record of another relabelling is replaced at the
    // first new entry; an unfinished one is an error, since its files are half translated.
    bool open(const QByteArray& fromDigest, const QByteArray& toDigest, QString& error);
    // True when an earlier run finished this very relabelling: its files are all done, and
    // any other label file was made with the new vocabulary since.
    bool isFinished() const { return finishedBefore; }
    // The digest an earlier run recorded for the file, if any.
    bool recorded(const QString& relativePath, QByteArray& digest) const;
    bool record(const QString& relativePath, const QByteArray& digest);
    // Marks the relabelling as complete for this folder.
    bool finish();

    QString path() const { return journalPath; }

    static QByteArray digestOf(const QByteArray& bytes);

private:
    bool parse(const QByteArray& bytes, QByteArray& from, QByteArray& to, bool& finished);
    bool append(const QByteArray& line);

    QString journalPath;
    QByteArray header;
    bool headerWritten = false;
    bool finishedBefore = false;
    QHash<QString, QByteArray> digests;
};

#endif
