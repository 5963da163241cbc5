#include "relabeljournal.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>

#include <cerrno>

#include <fcntl.h>
#include <unistd.h>

namespace {

const char journalName[] = ".quadrotag-relabel.journal";
const QByteArray magicLine = "quadrotag-relabel journal 1";
const QByteArray fromKey = "from ";
const QByteArray toKey = "to ";
const QByteArray finishedLine = "done";
const qsizetype digestLength = 64;

QByteArray encodedPath(const QString& relativePath)
{
    return relativePath.toUtf8().toPercentEncoding("/");
}

bool writeAllAndSync(int descriptor, const QByteArray& bytes)
{
    qsizetype written = 0;
    while (written < bytes.size()) {
        const ssize_t count = ::write(descriptor, bytes.constData() + written,
                                      static_cast<size_t>(bytes.size() - written));
        if (count < 0 && errno == EINTR)
            continue;
        if (count <= 0)
            return false;
        written += count;
    }
    return ::fsync(descriptor) == 0;
}

} // namespace

RelabelJournal::RelabelJournal(const QString& datasetPath)
    : journalPath(QDir(datasetPath).filePath(QLatin1String(journalName)))
{
}

bool RelabelJournal::open(const QByteArray& fromDigest, const QByteArray& toDigest, QString& error)
{
    header = magicLine + '\n' + fromKey + fromDigest + '\n' + toKey + toDigest + '\n';
    QFile file(journalPath);
    if (!file.exists())
        return true;
    if (!file.open(QIODevice::ReadOnly)) {
        error = QStringLiteral("cannot read %1").arg(journalPath);
        return false;
    }
    const QByteArray bytes = file.readAll();
    // A run stopped while writing the header had replaced no file yet.
    if (bytes.count('\n') < 3 && magicLine.startsWith(bytes.left(magicLine.size())))
        return true;
    QByteArray from;
    QByteArray to;
    bool finished = false;
    if (!parse(bytes, from, to, finished)) {
        error = QStringLiteral("%1 is not a relabelling journal").arg(journalPath);
        return false;
    }
    if (from == fromDigest && to == toDigest) {
        headerWritten = true;
        finishedBefore = finished;
        return true;
    }
    digests.clear();
    if (finished)
        return true;
    error = QStringLiteral("%1 records an unfinished relabelling from another index or to "
                           "another vocabulary; finish it with its own --from and --vocabulary, "
                           "or remove the journal if its files were put back")
                .arg(journalPath);
    return false;
}

bool RelabelJournal::recorded(const QString& relativePath, QByteArray& digest) const
{
    const auto found = digests.constFind(relativePath);
    if (found == digests.constEnd())
        return false;
    digest = found.value();
    return true;
}

bool RelabelJournal::record(const QString& relativePath, const QByteArray& digest)
{
    // Not kept in memory: a run visits each file once, and memory stays flat however many.
    return append(digest + ' ' + encodedPath(relativePath) + '\n');
}

bool RelabelJournal::finish()
{
    return append(finishedLine + '\n');
}

QByteArray RelabelJournal::digestOf(const QByteArray& bytes)
{
    return QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex();
}

bool RelabelJournal::parse(const QByteArray& bytes, QByteArray& from, QByteArray& to,
                           bool& finished)
{
    const QList<QByteArray> lines = bytes.split('\n');
    if (lines.size() < 4 || lines.at(0) != magicLine || !lines.at(1).startsWith(fromKey) ||
        !lines.at(2).startsWith(toKey))
        return false;
    from = lines.at(1).mid(fromKey.size());
    to = lines.at(2).mid(toKey.size());
    finished = false;
    // A run killed while appending leaves a last line without its end; its file was not
    // replaced yet, so the line is passed over.
    for (qsizetype i = 3; i + 1 < lines.size(); ++i) {
        const QByteArray& line = lines.at(i);
        finished = line == finishedLine;
        if (finished || line.size() <= digestLength + 1 || line.at(digestLength) != ' ')
            continue;
        const QString relativePath =
            QString::fromUtf8(QByteArray::fromPercentEncoding(line.mid(digestLength + 1)));
        digests.insert(relativePath, line.left(digestLength));
    }
    return true;
}

bool RelabelJournal::append(const QByteArray& line)
{
    // The first entry of a new relabelling replaces a finished record of an older one.
    const int flags = headerWritten ? O_APPEND : O_TRUNC;
    const int descriptor = ::open(QFile::encodeName(journalPath).constData(),
                                  O_WRONLY | O_CREAT | O_CLOEXEC | flags, 0666);
    if (descriptor < 0)
        return false;
    const bool written = writeAllAndSync(descriptor, headerWritten ? line : header + line);
    const bool closed = ::close(descriptor) == 0;
    if (written && closed)
        headerWritten = true;
    return written && closed;
}
