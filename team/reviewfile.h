#ifndef QUADROTAG_REVIEWFILE_H
#define QUADROTAG_REVIEWFILE_H

#include <QByteArray>
#include <QDateTime>
#include <QPoint>
#include <QString>

#include <vector>

// A note pinned to a point of the image, in image pixels.
struct ReviewNote
{
    QPoint point;
    QString text;

    bool operator==(const ReviewNote& other) const
    {
        return point == other.point && text == other.text;
    }
};

// A lead's verdict on one image, tied to the bytes of the label file it judged: it holds
// only while the label file's SHA-256 still matches, so no clocks need to agree.
struct Review
{
    enum class Verdict { Accepted, Rejected };

    Verdict verdict = Verdict::Accepted;
    QString reviewer;
    QDateTime at;
    // SHA-256 of the label file's bytes, lower-case hex.
    QByteArray labelDigest;
    std::vector<ReviewNote> notes;
    // The note given when rejecting; empty when none.
    QString comment;

    bool operator==(const Review& other) const;
    bool operator!=(const Review& other) const { return !(*this == other); }
};

// The lines of a review file: state, by, at, label, a line per note, and the comment if any.
// Line breaks inside texts become spaces, so every text stays on its line.
QByteArray reviewBytes(const Review& review);
// False when the bytes are no review (a required line missing or malformed).
bool parseReview(const QByteArray& bytes, Review& review);

// Replaces the review file at path atomically, making its folder when missing.
bool writeReview(const Review& review, const QString& path);
// False when there is no readable, well-formed review at path.
bool readReview(const QString& path, Review& review);

// SHA-256 of the file's bytes, lower-case hex; empty when the file can't be read.
QByteArray fileDigest(const QString& path);
QByteArray bytesDigest(const QByteArray& bytes);

#endif
