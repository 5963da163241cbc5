#include "reviewfile.h"

#include "labelfile.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace {

// A review is a few lines; anything much larger is not one, and is not read into memory.
const qint64 largestReviewFile = 1024 * 1024;
const int digestHexLength = 64;

// The lines every review has, as bits of a mask.
enum RequiredLine { stateLine = 1, byLine = 2, atLine = 4, labelLine = 8, everyLine = 15 };

const char acceptedWord[] = "accepted";
const char rejectedWord[] = "rejected";

QByteArray oneLine(const QString& text)
{
    QString flat = text;
    flat.replace(QLatin1Char('\r'), QLatin1Char(' '));
    flat.replace(QLatin1Char('\n'), QLatin1Char(' '));
    return flat.toUtf8();
}

bool isLowerHex(const QByteArray& text)
{
    if (text.size() != digestHexLength)
        return false;
    for (const char c : text) {
        if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f')))
            return false;
    }
    return true;
}

bool parseNote(const QByteArray& value, ReviewNote& note)
{
    // The text may be empty, and then its space may be gone too.
    const QList<QByteArray> parts = value.split(' ');
    if (parts.size() < 2)
        return false;
    bool xRead = false;
    bool yRead = false;
    note.point = QPoint(parts[0].toInt(&xRead), parts[1].toInt(&yRead));
    note.text = QString::fromUtf8(value.mid(parts[0].size() + parts[1].size() + 2));
    return xRead && yRead;
}

// One line "key value"; false when the line breaks the review.
bool parseLine(const QByteArray& key, const QByteArray& value, Review& review, int& required)
{
    if (key == "state") {
        if (value != acceptedWord && value != rejectedWord)
            return false;
        review.verdict =
            value == acceptedWord ? Review::Verdict::Accepted : Review::Verdict::Rejected;
        required |= stateLine;
    } else if (key == "by") {
        review.reviewer = QString::fromUtf8(value);
        required |= byLine;
    } else if (key == "at") {
        review.at = QDateTime::fromString(QString::fromLatin1(value), Qt::ISODate);
        if (!review.at.isValid())
            return false;
        required |= atLine;
    } else if (key == "label") {
        if (!isLowerHex(value))
            return false;
        review.labelDigest = value;
        required |= labelLine;
    } else if (key == "note") {
        ReviewNote note;
        if (!parseNote(value, note))
            return false;
        review.notes.push_back(note);
    } else if (key == "comment") {
        review.comment = QString::fromUtf8(value);
    }
    // Other lines are left for later versions to fill.
    return true;
}

} // namespace

bool Review::operator==(const Review& other) const
{
    return verdict == other.verdict && reviewer == other.reviewer && at == other.at &&
           labelDigest == other.labelDigest && notes == other.notes && comment == other.comment;
}

QByteArray reviewBytes(const Review& review)
{
    QByteArray bytes;
    bytes += QByteArray("state ") +
             (review.verdict == Review::Verdict::Accepted ? acceptedWord : rejectedWord) + '\n';
    bytes += "by " + oneLine(review.reviewer) + '\n';
    bytes += "at " + review.at.toString(Qt::ISODate).toLatin1() + '\n';
    bytes += "label " + review.labelDigest + '\n';
    for (const ReviewNote& note : review.notes)
        bytes += "note " + QByteArray::number(note.point.x()) + ' ' +
                 QByteArray::number(note.point.y()) + ' ' + oneLine(note.text) + '\n';
    if (!review.comment.isEmpty())
        bytes += "comment " + oneLine(review.comment) + '\n';
    return bytes;
}

bool parseReview(const QByteArray& bytes, Review& review)
{
    Review parsed;
    int required = 0;
    for (QByteArray line : bytes.split('\n')) {
        if (line.endsWith('\r'))
            line.chop(1);
        if (line.isEmpty())
            continue;
        const qsizetype space = line.indexOf(' ');
        const QByteArray key = space < 0 ? line : line.left(space);
        const QByteArray value = space < 0 ? QByteArray() : line.mid(space + 1);
        if (!parseLine(key, value, parsed, required))
            return false;
    }
    if (required != everyLine)
        return false;
    review = parsed;
    return true;
}

bool writeReview(const Review& review, const QString& path)
{
    if (!QDir().mkpath(QFileInfo(path).path()))
        return false;
    // A short temporary name: the review's own may take all 255 bytes.
    return writeOwnFileBytes(reviewBytes(review).toStdString(),
                           QFile::encodeName(path).toStdString());
}

bool readReview(const QString& path, Review& review)
{
    QFile file(path);
    if (!QFileInfo(path).isFile() || !file.open(QIODevice::ReadOnly) ||
        file.size() > largestReviewFile)
        return false;
    return parseReview(file.readAll(), review);
}

QByteArray bytesDigest(const QByteArray& bytes)
{
    return QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex();
}

QByteArray fileDigest(const QString& path)
{
    QFile file(path);
    if (!QFileInfo(path).isFile() || !file.open(QIODevice::ReadOnly))
        return QByteArray();
    QCryptographicHash hash(QCryptographicHash::Sha256);
    return hash.addData(&file) ? hash.result().toHex() : QByteArray();
}
